#include <gtest/gtest.h>

#include <string>

#include "app/path_rules.h"

namespace {

TEST(PathRules, SourceFolderIsTheInstallerFolderWithABackslash) {
  struct Case {
    const char *module, *folder;
  } cases[] = {
      {"C:\\Games\\Setup\\SETUP.EXE", "C:\\Games\\Setup\\"},
      {"D:\\SETUP.EXE", "D:\\"},
      {"D:SETUP.EXE", "D:\\"},
      {"SETUP.EXE", "\\"},
      {"", "\\"},
      {"\\SETUP.EXE", "\\"},
      {"\\\\server\\share\\SETUP.EXE", "\\\\server\\share\\"},
  };
  for (const Case &c : cases) {
    char folder[512];
    SourceFolderFromModulePath(c.module, folder, sizeof folder);
    EXPECT_STREQ(folder, c.folder) << c.module;
  }
}

TEST(PathRules, SourceFolderNeverOverrunsItsBuffer) {
  std::string module = std::string(600, 'a') + "\\SETUP.EXE";
  char folder[16];
  SourceFolderFromModulePath(module.c_str(), folder, sizeof folder);
  EXPECT_EQ(std::string(folder), std::string(14, 'a') + "\\");
}

TEST(PathRules, OneTrailingBackslashIsDroppedExceptAtADriveRoot) {
  struct Case {
    const char *typed, *kept;
  } cases[] = {
      {"C:\\QMG\\", "C:\\QMG"}, {"C:\\QMG", "C:\\QMG"}, {"C:\\", "C:\\"},
      {"C:\\QMG\\\\", "C:\\QMG\\"}, {"\\\\", "\\\\"}, {"\\\\server\\share\\", "\\\\server\\share"},
  };
  for (const Case &c : cases) {
    char path[64];
    strcpy(path, c.typed);
    DropTrailingBackslash(path);
    EXPECT_STREQ(path, c.kept) << c.typed;
  }
}

} // namespace
