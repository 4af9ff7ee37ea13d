// Writing below the install folder when someone who may change it has put
// links there: a file or hard link at the name is replaced as itself, a
// link on the way or as the install folder itself refuses the write, and
// nothing outside the install folder is created or changed. Links to files
// are tested here, where they act as on Windows (Wine follows them).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/folder_chain.h"
#include "base/setup_state.h"
#include "tests/support/scratch_folder.h"

namespace {

class WriteBelowInstallFolder : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(mkdir((scratch_ / "QMG").c_str(), 0777), 0);
    ASSERT_EQ(mkdir((scratch_ / "outside").c_str(), 0777), 0);
    ScratchFolder::Write(scratch_ / "outside/victim.txt", "precious");
    ScratchFolder::Write(scratch_ / "source.txt", "copied bytes");
    UseInstallFolder("QMG");
    TruncatePendingFolders(0);
  }
  void TearDown() override {
    InstallFolder[0] = '\0';
    TruncatePendingFolders(0);
  }
  void UseInstallFolder(const std::string &name) {
    snprintf(InstallFolder, sizeof InstallFolder, "%s", (scratch_ / name).c_str());
  }
  void Link(const std::string &target, const std::string &name) {
    ASSERT_EQ(symlink((scratch_ / target).c_str(), (scratch_ / name).c_str()), 0) << name;
  }
  std::vector<std::string> Outside() const { return ScratchFolder::Tree(scratch_ / "outside"); }
  static bool IsLink(const std::string &path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
  }
  static bool WriteLog(const std::string &path) {
    FILE *file = CreateOutputFile(path.c_str());
    if (!file)
      return false;
    fputs("log", file);
    return fclose(file) == 0;
  }

  ScratchFolder scratch_;
};

// What was planted at the name the log, a copy or an unpacked file gets.
TEST_F(WriteBelowInstallFolder, AFileOrLinkAtTheNameIsReplacedNeverWrittenThrough) {
  struct Case {
    const char *what;
    bool hardLink;
  } cases[] = {{"symbolic link to a file outside", false}, {"hard link to a file outside", true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    for (const char *name : {"QMG/unsetup.ctl", "QMG/copy.cfg", "QMG/member.dat"}) {
      SCOPED_TRACE(name);
      if (c.hardLink)
        ASSERT_EQ(link((scratch_ / "outside/victim.txt").c_str(), (scratch_ / name).c_str()), 0);
      else
        Link("outside/victim.txt", name);
      if (strstr(name, "copy"))
        CopyFileReplacing((scratch_ / "source.txt").c_str(), (scratch_ / name).c_str());
      else if (strstr(name, "member")) {
        ASSERT_TRUE(RemoveFileForReplacement((scratch_ / name).c_str(), false));
        FILE *file = CreateNewOutputFile((scratch_ / name).c_str(), false);
        ASSERT_NE(file, nullptr);
        fputs("member", file);
        fclose(file);
      } else {
        EXPECT_TRUE(WriteLog(scratch_ / name));
      }
      EXPECT_FALSE(IsLink(scratch_ / name));
      EXPECT_NE(ScratchFolder::Read(scratch_ / name), "precious");
      EXPECT_EQ(ScratchFolder::Read(scratch_ / "outside/victim.txt"), "precious");
      unlink((scratch_ / name).c_str());
    }
  }
  EXPECT_EQ(Outside(), std::vector<std::string>{"victim.txt"});
}

TEST_F(WriteBelowInstallFolder, ACopyIsANewWritableFileWithTheSourcesTime) {
  chmod((scratch_ / "source.txt").c_str(), 0444);
  struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (scratch_ / "source.txt").c_str(), old, 0), 0);
  ScratchFolder::Write(scratch_ / "QMG/copy.cfg", "old contents, longer than the new ones");
  CopyFileReplacing((scratch_ / "source.txt").c_str(), (scratch_ / "QMG/copy.cfg").c_str());
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "QMG/copy.cfg"), "copied bytes");
  struct stat info;
  ASSERT_EQ(stat((scratch_ / "QMG/copy.cfg").c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IWUSR);
  EXPECT_EQ(info.st_mtim.tv_sec, 1000000000);

  // A missing source copies nothing and leaves nothing.
  CopyFileReplacing((scratch_ / "missing.txt").c_str(), (scratch_ / "QMG/none.cfg").c_str());
  EXPECT_FALSE(ScratchFolder::Exists(scratch_ / "QMG/none.cfg"));
}

// A link to a folder on the way down, or as the install folder itself:
// nothing is made, neither a file nor a folder, here or where it leads.
TEST_F(WriteBelowInstallFolder, ALinkToAFolderOnTheWayRefusesTheWrite) {
  struct Case {
    const char *installFolder, *link, *path;
  } cases[] = {
      {"QMG", "QMG/REEDRUN", "QMG/REEDRUN/unsetup.ctl"}, // the product folder
      {"QMG", "QMG/REEDRUN", "QMG/REEDRUN/levels/one.dat"},
      {"QMG", "QMG/Music", "QMG/Music/theme1.mid"}, // a shared package's folder
      {"linked", "linked", "linked/REEDRUN/unsetup.ctl"}, // the install folder
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    UseInstallFolder(c.installFolder);
    Link("outside", c.link);
    std::string folder = scratch_ / c.path;
    folder.resize(folder.rfind('/'));
    EXPECT_FALSE(CreateFolderChain(&folder[0]));
    EXPECT_FALSE(WriteLog(scratch_ / c.path));
    CopyFileReplacing((scratch_ / "source.txt").c_str(), (scratch_ / c.path).c_str());
    FILE *file = CreateNewOutputFile((scratch_ / c.path).c_str(), false);
    EXPECT_EQ(file, nullptr);
    if (file)
      fclose(file);
    EXPECT_EQ(Outside(), std::vector<std::string>{"victim.txt"});
    unlink((scratch_ / c.link).c_str());
  }
}

// Above the install folder links are the administrator's own, and paths
// outside it (the game maker's tool) are not checked.
TEST_F(WriteBelowInstallFolder, LinksAboveTheInstallFolderAndPathsOutsideItAreFollowed) {
  Link(".", "above");
  UseInstallFolder("above/QMG");
  std::string product = scratch_ / "above/QMG/REEDRUN";
  EXPECT_TRUE(CreateFolderChain(&product[0]));
  EXPECT_TRUE(WriteLog(product + "/unsetup.ctl"));
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "QMG/REEDRUN/unsetup.ctl"), "log");

  Link("outside", "QMG/REEDRUN/elsewhere");
  UseInstallFolder("QMG/REEDRUN/levels");
  EXPECT_TRUE(WriteLog(scratch_ / "QMG/REEDRUN/elsewhere/tool.txt"));
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "outside/tool.txt"), "log");
}

} // namespace
