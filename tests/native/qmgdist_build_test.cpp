// qmgdist build over small source folders made here: the same bytes on
// every run, packages under the keys SETUP.EXE uses, OUT folders it must not
// mix into, and the check that decides whether the build succeeds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/pe_builder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/shell_command.h"

namespace {

struct Outcome {
  int status;
  std::string out;
};

class QmgdistBuild : public testing::Test {
protected:
  void SetUp() override {
    ScratchFolder::Write(scratch_ / "SETUP.exe", pe_builder::ProjectProgram("SETUP.EXE"));
    ScratchFolder::Write(scratch_ / "unsetup.exe", pe_builder::ProjectProgram("unsetup.exe"));
    Source("#00000000 source\n"
           "L01=Reed Runner\nV=1.0\nF=REED\nC=UNSETUP.EXE=unsetup.exe\nC=README.TXT=README.TXT\n"
           "Z=REED.QPK\nM=REED.EXE=Reed Runner\n"
           "L02=Lily Links\nV=2\nF=LILY\nC=UNSETUP.EXE=unsetup.exe\nZ=LILY.QPK\nU=SHARED.QPK\n");
    Put(source() + "/README.TXT", "read me");
    Put(source() + "/REED/REED.EXE", "MZ reed");
    Put(source() + "/REED/levels/one.dat", "level one");
    Put(source() + "/LILY/LILY.EXE", "MZ lily");
    Put(source() + "/SHARED/common.dat", "shared");
    Put(source() + "/MUSIC/theme.mid", "MThd");
  }
  std::string source() const { return scratch_ / "source"; }
  // Writes a file, making the folders on its way.
  static void Put(const std::string &path, const std::string &bytes) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
      mkdir(path.substr(0, slash).c_str(), 0755);
    ScratchFolder::Write(path, bytes);
  }
  void Source(const std::string &script) { Put(source() + "/SETUP.CTL", script); }

  Outcome Run(const std::vector<std::string> &arguments) {
    Outcome outcome;
    outcome.status = RunShellCommand(ShellCommand(QMGDIST_PATH, arguments) + " 2>&1", outcome.out);
    return outcome;
  }
  Outcome Build(const std::string &out, const std::vector<std::string> &options = {}) {
    std::vector<std::string> arguments = {"build", "--setup", scratch_ / "SETUP.exe", "--uninstaller",
                                          scratch_ / "unsetup.exe"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(source());
    arguments.push_back(out);
    return Run(arguments);
  }
  // Every file of a folder with its bytes.
  std::vector<std::string> Contents(const std::string &folder) {
    std::vector<std::string> contents;
    for (const std::string &name : ScratchFolder::Tree(folder))
      contents.push_back(name + "\n" + (name.back() == '/' ? "" : ScratchFolder::Read(folder + "/" + name)));
    return contents;
  }

  ScratchFolder scratch_;
};

TEST_F(QmgdistBuild, MakesTheSameDistributionEveryTime) {
  Outcome first = Build(scratch_ / "one");
  ASSERT_EQ(first.status, 0) << first.out;
  EXPECT_NE(first.out.find("qmgdist check: " + scratch_ / "one" + ": 0 errors, 1 warning"), std::string::npos)
      << first.out;
  ASSERT_EQ(Build(scratch_ / "two").status, 0);
  EXPECT_EQ(Contents(scratch_ / "one"), Contents(scratch_ / "two"));
  // Into its own folder again, without --clean.
  ASSERT_EQ(Build(scratch_ / "one").status, 0);
  EXPECT_EQ(Contents(scratch_ / "one"), Contents(scratch_ / "two"));

  EXPECT_EQ(ScratchFolder::Tree(scratch_ / "one"),
            (std::vector<std::string>{"LILY.QPK", "MUSIC.QPK", "README.TXT", "REED.QPK", "SETUP.CTL", "SETUP.EXE",
                                      "SHARED.QPK", "UNSETUP.EXE"}));
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "one/UNSETUP.EXE"), pe_builder::ProjectProgram("unsetup.exe"));
  EXPECT_EQ(Run({"verify", scratch_ / "one/SETUP.CTL"}).status, 0);
  // Each package under the key SETUP.EXE unpacks it with.
  struct Keyed {
    const char *package, *key;
  };
  for (const Keyed &keyed : {Keyed{"REED.QPK", "01"}, Keyed{"LILY.QPK", "02"}, Keyed{"SHARED.QPK", "shared"},
                             Keyed{"MUSIC.QPK", "shared"}}) {
    SCOPED_TRACE(keyed.package);
    Outcome extracted = Run({"extract", "--key", keyed.key, scratch_ / "one" + "/" + keyed.package,
                             scratch_ / (std::string("x-") + keyed.package)});
    EXPECT_EQ(extracted.status, 0) << extracted.out;
  }
}

TEST_F(QmgdistBuild, RefusesToMixIntoAForeignFolder) {
  Put(scratch_ / "out/NOTES.TXT", "the maker's notes");
  Outcome refused = Build(scratch_ / "out");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.out.find("NOTES.TXT, which this build does not make; use --clean"), std::string::npos)
      << refused.out;
  EXPECT_EQ(ScratchFolder::Tree(scratch_ / "out"), (std::vector<std::string>{"NOTES.TXT"}));

  // --clean empties a distribution, never another folder.
  EXPECT_EQ(Build(scratch_ / "out", {"--clean"}).status, 2);
  EXPECT_EQ(ScratchFolder::Tree(scratch_ / "out"), (std::vector<std::string>{"NOTES.TXT"}));
  Put(scratch_ / "out/SETUP.CTL", "#00000000 an older build\n");
  Outcome cleaned = Build(scratch_ / "out", {"--clean"});
  EXPECT_EQ(cleaned.status, 0) << cleaned.out;
  EXPECT_FALSE(ScratchFolder::Exists(scratch_ / "out/NOTES.TXT"));

  EXPECT_EQ(Build(source() + "/dist").status, 2);
  // Names that would lead out of OUT are refused before anything is written.
  mkdir((scratch_ / "elsewhere").c_str(), 0755);
  for (const char *line : {"C=..\\..\\NOTES.TXT=N.TXT", "Z=../UP.QPK", "C=/etc/hostname=H"}) {
    SCOPED_TRACE(line);
    Source(std::string("#00000000\nL01=Reed\nV=1\nF=REED\n") + line + "\nZ=REED.QPK\n");
    EXPECT_EQ(Build(scratch_ / "elsewhere/out", {"--clean"}).status, 2);
    EXPECT_EQ(ScratchFolder::Tree(scratch_ / "elsewhere"), std::vector<std::string>{});
  }
  EXPECT_FALSE(ScratchFolder::Exists(source() + "/dist"));
}

TEST_F(QmgdistBuild, FailsWhereSetupWould) {
  struct Case {
    const char *what;
    std::string script;
    std::string printed;
    int status;
  };
  const std::vector<Case> cases = {
      {"a package that two keys would unpack",
       "#00000000\nL01=Reed\nV=1\nF=REED\nZ=REED.QPK\nL02=Lily\nV=1\nF=LILY\nZ=REED.QPK\n",
       "/source/SETUP.CTL:9: error: REED.QPK is unpacked with the 02 key here and with the 01 key at line 5", 1},
      {"a copy of a file the source lacks",
       "#00000000\nL01=Reed\nV=1\nF=REED\nC=UNSETUP.EXE=unsetup.exe\nC=GONE.TXT=GONE.TXT\nZ=REED.QPK\n",
       "/source/SETUP.CTL:6: error: C source GONE.TXT is not in the distribution", 1},
      {"a script line SETUP.EXE stops at",
       "#00000000\nL01=Reed\nV=1\nF=REED\nC=UNSETUP.EXE=unsetup.exe\nZ=REED.QPK\nQ=what\n",
       "/source/SETUP.CTL:7: error: SETUP.EXE shows \"Unknown command in SETUP file: Q=what", 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Source(c.script);
    Outcome built = Build(scratch_ / "out", {"--clean"});
    EXPECT_EQ(built.status, c.status);
    EXPECT_NE(built.out.find(c.printed), std::string::npos) << built.out;
  }
}

// A build that fails leaves OUT as it was, whether it fails before packing
// (the script) or after (check), and leaves no staging folder behind.
TEST_F(QmgdistBuild, AFailedBuildLeavesOutAsItWas) {
  ASSERT_EQ(Build(scratch_ / "out").status, 0);
  std::vector<std::string> before = Contents(scratch_ / "out");
  std::vector<std::string> siblings = ScratchFolder::Tree(scratch_.path());
  std::string script = ScratchFolder::Read(source() + "/SETUP.CTL");
  struct Case {
    const char *what;
    std::string script;
    std::vector<std::string> options;
    std::string printed;
  };
  const std::vector<Case> cases = {
      {"a byte-order mark",
       "\xEF\xBB\xBF" + script,
       {},
       "/source/SETUP.CTL:1: error: the script begins with a UTF-8 byte-order mark"},
      {"no header",
       "L01=Reed\nV=1\nF=REED\nZ=REED.QPK\n",
       {},
       "/source/SETUP.CTL:1: error: the first line must hold at least 9 characters"},
      {"a script error in a section not offered",
       script + "L03=Heron\nV=1\nF=HERON\nX=HERON.QPK\n",
       {},
       "/source/SETUP.CTL:18: error: SETUP.EXE shows \"Unknown command in SETUP file: X=HERON.QPK"},
      {"a file to copy missing",
       script + "C=GONE.TXT=GONE.TXT\n",
       {},
       "/source/SETUP.CTL:15: error: C source GONE.TXT is not in the distribution"},
      {"a warning under --strict", script, {"--strict"}, "(--strict: warnings fail)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Source(c.script);
    Outcome built = Build(scratch_ / "out", c.options);
    EXPECT_EQ(built.status, 1);
    std::string printed = c.printed[0] == '/' ? scratch_.path() + c.printed : c.printed;
    EXPECT_NE(built.out.find(printed), std::string::npos) << built.out;
    EXPECT_NE(built.out.find("the build failed; the folder is left as it was"), std::string::npos) << built.out;
    EXPECT_EQ(Contents(scratch_ / "out"), before);
    EXPECT_EQ(ScratchFolder::Tree(scratch_.path()), siblings);
  }
  Source(script);
  Outcome quiet = Build(scratch_ / "out", {"--strict", "--no-warn=picture"});
  EXPECT_EQ(quiet.status, 0) << quiet.out;
}

// SETUP.EXE and the uninstaller must be the project's i686 programs.
TEST_F(QmgdistBuild, TakesOnlyTheProjectsPrograms) {
  struct Case {
    const char *what;
    std::string setup;
    std::string printed;
  };
  const std::vector<Case> cases = {
      {"a text file", "Read me first", "not a Windows program (it begins \"Read me first\")"},
      {"the x86_64 twin", pe_builder::ProjectProgram("SETUP.EXE", 0x8664), "a Windows program for x86_64"},
      {"another program", pe_builder::Program(0x14C, {{"CompanyName", "Someone Else"}}),
       "a Windows program for i686, but not one of Quillmarsh Games (its version information names \"Someone Else\")"},
      {"no version information", pe_builder::Program(0x14C, {}),
       "a Windows program for i686, but not one of Quillmarsh Games (its version information names no company)"},
      {"the uninstaller", pe_builder::ProjectProgram("unsetup.exe"), "the project's unsetup.exe, not SETUP.EXE"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder::Write(scratch_ / "SETUP.exe", c.setup);
    Outcome built = Build(scratch_ / "out");
    EXPECT_EQ(built.status, 2);
    EXPECT_NE(built.out.find(scratch_ / "SETUP.exe: " + c.printed), std::string::npos) << built.out;
    EXPECT_NE(built.out.find("(given as --setup)"), std::string::npos) << built.out;
    EXPECT_FALSE(ScratchFolder::Exists(scratch_ / "out"));
  }
  // Tests of the x86_64 twin build its distribution on purpose.
  ScratchFolder::Write(scratch_ / "SETUP.exe", pe_builder::ProjectProgram("SETUP.EXE", 0x8664));
  ScratchFolder::Write(scratch_ / "unsetup.exe", pe_builder::ProjectProgram("unsetup.exe", 0x8664));
  Outcome twin = Build(scratch_ / "out", {"--x86_64"});
  EXPECT_EQ(twin.status, 0) << twin.out;
  ScratchFolder::Write(scratch_ / "SETUP.exe", pe_builder::ProjectProgram("SETUP.EXE"));
  Outcome mixed = Build(scratch_ / "out", {"--x86_64"});
  EXPECT_EQ(mixed.status, 2);
  EXPECT_NE(mixed.out.find("SETUP.exe: a Windows program for i686; SETUP.EXE is taken as the x86_64 twin here"),
            std::string::npos)
      << mixed.out;
}

// A package folder named in another case is a mistake with a hint, not a
// package silently left out.
TEST_F(QmgdistBuild, NamesAPackageFolderInAnotherCase) {
  rename((source() + "/LILY").c_str(), (source() + "/Lily").c_str());
  Outcome built = Build(scratch_ / "out");
  EXPECT_EQ(built.status, 1);
  EXPECT_NE(built.out.find(source() + "/SETUP.CTL:13: error: LILY.QPK: no folder " + source() +
                           "/LILY/ to pack it from; did you mean " + source() + "/Lily/?"),
            std::string::npos)
      << built.out;
  EXPECT_FALSE(ScratchFolder::Exists(scratch_ / "out"));
}

} // namespace

// On a terminal, build shows each package's progress under its name in OUT,
// never the staging folder it is really written to; -q shows findings only.
TEST_F(QmgdistBuild, ProgressNamesThePackagesInOut) {
  std::string out = scratch_ / "dist";
  std::vector<std::string> arguments = {"build", "--setup", scratch_ / "SETUP.exe", "--uninstaller",
                                        scratch_ / "unsetup.exe", source(), out};
  std::string shown;
  std::string command = ShellCommand(QMGDIST_PATH, arguments);
  RunShellCommand("script -qec " + ShellQuote(command) + " /dev/null", shown);
  EXPECT_NE(shown.find("\r" + out + "/REED.QPK: 2 of 2 files"), std::string::npos) << shown;
  EXPECT_EQ(shown.find(".building"), std::string::npos) << shown;

  arguments.insert(arguments.begin() + 1, "-q");
  std::string quiet;
  RunShellCommand("script -qec " + ShellQuote(ShellCommand(QMGDIST_PATH, arguments)) + " /dev/null", quiet);
  EXPECT_EQ(quiet.find(" files, "), std::string::npos) << quiet;
}
