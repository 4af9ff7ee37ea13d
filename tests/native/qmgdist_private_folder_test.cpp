// The private folder that qmgdist's temporary files go into.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "qmgdist/private_folder.h"
#include "tests/support/scratch_folder.h"

namespace {

// Points TMPDIR at `folder` for the life of the object.
class TemporaryFolderIs {
public:
  explicit TemporaryFolderIs(const std::string &folder) {
    const char *old = getenv("TMPDIR");
    hadOld_ = old != nullptr;
    old_ = old ? old : "";
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TemporaryFolderIs() {
    if (hadOld_)
      setenv("TMPDIR", old_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

private:
  bool hadOld_;
  std::string old_;
};

TEST(PrivateFolder, EachIsANewFolderOfItsOwnThatOnlyThisUserCanEnter) {
  ScratchFolder scratch;
  TemporaryFolderIs temporary(scratch.path());
  std::string first, second, report;
  ASSERT_TRUE(MakePrivateFolder(first, report)) << report;
  ASSERT_TRUE(MakePrivateFolder(second, report)) << report;
  EXPECT_NE(first, second);
  for (const std::string &folder : {first, second}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(folder.compare(0, scratch.path().size() + 1, scratch.path() + "/"), 0);
    struct stat info;
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
  }
  RemovePrivateFolder(first);
  RemovePrivateFolder(second);
  EXPECT_EQ(ScratchFolder::Tree(scratch.path()), std::vector<std::string>{});
}

TEST(PrivateFolder, AMissingTemporaryFolderIsReportedWithTheSystemsReason) {
  ScratchFolder scratch;
  TemporaryFolderIs temporary(scratch / "missing");
  std::string folder, report;
  EXPECT_FALSE(MakePrivateFolder(folder, report));
  EXPECT_NE(report.find(scratch / "missing/qmgdist-"), std::string::npos) << report;
  EXPECT_NE(report.find(": cannot make a private temporary folder: No such file or directory"), std::string::npos)
      << report;
}

} // namespace
