// The command interpreter against a scratch distribution and product folder
// under Wine, for what needs Windows' files and shell: the files made, the
// uninstall log records in order, the messages shown and the result. Its
// handling of scripts is tested natively, on the dry machine.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/folder_chain.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "package/key_table.h"
#include "script/command_interpreter.h"
#include "script/install_host_win.h"
#include "script/script_reader.h"
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

TEST_F(Interpreter, ShortcutsGoIntoTheGroupAndAreLogged) {
  CoInitialize(nullptr); // as SETUP.EXE does at start-up
  char programs[MAX_PATH];
  DWORD size = sizeof programs;
  RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
               "Common Programs", RRF_RT_REG_SZ, nullptr, programs, &size);
  std::string group = std::string(programs) + "\\Quillmarsh Games";
  RemoveDirectoryA(group.c_str()); // when another test left it empty
  bool groupThere = GetFileAttributesA(group.c_str()) != INVALID_FILE_ATTRIBUTES;
  EXPECT_TRUE(Run("M=GAME.EXE=Test Game\nM=GAME.EXE=\n"));
  EXPECT_NE(GetFileAttributesA((group + "\\Test Game.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((group + "\\.lnk").c_str()), INVALID_FILE_ATTRIBUTES) << "an empty title";
  Lines records = Records();
  // A group folder made now is recorded before the shortcuts in it; one
  // that was there waits in the pending list for the next F command.
  Lines expected{"D" + group + "\\Test Game.lnk", "D" + group + "\\.lnk"};
  if (!groupThere)
    expected.insert(expected.begin(), "F" + group);
  EXPECT_EQ(records, expected);
  if (groupThere) {
    ASSERT_FALSE(PendingFolders().empty());
    EXPECT_EQ(PendingFolders().back(), group);
  }
  DeleteFileA((group + "\\Test Game.lnk").c_str());
  DeleteFileA((group + "\\.lnk").c_str());
}

} // namespace
