// qmgdist check over small distributions built here: a sound one that
// gives no finding, and a table of broken ones, each with the line check
// must print and its exit status.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "package/key_table.h"
#include "qmgdist/distribution_check.h"
#include "script/script_checksum.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/zip_builder.h"

namespace {

std::string Stamped(const std::string &script) {
  std::string stamped = script;
  char digits[ChecksumDigitCount];
  FormatChecksumDigits(ScriptChecksum(reinterpret_cast<const unsigned char *>(stamped.data()), stamped.size()),
                       digits);
  stamped.replace(ChecksumDigitsAt, ChecksumDigitCount, digits, ChecksumDigitCount);
  return stamped;
}

std::string Package(const std::string &key, const ZipBuilder &zip) {
  uint16_t table[KeyTableWordCount];
  if (key == "shared")
    BuildSharedKeyTable(table);
  else
    BuildProductKeyTable(key == "01" ? 1 : key == "02" ? 2 : 3, table);
  return ZipBuilder::Scrambled(zip.Build(), table);
}

const char SoundBody[] = "L01=Reed Runner\n"          // 2
                         "V=1.0\n"                    // 3
                         "F=REED\n"                   // 4
                         "C=UNSETUP.EXE=unsetup.exe\n" // 5
                         "Z=REED.QPK\n"               // 6
                         "M=REED.EXE=Reed Runner\n";  // 7

class Distribution {
public:
  Distribution() {
    Write("UNSETUP.EXE", "MZ uninstaller");
    Write("REED.QPK", Package("01", ZipBuilder().Add("REED.EXE", "MZ game").Add("levels/one.dat", "level")));
    std::vector<uint8_t> picture = BuildBmp(BmpSpec(4, 4, 8), {0xFF00FF, 0x208040}, [](int x, int) {
      return static_cast<uint32_t>(x & 1);
    });
    Write("SETUPBK.QBK", std::string(picture.begin(), picture.end()));
    Script(SoundBody);
  }
  void Write(const std::string &name, const std::string &bytes) { ScratchFolder::Write(folder_ / name, bytes); }
  void Remove(const std::string &name) { std::remove((folder_ / name).c_str()); }
  // The script with its header line 1, stamped.
  void Script(const std::string &body) { Write("SETUP.CTL", Stamped("#00000000 test\n" + body)); }

  std::vector<std::string> Findings(const std::vector<std::string> &folders = {}) const {
    std::vector<CheckFinding> findings;
    std::string report;
    EXPECT_TRUE(CheckDistribution({folder_.path(), folders, false, ""}, findings, report)) << report;
    std::vector<std::string> lines;
    for (const CheckFinding &f : findings)
      lines.push_back(f.file + ":" + std::to_string(f.line) + ": " + (f.error ? "error: " : "warning: ") +
                      (f.item.empty() ? "" : "member " + f.item + ": ") + f.text);
    return lines;
  }
  int Exit(std::vector<std::string> arguments) const {
    std::string out;
    return Run(arguments, out);
  }
  // Runs the verb on the folder; `out` receives what it printed, standard
  // output first.
  int Run(std::vector<std::string> arguments, std::string &out) const {
    arguments.push_back(folder_.path());
    std::vector<char *> argv;
    for (std::string &argument : arguments)
      argv.push_back(&argument[0]);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = RunCheck(static_cast<int>(argv.size()), argv.data());
    fflush(stdout);
    out = testing::internal::GetCapturedStdout();
    out += testing::internal::GetCapturedStderr();
    return status;
  }
  const ScratchFolder &folder() const { return folder_; }

private:
  ScratchFolder folder_;
};

std::string Joined(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines)
    text += "  " + line + "\n";
  return text;
}

TEST(QmgdistCheck, ASoundDistributionHasNoFinding) {
  Distribution dist;
  EXPECT_EQ(Joined(dist.Findings({"C:\\Games\\Quillmarsh"})), "");
  EXPECT_EQ(dist.Exit({"--strict"}), 0);
}

struct BrokenCase {
  const char *what;
  std::function<void(Distribution &)> breakIt;
  std::string finding; // the start of one line check must print
  int exitStatus;      // without --strict
};

std::string Body(const std::string &from, const std::string &to) {
  std::string body = SoundBody;
  body.replace(body.find(from), from.size(), to);
  return body;
}

TEST(QmgdistCheck, FindsWhatSetupWouldMeet) {
  const std::vector<BrokenCase> cases = {
      {"stale checksum",
       [](Distribution &d) { d.Write("SETUP.CTL", Stamped("#00000000 test\n" + std::string(SoundBody)) + "\n"); },
       "SETUP.CTL:1: error: header checksum does not match: bytes 1 to 8 hold \"", 1},
      {"missing = in a copy", [](Distribution &d) { d.Script(Body("C=UNSETUP", "CUNSETUP")); },
       "SETUP.CTL:5: error: SETUP.EXE shows \"Error: '=' expected at: UNSETUP.EXE=unsetup.\"", 1},
      {"unknown command letter", [](Distribution &d) { d.Script(Body("M=REED", "X=JUNK\nM=REED")); },
       "SETUP.CTL:7: error: SETUP.EXE shows \"Unknown command in SETUP file:", 1},
      {"no version line", [](Distribution &d) { d.Script(Body("V=1.0\n", "")); },
       "SETUP.CTL:3: error: SETUP.EXE shows \"Expected VERSION specification in CTL file:", 1},
      {"block never closed", [](Distribution &d) { d.Script(std::string(SoundBody) + "I=REED.EXE\n{\nD=\\X\n"); },
       "SETUP.CTL:10: error: SETUP.EXE shows \"Expected '}' at:", 1},
      {"title over 127 characters",
       [](Distribution &d) { d.Script(Body("Reed Runner\n", std::string(130, 'R') + "\n")); },
       "SETUP.CTL:2: error: SETUP.EXE shows \"Line too long in SETUP file:", 1},
      {"C source missing", [](Distribution &d) { d.Remove("UNSETUP.EXE"); },
       "SETUP.CTL:5: error: C source UNSETUP.EXE is not in the distribution", 1},
      {"package made with another product's key",
       [](Distribution &d) { d.Write("REED.QPK", Package("02", ZipBuilder().Add("REED.EXE", "MZ"))); },
       "REED.QPK:6: error: does not extract with the key 01 that SETUP.EXE uses: result 9 (not a package under "
       "this key); it was made with the key 02",
       1},
      {"the player's message for that package",
       [](Distribution &d) { d.Write("REED.QPK", Package("02", ZipBuilder().Add("REED.EXE", "MZ"))); },
       "SETUP.CTL:6: error: SETUP.EXE shows \"Error unpacking REED.QPK\"", 1},
      {"U package made with a product key",
       [](Distribution &d) {
         d.Write("EXTRA.QPK", Package("01", ZipBuilder().Add("x.dat", "x")));
         d.Script(std::string(SoundBody) + "U=EXTRA.QPK\n");
       },
       "EXTRA.QPK:8: error: does not extract with the shared key that SETUP.EXE uses: result 9", 1},
      {"a second package missing", [](Distribution &d) { d.Script(std::string(SoundBody) + "Z=MORE.QPK\n"); },
       "SETUP.CTL:8: error: package MORE.QPK is not in the distribution", 1},
      {"a member with a damaged CRC",
       [](Distribution &d) {
         ZipMember bad;
         bad.name = "REED.EXE";
         bad.data = "MZ game";
         bad.crcOverride = 1234;
         d.Write("REED.QPK", Package("01", ZipBuilder().Add(bad)));
       },
       "REED.QPK:6: error: does not extract with the key 01 that SETUP.EXE uses: result 2", 1},
      {"members the installer cannot place, by name",
       [](Distribution &d) {
         // A file stands where the second member needs a folder.
         d.Write("REED.QPK", Package("01", ZipBuilder().Add("REED.EXE", "MZ").Add("REED.EXE/inner.dat", "x")));
       },
       "REED.QPK:6: error: member REED.EXE/inner.dat: the installer cannot place it", 1},
      {"a member name that climbs out",
       [](Distribution &d) {
         d.Write("REED.QPK", Package("01", ZipBuilder().Add("REED.EXE", "MZ").Add("a/../../up.dat", "up")));
       },
       "REED.QPK:6: error: member a/../../up.dat: the installer refuses its name", 1},
      {"shared package with a product key",
       [](Distribution &d) { d.Write("MUSIC.QPK", Package("01", ZipBuilder().Add("theme.mid", "MThd"))); },
       "MUSIC.QPK:0: error: does not extract with the shared key that SETUP.EXE uses: result 9", 1},
      {"malformed section line", [](Distribution &d) { d.Script(std::string(SoundBody) + "L02 Lily\nZ=REED.QPK\n"); },
       "SETUP.CTL:8: error: SETUP.EXE shows \"Error: '=' expected at:", 1},

      {"code outside the alphabet",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "L0I=Odd\nV=1\nF=ODD\nZ=REED.QPK\n"); },
       "SETUP.CTL:8: warning: product \"Odd\" will not be offered: its code \"0I\" has characters outside", 0},
      {"slot of 64 or more",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "L20=Far\nV=1\nF=FAR\nZ=REED.QPK\n"); },
       "SETUP.CTL:8: warning: product \"Far\" will not be offered: its code 20 is slot 64", 0},
      {"no package present",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "L02=Lily\nV=1\nF=LILY\nZ=LILY.QPK\n"); },
       "SETUP.CTL:8: warning: product \"Lily\" will not be offered: none of its Z packages", 0},
      {"S section says nothing",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "S01=Spare\nV=1\nF=SPARE\nZ=REED.QPK\n"); }, "", 0},
      {"two sections with one code",
       [](Distribution &d) {
         d.Script(std::string(SoundBody) + "L01=Reed Again\nV=2\nF=REED2\nC=UNSETUP.EXE=unsetup.exe\nZ=REED.QPK\n");
       },
       "SETUP.CTL:2: warning: product code 01 again at line 8: only the later section is installed", 0},
      {"two products in one folder",
       [](Distribution &d) {
         d.Write("LILY.QPK", Package("02", ZipBuilder().Add("LILY.EXE", "MZ")));
         d.Script(std::string(SoundBody) + "L02=Lily\nV=1\nF=REED\nC=UNSETUP.EXE=unsetup.exe\nZ=LILY.QPK\n");
       },
       "SETUP.CTL:8: warning: product \"Lily\" has the same folder as \"Reed Runner\"", 0},
      {"no uninstaller brought", [](Distribution &d) { d.Script(Body("C=UNSETUP.EXE=unsetup.exe\n", "")); },
       "SETUP.CTL:2: warning: product \"Reed Runner\" brings no unsetup.exe into its folder", 0},
      {"shortcut to nothing", [](Distribution &d) { d.Script(Body("M=REED.EXE", "M=GAME.EXE")); },
       "SETUP.CTL:7: warning: shortcut to C:\\QMG\\REED\\GAME.EXE: no C line or package member", 0},
      {"member names the installer merges",
       [](Distribution &d) {
         d.Write("REED.QPK", Package("01", ZipBuilder().Add("REED.EXE", "MZ").Add("a:b.txt", "1").Add("a?b.txt", "2")));
       },
       "REED.QPK:6: warning: member a?b.txt: the installer names it a_b.txt", 0},
      {"a typo in a section that is not offered",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "L02=Lily\nV=1\nF=LILY\nX=LILY.QPK\n"); },
       "SETUP.CTL:11: error: SETUP.EXE shows \"Unknown command in SETUP file: X=LILY.QPK \" when it installs "
       "\"Lily\" (line 8), a product it does not offer now",
       1},
      {"a mistake after the first one SETUP.EXE stops at",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "Q=1\nI=X\n{\nD=\\Y\n"); },
       "SETUP.CTL:11: error: SETUP.EXE shows \"Expected '}' at: \"", 1},
      {"a mistake in an S section",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "S02=Old\nV=1\nF=O\nE C=A=B\n"); },
       "SETUP.CTL:11: error: SETUP.EXE shows \"Unexpected 'E' (ELSE) at: E C=A=B \" (in the S section at line 8", 1},
      {"a head line missing in a section not offered",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "L02=Lily\nF=LILY\nZ=LILY.QPK\n"); },
       "SETUP.CTL:9: error: SETUP.EXE shows \"Expected VERSION specification in CTL file: F=LILY\"", 1},
      {"an operand that ends in a blank",
       [](Distribution &d) { d.Script(Body("C=UNSETUP.EXE=unsetup.exe", "C=UNSETUP.EXE=unsetup.exe ")); },
       "SETUP.CTL:5: warning: \"unsetup.exe \" ends in a blank: the file name would end in a blank, which "
       "Windows drops",
       0},
      {"a UTF-8 name beyond ASCII",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "C=UNSETUP.EXE=LISEZMOI \xC3\x89.TXT\n"); },
       "SETUP.CTL:8: warning: \"LISEZMOI \xC3\x89.TXT\" holds bytes of 0x80 and above: SETUP.EXE reads them in "
       "the player's ANSI code page, so they name other files on players' PCs with another code page; this "
       "script is UTF-8",
       0},
      {"an 8-bit name beyond ASCII",
       [](Distribution &d) { d.Script(std::string(SoundBody) + "C=UNSETUP.EXE=LISEZMOI \xC9.TXT\n"); },
       "SETUP.CTL:8: warning: \"LISEZMOI \\xC9.TXT\" holds bytes of 0x80 and above: SETUP.EXE reads them in "
       "the player's ANSI code page, so they name other files on players' PCs with another code page",
       0},
      {"a byte-order mark",
       [](Distribution &d) {
         d.Write("SETUP.CTL", "\xEF\xBB\xBF" + Stamped("#00000000 test\n" + std::string(SoundBody)));
       },
       "SETUP.CTL:1: error: the script begins with a UTF-8 byte-order mark (bytes EF BB BF)", 1},
      {"UTF-16 text",
       [](Distribution &d) {
         std::string wide = "\xFF\xFE";
         for (char c : std::string("#00000000 test\n") + SoundBody)
           wide += std::string(1, c) + '\0';
         d.Write("SETUP.CTL", wide);
       },
       "SETUP.CTL:1: error: the script is UTF-16 text (it begins with the byte-order mark FF FE)", 1},
      {"picture missing", [](Distribution &d) { d.Remove("SETUPBK.QBK"); },
       "SETUPBK.QBK:0: warning: no background picture", 0},
      {"picture refused", [](Distribution &d) { d.Write("SETUPBK.QBK", "GIF89a not a bitmap"); },
       "SETUPBK.QBK:0: warning: the picture loader refuses it: not a BMP file", 0},
  };
  for (const BrokenCase &c : cases) {
    SCOPED_TRACE(c.what);
    Distribution dist;
    c.breakIt(dist);
    std::vector<std::string> lines = dist.Findings();
    if (c.finding.empty()) {
      EXPECT_EQ(Joined(lines), "");
    } else {
      bool found = false;
      for (const std::string &line : lines)
        found = found || line.compare(0, c.finding.size(), c.finding) == 0;
      EXPECT_TRUE(found) << "expected: " << c.finding << "\nprinted:\n" << Joined(lines);
    }
    EXPECT_EQ(dist.Exit({}), c.exitStatus) << Joined(lines);
    if (c.exitStatus == 0 && !c.finding.empty())
      EXPECT_EQ(dist.Exit({"--strict"}), 1);
  }
}

// Paths that fit under C:\QMG but not under a long install folder: the
// player with the long folder meets the message, so it is a warning.
TEST(QmgdistCheck, PathsThatPassOnlyForShortFolders) {
  Distribution dist;
  std::string deep = "REED";
  for (int level = 0; level < 4; level++)
    deep += "\\" + std::string(49, 'd');
  dist.Script(Body("F=REED\n", "F=" + deep + "\n"));
  std::string longFolder = "C:\\" + std::string(60, 'g');
  std::vector<std::string> lines = dist.Findings({longFolder});
  ASSERT_FALSE(lines.empty());
  for (const std::string &line : lines)
    EXPECT_NE(line.find("warning: SETUP.EXE shows"), std::string::npos) << line;
  EXPECT_NE(Joined(lines).find("with the install folder " + longFolder + "; it passes only for shorter folders"),
            std::string::npos)
      << Joined(lines);
  EXPECT_EQ(dist.Exit({}), 0);
  EXPECT_EQ(Joined(dist.Findings()), "");

  // A message that every folder gives is an error, and said once.
  dist.Script(Body("M=REED", "X=JUNK\nM=REED"));
  std::string text = Joined(dist.Findings({longFolder}));
  EXPECT_NE(text.find("SETUP.CTL:7: error: SETUP.EXE shows \"Unknown command"), std::string::npos) << text;
  EXPECT_EQ(text.find("passes only for shorter folders"), std::string::npos) << text;
}

// Every finding is reported, not only the first; the distribution is left
// as it was.
TEST(QmgdistCheck, ReportsEveryFindingAndChangesNothing) {
  Distribution dist;
  dist.Remove("SETUPBK.QBK");
  dist.Script(Body("M=REED.EXE", "M=GAME.EXE") + "L0I=Odd\nV=1\nF=ODD\nZ=REED.QPK\n");
  std::string script = ScratchFolder::Read(dist.folder() / "SETUP.CTL");
  std::vector<std::string> before = ScratchFolder::Tree(dist.folder().path());
  std::string text = Joined(dist.Findings());
  for (const char *expected : {"SETUPBK.QBK:0: warning", "SETUP.CTL:7: warning: shortcut", "SETUP.CTL:8: warning"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_EQ(ScratchFolder::Tree(dist.folder().path()), before);
  EXPECT_EQ(ScratchFolder::Read(dist.folder() / "SETUP.CTL"), script);
}

// What check prints: paths as the maker gave them (under --source, the
// files of the source folder), no line for a file no script line names,
// many members of one kind in one line, and the options that choose what is
// printed.
TEST(QmgdistCheck, PrintsFindingsWhereTheMakerEditsThem) {
  Distribution dist;
  ZipBuilder zip;
  zip.Add("REED.EXE", "MZ");
  for (int level = 1; level <= 5; level++)
    zip.Add("levels/level " + std::to_string(level) + ".", "x");
  dist.Write("REED.QPK", Package("01", zip));
  dist.Write("MUSIC.QPK", Package("01", ZipBuilder().Add("theme.mid", "MThd")));
  dist.Remove("SETUPBK.QBK");
  std::string out;
  EXPECT_EQ(dist.Run({"--source", "game/", "--as", "dist"}, out), 1);
  const std::string expected[] = {
      "game/MUSIC/: error: does not extract with the shared key",
      "game/SETUPBK.QBK: warning: no background picture: SETUP.EXE shows a plain dialog [picture]\n",
      "game/SETUP.CTL:6: warning: REED.QPK: 5 members: ends in a dot or a blank, which Windows drops: "
      "levels/level 1., levels/level 2., levels/level 3. and 2 more [member-name]\n",
      "qmgdist check: dist: 2 errors, 2 warnings\n"};
  for (const std::string &line : expected)
    EXPECT_NE(out.find(line), std::string::npos) << line << "\nprinted:\n" << out;
  EXPECT_EQ(out.find(dist.folder().path()), std::string::npos) << out;

  EXPECT_EQ(dist.Run({}, out), 1);
  EXPECT_NE(out.find(dist.folder() / "MUSIC.QPK: error: does not extract"), std::string::npos) << out;
  EXPECT_NE(out.find(dist.folder() / "SETUP.CTL:6: warning: REED.QPK: 5 members"), std::string::npos) << out;

  // One kind silenced; -q leaves the summary out.
  dist.Remove("MUSIC.QPK");
  EXPECT_EQ(dist.Run({"--no-warn=member-name", "-q", "--no-warn", "picture", "--strict"}, out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(dist.Run({"--strict"}, out), 1);
  EXPECT_NE(out.find("2 warnings (--strict: warnings fail)"), std::string::npos) << out;
  EXPECT_EQ(dist.Run({"--no-warn=member-names"}, out), 2);
  EXPECT_NE(out.find("no such kind of warning (did you mean member-name?)"), std::string::npos) << out;
}

TEST(QmgdistCheck, UsageAndFileProblemsExitTwo) {
  Distribution dist;
  EXPECT_EQ(dist.Exit({"--bogus"}), 2);
  EXPECT_EQ(dist.Exit({"--folder", "relative\\path"}), 2);
  dist.Remove("SETUP.CTL");
  EXPECT_EQ(dist.Exit({}), 2);
}

} // namespace
