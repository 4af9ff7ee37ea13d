#include <gtest/gtest.h>

#include <string>

#include "base/path_rules.h"

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
    DropTrailingSeparator(path);
    EXPECT_STREQ(path, c.kept) << c.typed;
  }
}

// The one rule behind the typed install folder and FolderExists, on both
// separators: roots keep their separator, everything else loses one.
TEST(PathRules, ATrailingSeparatorStaysOnlyAtARoot) {
  struct Case {
    const char *why, *path;
    char separator;
    const char *kept;
  } cases[] = {
      {"a drive root", "D:\\", '\\', "D:\\"},
      {"a drive-relative root", "D:", '\\', "D:"},
      {"a lone separator is the root of the drive", "\\", '\\', "\\"},
      {"the start of a share name", "\\\\", '\\', "\\\\"},
      {"a short relative name", "a\\", '\\', "a"},
      {"a folder on a drive", "D:\\Games\\", '\\', "D:\\Games"},
      {"the other separator is a name character", "D:\\Games/", '\\', "D:\\Games/"},
      {"nothing at all", "", '\\', ""},
      {"the POSIX root", "/", '/', "/"},
      {"a POSIX folder", "/tmp/qmg/", '/', "/tmp/qmg"},
      {"a backslash in a POSIX name", "/tmp/qmg\\", '/', "/tmp/qmg\\"},
  };
  for (const Case &c : cases) {
    char path[64];
    strcpy(path, c.path);
    DropTrailingSeparator(path, c.separator);
    EXPECT_STREQ(path, c.kept) << c.why;
  }
}

TEST(PathRules, ARelativePathClimbsOutThroughDotsAndBlanksAlone) {
  struct Case {
    const char *relative;
    bool climbs;
  } cases[] = {
      {"..", true},          {"a\\..\\..", true}, {"../x", true},      {"\\.\\x", true},   {"...", true},
      {". .", true},         {"x\\.. \\y", true}, {"a..b", false},     {".profile", false}, {"x.", false},
      {"dir\\file", false}, {"", false},           {"\\name", false}, {"  ", false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ClimbsOutOfItsFolder(c.relative), c.climbs) << c.relative;
}

TEST(PathRules, APathOfSeparatorsAndBlanksNamesNoFolderBelow) {
  struct Case {
    const char *relative;
    bool namesNone;
  } cases[] = {
      {"", true},       {"\\", true},  {"/", true},        {" ", true},     {" \\ / ", true},
      {"GAME", false},  {"\\GAME", false}, {" x ", false}, {"..", false},   {"a\\", false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(NamesNoFolderBelow(c.relative), c.namesNone) << "[" << c.relative << "]";
}

TEST(PathRules, FullPathsAreWrittenInOnePlainFormOrRefused) {
  struct Case {
    const char *path, *normal; // nullptr: refused
  } cases[] = {
      {"C:\\QMG\\GAME", "C:\\QMG\\GAME"},
      {"c:/QMG/GAME/data", "C:\\QMG\\GAME\\data"},
      {"C:\\QMG\\\\GAME\\", "C:\\QMG\\GAME"}, // a product folder under a drive root is written so
      {"C:\\", "C:\\"},
      {"C:/", "C:\\"},
      {"\\\\server\\share\\QMG", "\\\\server\\share\\QMG"},
      {"//server/share", "\\\\server\\share\\"},
      {"C:\\QMG\\caf\xC3\xA9.txt", "C:\\QMG\\caf\xC3\xA9.txt"},
      {"C:\\QMG\\a b\\x.y.z", "C:\\QMG\\a b\\x.y.z"},
      {"", nullptr},
      {"QMG\\GAME", nullptr},
      {"\\QMG\\GAME", nullptr},
      {"C:QMG", nullptr},
      {"C:", nullptr},
      {"1:\\QMG", nullptr},
      {"\\\\?\\C:\\QMG", nullptr},
      {"\\\\.\\C:\\QMG", nullptr},
      {"\\\\server", nullptr},
      {"C:\\QMG\\..\\Windows", nullptr},
      {"C:\\QMG\\.\\GAME", nullptr},
      {"C:\\QMG\\GAME\\..", nullptr},
      {"C:\\QMG\\.. \\Windows", nullptr},
      {"C:\\QMG\\...\\x", nullptr},
      {"C:\\QMG\\GAME.\\x", nullptr},
      {"C:\\QMG\\GAME \\x", nullptr},
      {"C:\\QMG\\x.txt:stream", nullptr},
      {"C:\\QMG\\x.txt::$DATA", nullptr},
      {"C:\\QMG\\*.*", nullptr},
      {"C:\\QMG\\a?b", nullptr},
      {"C:\\QMG\\a\"b", nullptr},
      {"C:\\QMG\\a\tb", nullptr},
  };
  for (const Case &c : cases) {
    std::string normal = "unchanged";
    bool accepted = NormaliseFullPath(c.path, normal);
    EXPECT_EQ(accepted, c.normal != nullptr) << c.path;
    if (accepted && c.normal)
      EXPECT_EQ(normal, c.normal) << c.path;
  }
}

TEST(PathRules, WhereAPathLiesAgainstAFolder) {
  const char *folder = "C:\\QMG\\GAME";
  struct Case {
    const char *path;
    bool inside, directlyInside, folderOrAbove;
  } cases[] = {
      {"C:\\QMG\\GAME\\GAME.EXE", true, true, false},
      {"c:\\qmg\\game\\Data/level.dat", true, false, false},
      {"C:\\QMG\\GAME", false, false, true},
      {"C:\\QMG\\GAME\\", false, false, true},
      {"C:\\QMG", false, false, true},
      {"C:\\", false, false, true},
      {"C:\\QMG\\GAME2\\x", false, false, false}, // a name that merely starts the same
      {"C:\\QMG\\GAMEx", false, false, false},
      {"C:\\QMG\\OTHER", false, false, false},
      {"D:\\QMG\\GAME\\x", false, false, false},
      {"C:\\QMG\\GAME\\..\\..\\boot.ini", false, false, false},
      {"C:\\QMG\\GAME\\x.txt:hidden", false, false, false},
      {"\\\\?\\C:\\QMG\\GAME\\x", false, false, false},
      {"C:\\QMG\\GAME.\\x", false, false, false},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(PathIsInside(c.path, folder), c.inside) << c.path;
    EXPECT_EQ(PathIsDirectlyInside(c.path, folder), c.directlyInside) << c.path;
    EXPECT_EQ(PathIsFolderOrAbove(c.path, folder), c.folderOrAbove) << c.path;
  }
  // A folder that is not a plain full path holds nothing.
  EXPECT_FALSE(PathIsInside("C:\\QMG\\x", "C:\\QMG\\..\\QMG"));
  EXPECT_FALSE(PathIsInside("C:\\QMG\\x", "QMG"));
  // Letters compare without case, other bytes as they are.
  EXPECT_TRUE(PathIsInside("C:\\JEUX\\x", "c:\\jeux"));
  EXPECT_FALSE(PathIsInside("C:\\CAF\xC9\\x", "C:\\caf\xE9"));
}

} // namespace
