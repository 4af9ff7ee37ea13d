// The command interpreter against a scratch distribution and product folder
// under Wine: the files made, the uninstall log records in order, the
// messages shown and the result, for a table of small scripts.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/setup_state.h"
#include "package/key_table.h"
#include "script/command_interpreter.h"
#include "script/install_host_win.h"
#include "base/folder_chain.h"
#include "script/script_reader.h"
#include "base/uninstall_log.h"
#include "tests/support/log_records.h"
#include "tests/support/user_interface_recorder.h"
#include "tests/support/zip_builder.h"

namespace {

using Lines = std::vector<std::string>;

class Interpreter : public testing::Test {
protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "qmgi" + std::to_string(GetCurrentProcessId());
    Remove();
    CreateDirectoryA(root_.c_str(), nullptr);
    CreateDirectoryA((root_ + "\\dist").c_str(), nullptr);
    CreateDirectoryA((root_ + "\\QMG").c_str(), nullptr);
    CreateDirectoryA((root_ + "\\QMG\\GAME").c_str(), nullptr);
    snprintf(SourceFolder, sizeof SourceFolder, "%s\\dist\\", root_.c_str());
    snprintf(InstallFolder, sizeof InstallFolder, "%s\\QMG", root_.c_str());
    snprintf(ProductFolder, sizeof ProductFolder, "%s\\QMG\\GAME", root_.c_str());
    strcpy(TargetFolder, ProductFolder);
    strcpy(ProductTitle, "Test Game");
    BuildSharedKeyTable(SharedKeyTable);
    BuildProductKeyTable(1, ProductKeyTable);
    TruncatePendingFolders(0);
    Dist("README.TXT", "read me");
    Dist("NEW.CFG", "new config");
    Dist("GAME.QPK", ZipBuilder::Scrambled(ZipBuilder().Add("data/level.dat", "L1").Build(), ProductKeyTable));
    Dist("SHARED.QPK", ZipBuilder::Scrambled(ZipBuilder().Add("ui.dat", "UI").Build(), SharedKeyTable));
  }
  void TearDown() override {
    CloseUninstallLog();
    TruncatePendingFolders(0);
    Remove();
  }
  void Remove() { system(("cmd /c rmdir /s /q \"" + root_ + "\" >nul 2>&1").c_str()); }

  void Dist(const std::string &name, const std::string &bytes) {
    std::ofstream(root_ + "\\dist\\" + name, std::ios::binary) << bytes;
  }
  void Installed(const std::string &relative, const std::string &bytes) {
    std::ofstream(root_ + "\\QMG\\GAME\\" + relative, std::ios::binary) << bytes;
  }
  bool Exists(const std::string &relative) const {
    return GetFileAttributesA((root_ + "\\QMG\\GAME\\" + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  // Runs the commands of `script` as the driver does, with the log open;
  // returns whether the section ran to its end.
  bool Run(const std::string &script) {
    script_ = script;
    AttachScript(reinterpret_cast<const unsigned char *>(script_.data()), static_cast<uint32_t>(script_.size()));
    ResetUserInterfaceRecord();
    EXPECT_TRUE(OpenUninstallLog((root_ + "\\log.ctl").c_str()));
    bool completed = true;
    while (completed && SkipBlanks() && PeekUpper() != 'L' && PeekUpper() != 'S')
      completed = RunCommand(RunCarryOut, WindowsInstallHost());
    CloseUninstallLog();
    return completed;
  }
  // The log's records, with the scratch folder written as "~".
  Lines Records() const {
    std::ifstream in(root_ + "\\log.ctl", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return LogRecordsOf(bytes.str(), root_);
  }

  Lines Messages() const { return RecordedUserInterface().messages; }

  std::string root_, script_;
};

TEST_F(Interpreter, CopyDeleteAndUnpack) {
  Installed("OLD.CFG", "old");
  EXPECT_TRUE(Run("C=README.TXT=README.TXT\n"
                  "c=NEW.CFG=conf\\NEW=.CFG\n" // the second operand may hold "="; conf is missing
                  "D=\\OLD.CFG\n"
                  "Z=GAME.QPK\n"
                  "U=SHARED.QPK\n"
                  "C=MISSING.TXT=MISSING.TXT\n"));
  EXPECT_TRUE(Exists("README.TXT"));
  EXPECT_FALSE(Exists("OLD.CFG"));
  EXPECT_TRUE(Exists("data\\level.dat"));
  EXPECT_TRUE(Exists("ui.dat"));
  EXPECT_FALSE(Exists("MISSING.TXT"));
  EXPECT_EQ(Records(), (Lines{"D~\\QMG\\GAME\\README.TXT", "D~\\QMG\\GAME\\conf\\NEW=.CFG",
                              "F~\\QMG\\GAME/data", "D~\\QMG\\GAME\\data\\level.dat", "D~\\QMG\\GAME\\ui.dat",
                              "D~\\QMG\\GAME\\MISSING.TXT"}));
  EXPECT_EQ(Messages(), Lines{});
}

TEST_F(Interpreter, FolderCommandsMoveTheTargetAndLogThePendingFolders) {
  EXPECT_TRUE(Run("F=data\\sound\n"
                  "C=README.TXT=a.txt\n"
                  "I=nothing.here\n"
                  "{\n"
                  "F=skipped\n"
                  "}\n"
                  "C=README.TXT=b.txt\n"));
  EXPECT_TRUE(Exists("data\\sound\\a.txt"));
  EXPECT_FALSE(Exists("skipped"));
  // The skipped F moved the target all the same: the copy fails there,
  // silently, after writing its record.
  EXPECT_EQ(Records(), (Lines{"F~\\QMG\\GAME\\data", "F~\\QMG\\GAME\\data\\sound",
                              "D~\\QMG\\GAME\\data\\sound\\a.txt", "D~\\QMG\\GAME\\skipped\\b.txt"}));
}

TEST_F(Interpreter, ConditionsElsePartsAndBlocks) {
  Installed("HAVE.CFG", "x");
  CreateDirectoryA((root_ + "\\QMG\\GAME\\HAVEDIR").c_str(), nullptr);
  struct Case {
    const char *why;
    const char *script;
    Lines copied; // destination names, in order
    bool completed;
    const char *message;
  } cases[] = {
      {"missing file: single command dropped, else runs", "I=NONE\nC=README.TXT=then.txt\nE C=README.TXT=else.txt\n",
       {"else.txt"}, true, nullptr},
      {"existing file: then runs, else block skipped",
       "I=HAVE.CFG\nC=README.TXT=then.txt\nE {\nC=README.TXT=else.txt\n}\nC=README.TXT=after.txt\n",
       {"then.txt", "after.txt"}, true, nullptr},
      {"a folder satisfies the condition", "I=HAVEDIR\n{\nC=README.TXT=then.txt\n}\ne\n{\nC=README.TXT=else.txt\n}\n",
       {"then.txt"}, true, nullptr},
      {"else on the line after the block", "I=NONE\n{ C=README.TXT=no.txt\n}\nE\nC=README.TXT=yes.txt\n",
       {"yes.txt"}, true, nullptr},
      {"nested conditions inside blocks",
       "I=HAVE.CFG\n{\nI=NONE\n{\nC=README.TXT=no.txt\n}\nE {\nI=HAVEDIR\nC=README.TXT=deep.txt\n}\n}\n",
       {"deep.txt"}, true, nullptr},
      {"ELSE spelt out and passed over", "I=HAVE.CFG\nC=README.TXT=then.txt\nELSE C=README.TXT=x.txt\n",
       {"then.txt"}, true, nullptr},
      {"ELSE spelt out and run", "I=NONE\nC=README.TXT=then.txt\nELSE C=README.TXT=x.txt\n", {}, false,
       "Unknown command in SETUP file:\nLSE C=README.TXT=x.t"},
      {"a nested I must sit in a block to be passed over", "I=NONE\nI=HAVE.CFG\n{\nC=README.TXT=x.txt\n}\n", {},
       false, "Unknown command in SETUP file:\n{\nC=README.TXT=x.txt"},
      {"E as a first command", "E C=README.TXT=x.txt\n", {}, false, "Unexpected 'E' (ELSE) at:\nE C=README.TXT=x.txt"},
      {"E after a copy", "C=README.TXT=a.txt\nE C=README.TXT=x.txt\n", {"a.txt"}, false,
       "Unexpected 'E' (ELSE) at:\nE C=README.TXT=x.txt"},
      {"unclosed block at the end", "I=HAVE.CFG\n{\nC=README.TXT=a.txt\n", {"a.txt"}, false, "Expected '}' at:\n"},
      {"unclosed block at a section line", "I=HAVE.CFG\n{\nC=README.TXT=a.txt\nL02=Next\n", {"a.txt"}, false,
       "Expected '}' at:\nL02=Next\n"},
      {"remarks after braces", "I=HAVE.CFG\n{ # then\nC=README.TXT=a.txt\n} # done\n", {"a.txt"}, true, nullptr},
      {"stray brace", "}\n", {}, false, "Unknown command in SETUP file:\n}\n"},
      {"copy without its separator", "C=README.TXT\n", {}, false,
       "Expected '=' separating file names in Copy at:\nC=README.TXT"},
      {"shortcut without its separator", "M=GAME.EXE\n", {}, false,
       "Expected '=' separating EXE name from title in M at:\nM=GAME.EXE"},
      {"a blank before =", "C =README.TXT=a.txt\n", {}, false, "Error: '=' expected at:\n =README.TXT=a.txt\n"},
      {"failing unpack", "Z=NOPE.QPK\n", {}, false, "Error unpacking NOPE.QPK"},
      {"a package under the wrong table", "U=GAME.QPK\n", {}, false, "Error unpacking GAME.QPK"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Run(c.script), c.completed);
    const std::string prefix = "D~\\QMG\\GAME\\";
    Lines copied;
    for (const std::string &record : Records())
      if (record.compare(0, prefix.size(), prefix) == 0 && record.find("README") == std::string::npos)
        copied.push_back(record.substr(prefix.size()));
    EXPECT_EQ(copied, c.copied);
    EXPECT_EQ(Messages(), c.message ? Lines{c.message} : Lines{});
    for (const std::string &name : copied)
      DeleteFileA((root_ + "\\QMG\\GAME\\" + name).c_str());
  }
}

TEST_F(Interpreter, ShortcutsGoIntoTheGroupAndAreLogged) {
  CoInitialize(nullptr); // as SETUP.EXE does at start-up
  EXPECT_TRUE(Run("M=GAME.EXE=Test Game\nM=GAME.EXE=\n"));
  char programs[MAX_PATH];
  DWORD size = sizeof programs;
  RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
               "Common Programs", RRF_RT_REG_SZ, nullptr, programs, &size);
  std::string group = std::string(programs) + "\\Quillmarsh Games";
  EXPECT_NE(GetFileAttributesA((group + "\\Test Game.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((group + "\\.lnk").c_str()), INVALID_FILE_ATTRIBUTES) << "an empty title";
  Lines records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], "D" + group + "\\Test Game.lnk");
  EXPECT_EQ(records[1], "D" + group + "\\.lnk");
  // The group folder waits in the pending list for the next F command.
  ASSERT_FALSE(PendingFolders().empty());
  EXPECT_EQ(PendingFolders().back(), group);
  DeleteFileA((group + "\\Test Game.lnk").c_str());
  DeleteFileA((group + "\\.lnk").c_str());
}

TEST_F(Interpreter, NestingDeeperThanTheLimitIsAScriptErrorNotAStackOverflow) {
  Installed("HAVE.CFG", "x");
  auto nested = [](const char *condition, int levels, bool blocks) {
    std::string script;
    for (int i = 0; i < levels; i++)
      script += std::string("I=") + condition + (blocks ? "\n{\n" : "\n");
    script += "C=README.TXT=deep.txt\n";
    for (int i = 0; blocks && i < levels; i++)
      script += "}\n";
    return script;
  };
  EXPECT_TRUE(Run(nested("HAVE.CFG", NestingLimit, true)));
  EXPECT_EQ(Messages(), Lines{});
  EXPECT_TRUE(Exists("deep.txt"));
  DeleteFileA((root_ + "\\QMG\\GAME\\deep.txt").c_str());

  struct Case {
    const char *why;
    std::string script;
    const char *message;
  } cases[] = {
      {"one level past the limit", nested("HAVE.CFG", NestingLimit + 1, true),
       "Blocks nested too deeply in SETUP file:\nI=HAVE.CFG\n{\nC=READM"},
      {"ten thousand levels", nested("HAVE.CFG", 10000, true),
       "Blocks nested too deeply in SETUP file:\nI=HAVE.CFG\n{\nI=HAVE."},
      {"ten thousand levels passed over", nested("NONE", 10000, true),
       "Blocks nested too deeply in SETUP file:\nI=NONE\n{\nI=NONE\n{\nI="},
      {"ten thousand conditions without blocks", nested("HAVE.CFG", 10000, false),
       "Blocks nested too deeply in SETUP file:\nI=HAVE.CFG\nI=HAVE.CF"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_FALSE(Run(c.script));
    EXPECT_EQ(Messages(), Lines{c.message});
    EXPECT_FALSE(Exists("deep.txt"));
  }
  // The depth is counted afresh: a shallow script runs after the refused ones.
  EXPECT_TRUE(Run(nested("HAVE.CFG", 2, true)));
  EXPECT_TRUE(Exists("deep.txt"));
}

TEST_F(Interpreter, OverlongPathsAreRefusedNotCut) {
  std::string name(500, 'n');
  EXPECT_FALSE(Run("C=README.TXT=" + name + "\n"));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].substr(0, 15), "Path too long:\n");
  EXPECT_EQ(Records(), Lines{});
  EXPECT_FALSE(Run("D=" + std::string(600, 'x') + "\n"));
  EXPECT_EQ(Messages()[0].substr(0, 29), "Line too long in SETUP file:\n");
}

} // namespace
