// qmgdist build over small source folders made here: the same bytes on
// every run, packages under the keys SETUP.EXE uses, OUT folders it must not
// mix into, and the check that decides whether the build succeeds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

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
    ScratchFolder::Write(scratch_ / "SETUP.exe", "MZ installer");
    ScratchFolder::Write(scratch_ / "unsetup.exe", "MZ uninstaller");
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
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "one/UNSETUP.EXE"), "MZ uninstaller");
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
    EXPECT_EQ(ScratchFolder::Tree(scratch_ / "elsewhere"), (std::vector<std::string>{"out/"}));
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
       "SETUP.CTL:9: error: REED.QPK is unpacked with the 02 key here and with the 01 key at line 5", 1},
      {"a copy of a file the source lacks",
       "#00000000\nL01=Reed\nV=1\nF=REED\nC=UNSETUP.EXE=unsetup.exe\nC=GONE.TXT=GONE.TXT\nZ=REED.QPK\n",
       "SETUP.CTL:6: error: C source GONE.TXT is not in the distribution", 1},
      {"a script line SETUP.EXE stops at",
       "#00000000\nL01=Reed\nV=1\nF=REED\nC=UNSETUP.EXE=unsetup.exe\nZ=REED.QPK\nQ=what\n",
       "SETUP.CTL:7: error: SETUP.EXE shows \"Unknown command in SETUP file: Q=what", 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Source(c.script);
    Outcome built = Build(scratch_ / "out", {"--clean"});
    EXPECT_EQ(built.status, c.status);
    EXPECT_NE(built.out.find(c.printed), std::string::npos) << built.out;
  }
}

} // namespace
