#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/folder_chain.h"
#include "tests/support/scratch_folder.h"

namespace {

class FolderChain : public testing::Test {
protected:
  void SetUp() override { TruncatePendingFolders(0); }
  void TearDown() override { TruncatePendingFolders(0); }

  // Pending entries relative to the scratch folder.
  std::vector<std::string> Pending() const {
    std::vector<std::string> relative;
    for (const std::string &p : PendingFolders())
      relative.push_back(p.substr(scratch_.path().size()));
    return relative;
  }
  bool Create(const std::string &relative) {
    std::string path = scratch_.path() + relative;
    return CreateFolderChain(&path[0]);
  }

  ScratchFolder scratch_;
};

TEST_F(FolderChain, MakesMissingParentsAndRecordsThemParentsFirst) {
  EXPECT_TRUE(Create("/QMG/Game"));
  EXPECT_EQ(Pending(), (std::vector<std::string>{"/QMG", "/QMG/Game"}));
  EXPECT_TRUE(ScratchFolder::Exists(scratch_ / "QMG/Game"));

  // An existing folder is recorded again, alone.
  EXPECT_TRUE(Create("/QMG/Game/"));
  EXPECT_EQ(Pending().back(), "/QMG/Game");
  EXPECT_EQ(Pending().size(), 3u);

  TruncatePendingFolders(1);
  EXPECT_EQ(Pending(), std::vector<std::string>{"/QMG"});
}

TEST_F(FolderChain, FailsWhereAFileStandsInTheWayAndKeepsWhatItMade) {
  ScratchFolder::Write(scratch_ / "file", "x");
  EXPECT_FALSE(Create("/file"));
  EXPECT_TRUE(Pending().empty());

  EXPECT_FALSE(Create("/file/deeper"));
  EXPECT_TRUE(Create("/made"));
  TruncatePendingFolders(0);
  ScratchFolder::Write(scratch_ / "made/blocked", "x");
  EXPECT_FALSE(Create("/made/blocked/deeper"));
  EXPECT_FALSE(ScratchFolder::Exists(scratch_ / "made/blocked/deeper"));
}

TEST_F(FolderChain, FolderExistsTrimsOneTrailingSeparator) {
  mkdir((scratch_ / "dir").c_str(), 0777);
  std::string path = scratch_ / "dir/";
  EXPECT_TRUE(FolderExists(&path[0]));
  EXPECT_EQ(std::string(path.c_str()), scratch_ / "dir");
  ScratchFolder::Write(scratch_ / "plain", "x");
  std::string file = scratch_ / "plain";
  EXPECT_FALSE(FolderExists(&file[0]));
  char empty[1] = "";
  EXPECT_FALSE(FolderExists(empty));
}

} // namespace
