// The dry machine's view of paths: Windows' manner over memory, disk
// folders seen through until the run changes them, and nothing written.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "base/dry_machine.h"
#include "tests/support/scratch_folder.h"

namespace {

TEST(DryMachine, PathsAreComparedAsWindowsComparesThem) {
  ResetDryMachine();
  AddDryFolder("C:\\QMG\\Game");
  AddDryFile("C:\\QMG\\Game\\README.TXT");
  struct Case {
    const char *path;
    int kind;
  } cases[] = {
      {"c:\\qmg\\GAME", 2}, {"C:/QMG/Game/", 2}, {"C:\\QMG\\Game\\readme.txt", 1},
      {"D:", 2},             {"d:\\", 2},        {"C:\\QMG", 0},                    {"C:\\QMG\\Game\\OTHER", 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(DryPathKind(c.path), c.kind) << c.path;
  EXPECT_FALSE(DryFolderIsEmpty("C:\\QMG\\game"));
  RemoveDryPath("C:/QMG/GAME/readme.txt");
  EXPECT_EQ(DryPathKind("C:\\QMG\\Game\\README.TXT"), 0);
  EXPECT_TRUE(DryFolderIsEmpty("C:\\QMG\\Game"));
}

TEST(DryMachine, ADiskFolderIsSeenAsItIsUntilTheRunChangesIt) {
  ScratchFolder disk;
  mkdir((disk / "game").c_str(), 0777);
  ScratchFolder::Write(disk / "game/SAVE.DAT", "saved");
  ResetDryMachine();
  AddDryDiskFolder(disk.path());

  EXPECT_EQ(DryPathKind(disk / "game"), 2);
  EXPECT_EQ(DryPathKind(disk / "game/SAVE.DAT"), 1);
  EXPECT_TRUE(DryFileIsOnDisk(disk / "game/SAVE.DAT"));
  EXPECT_FALSE(DryFolderIsEmpty(disk / "game"));

  // Deleted by the run: gone for the run, still on the disk.
  RemoveDryPath(disk / "game/SAVE.DAT");
  EXPECT_EQ(DryPathKind(disk / "game/SAVE.DAT"), 0);
  EXPECT_FALSE(DryFileIsOnDisk(disk / "game/SAVE.DAT"));
  EXPECT_TRUE(DryFolderIsEmpty(disk / "game"));
  EXPECT_EQ(ScratchFolder::Read(disk / "game/SAVE.DAT"), "saved");

  // Made again by the run: there, but with no bytes on the disk to read.
  AddDryFile(disk / "game/SAVE.DAT");
  EXPECT_EQ(DryPathKind(disk / "game/SAVE.DAT"), 1);
  EXPECT_FALSE(DryFileIsOnDisk(disk / "game/SAVE.DAT"));

  // Outside the disk folder the disk is not looked at.
  EXPECT_EQ(DryPathKind("/tmp"), 0);
}

} // namespace
