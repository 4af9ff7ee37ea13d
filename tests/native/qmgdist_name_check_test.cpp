// The warnings pack gives about member names: what the installer's name
// mapping and Windows make of each name, and which names end up as one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qmgdist/member_name_check.h"

namespace {

using Lines = std::vector<std::string>;

TEST(MemberNameCheck, NamesTheInstallerKeepsGiveNoWarning) {
  Lines names = {"readme.txt", "a b/", "a b/c d.txt", "levels/", "levels/caf\xC3\xA9.txt",
                 "CONFIG.SYS", "console.txt", "com10", "LPT0.txt", "nul_x", ".hidden", "x.y.z"};
  EXPECT_EQ(CheckMemberNames(names), Lines{});
}

TEST(MemberNameCheck, EachNameThatTheInstallerChangesOrCannotMakeIsOneLine) {
  std::string longName(260, 'n');
  std::string longFolder(254, 'f');
  struct Case {
    std::string name, line;
  } cases[] = {
      {"a:b.txt", "a:b.txt: the installer names it a_b.txt"},
      {"q\"*<>?|.txt", "q\"*<>?|.txt: the installer names it q______.txt"},
      {"tab\there", "tab\\x09here: the installer names it tabhere"},
      {"ver.txt;1", "ver.txt;1: the installer names it ver.txt"},
      {"save;", "save;: the installer names it save"},
      {";12", ";12: the installer makes nothing of this name and skips it (result 2)"},
      {"\x01/", "\\x01/: the installer drops this folder level: what it holds goes into the folder above"},
      {"d:x/", "d:x/: the installer names it d_x/"},
      {"d:x/in.txt", ""}, // its folder's own entry carries the warning
      {"caf\xC3\xA9/", "caf\xC3\xA9/: the installer names it caf#U00e9/"},
      {"lat\xE9.txt", "lat\\xE9.txt: not UTF-8: the installer reads it in the DOS code page, so its letters change"},
      {"CON", "CON: CON is a device name on Windows, with any extension: the installer cannot make it"},
      {"aux.txt", "aux.txt: AUX is a device name on Windows, with any extension: the installer cannot make it"},
      {"Nul .tar.gz", "Nul .tar.gz: NUL is a device name on Windows, with any extension: the installer cannot make it"},
      {"com1.log", "com1.log: COM1 is a device name on Windows, with any extension: the installer cannot make it"},
      {"lpt9/", "lpt9/: LPT9 is a device name on Windows, with any extension: the installer cannot make it"},
      {"prn:", "prn:: the installer names it prn_"},
      {"notes.", "notes.: ends in a dot or a blank, which Windows drops"},
      {"notes ", "notes : ends in a dot or a blank, which Windows drops"},
      {"old./", "old./: ends in a dot or a blank, which Windows drops"},
      {longName, longName + ": longer than 259 characters: the installer cuts it; the installer names it " +
                     std::string(259, 'n')},
      {longFolder + "/", longFolder + "/: its path is longer than the installer can make folders (257 "
                                      "characters, the install folder included)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Lines expected;
    if (!c.line.empty())
      expected.push_back(c.line);
    EXPECT_EQ(CheckMemberNames({c.name}), expected);
  }
}

TEST(MemberNameCheck, NamesThatTheInstallerMakesOneAreEachNamedWithTheFirst) {
  struct Case {
    Lines names, lines;
  } cases[] = {
      {{"a:b.txt", "a?b.txt", "a_b.txt"},
       {"a:b.txt: the installer names it a_b.txt",
        "a?b.txt: the installer names it a_b.txt; it replaces a:b.txt, which the installer names the same",
        "a_b.txt: it replaces a:b.txt, which the installer names the same"}},
      {{"ver.txt", "ver.txt;1"},
       {"ver.txt;1: the installer names it ver.txt; it replaces ver.txt, which the installer names the same"}},
      {{"README.TXT", "Readme.txt"}, {"Readme.txt: it replaces README.TXT, which the installer names the same"}},
      {{"notes", "notes."},
       {"notes.: ends in a dot or a blank, which Windows drops; it replaces notes, which the installer names "
        "the same"}},
      {{"DATA/", "DATA/x", "data/", "data/y"},
       {"data/: what it holds goes into DATA/, which the installer names the same"}},
      {{"DATA/", "DATA/x", "data/", "data/x"},
       {"data/: what it holds goes into DATA/, which the installer names the same",
        "data/x: it replaces DATA/x, which the installer names the same"}},
      {{"Music", "music/"}, {"music/: the installer cannot make both it and Music, which it names the same"}},
      {{"a b/", "a b/x", "a b./", "a b./x"},
       {"a b./: ends in a dot or a blank, which Windows drops; what it holds goes into a b/, which the "
        "installer names the same",
        "a b./x: it replaces a b/x, which the installer names the same"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.names.back());
    EXPECT_EQ(CheckMemberNames(c.names), c.lines);
  }
}

} // namespace
