#include <gtest/gtest.h>

#include "package/member_names.h"

namespace {

TEST(MemberNames, OemConversionDependsOnTheHost) {
  struct Case {
    uint8_t host, version;
    bool oem;
  } cases[] = {
      {0, 20, true}, {0, 25, false}, {0, 26, false}, {6, 20, true}, {11, 50, true},
      {11, 20, false}, {3, 30, false}, {10, 20, false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(NameIsOem(c.host, c.version), c.oem) << int(c.host) << "/" << int(c.version);
}

TEST(MemberNames, VolumeLabelsComeFromDiskHosts) {
  EXPECT_TRUE(IsVolumeLabel(0, 0x08));
  EXPECT_TRUE(IsVolumeLabel(11, 0x28));
  EXPECT_FALSE(IsVolumeLabel(3, 0x08));
  EXPECT_FALSE(IsVolumeLabel(0, 0x20));
}

TEST(MemberNames, Utf8NamesBecomeEscapedSevenBitNames) {
  struct Case {
    const char *utf8, *escaped;
  } cases[] = {
      {"plain.txt", "plain.txt"},
      {"caf\xC3\xA9.txt", "caf#U00e9.txt"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "#U65e5#U672c"},
      {"\xF0\x9F\x8E\xB2.png", "#L01f3b2.png"},
      {"bad\xFF" "byte", "bad_byte"},
      {"cut\xC3", "cut_"},
      {"over\xC0\xAF" "long", "over__long"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(EscapeUtf8Name(c.utf8), c.escaped) << c.utf8;
}

TEST(MemberNames, ComponentsAreCleanedAndParentsRefused) {
  struct Case {
    const char *name;
    bool accepted;
    std::vector<std::string> folders;
    const char *file;
    bool folderEntry;
  } cases[] = {
      {"a/b/c.txt", true, {"a", "b"}, "c.txt", false},
      {"dir/", true, {"dir"}, "", true},
      {"/abs/x", true, {"abs"}, "x", false},
      {"a//b", true, {"a"}, "b", false},
      {"./a/./b", true, {"a"}, "b", false},
      {"x;1", true, {}, "x", false},
      {"x;", true, {}, "x", false},
      {"x;1a", true, {}, "x;1a", false},
      {"v;1/x", true, {"v;1"}, "x", false},
      {"a\\b/c", true, {"a_b"}, "c", false},
      {"sp ace/f ile", true, {"sp ace"}, "f ile", false},
      {"high\xE9", true, {}, "high\xE9", false},
      {"../x", false, {}, "", false},
      {"a/../x", false, {}, "", false},
      {"a/..", false, {}, "", false},
      // Judged after cleaning, as Windows would see them.
      {".\x01./x", false, {}, "", false},
      {"a/.\t.", false, {}, "", false},
      {".. /x", false, {}, "", false},
      {"a/...", false, {}, "", false},
      {" /x", false, {}, "", false},
      {"a/. ./", false, {}, "", false},
      {"a../.b/c..", true, {"a..", ".b"}, "c..", false},
      {"\x01/x", true, {}, "x", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    MappedName mapped;
    ASSERT_EQ(MapMemberName(c.name, false, mapped), c.accepted);
    if (!c.accepted)
      continue;
    EXPECT_EQ(mapped.folders, c.folders);
    EXPECT_EQ(mapped.file, c.file);
    EXPECT_EQ(mapped.folderEntry, c.folderEntry);
  }
}

TEST(MemberNames, OldFatVolumesGetShortNames) {
  struct Case {
    const char *component, *shortName;
  } cases[] = {
      {"readme.txt", "readme.txt"},
      {"longfilename.txt", "longfile.txt"},
      {"name.html", "name.htm"},
      {"archive.tar.gz", "archive_.gz"},
      {".exrc", "_.exr"},
      {".a.b", "_a.b"},
      {"nodotnamethatislong", "nodotnam"},
      {"longname_txt", "longname.txt"},
      {"short_extension", "short_ex"},
      {"data_file", "data_fil"},
      {"a+b,c;d=e[f].txt", "a_b_c_d_.txt"},
      {"name .txt", "name_.txt"},
      {".", ""},
      {"..", ".."},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ShortNameOf(c.component), c.shortName) << c.component;

  MappedName mapped;
  ASSERT_TRUE(MapMemberName("Long Folder Name/my file name.text", true, mapped));
  EXPECT_EQ(mapped.folders, std::vector<std::string>{"Long_Fol.Nam"});
  EXPECT_EQ(mapped.file, "my_file_.tex");
}

} // namespace
