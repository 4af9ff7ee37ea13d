// The entry details computed after a product's commands: from the records
// this run wrote, never from the log on disk, and never looking up a path
// outside the product folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "script/entry_details_win.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

const char Entry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QMG Entry Details Test";

DWORD Number(const char *value) {
  DWORD data = 0, size = sizeof data;
  RegGetValueA(HKEY_LOCAL_MACHINE, Entry, value, RRF_RT_REG_DWORD, nullptr, &data, &size);
  return data;
}

std::string Text(const char *value) {
  char data[512] = "";
  DWORD size = sizeof data;
  RegGetValueA(HKEY_LOCAL_MACHINE, Entry, value, RRF_RT_REG_SZ, nullptr, data, &size);
  return data;
}

TEST(EntryDetails, ComeFromThisRunsRecordsInsideTheProductFolder) {
  Win32ScratchFolder scratch("qmg-details-");
  scratch.Folder("GAME");
  scratch.File("GAME\\GAME.EXE", std::string(1500, 'x'));
  scratch.File("GAME\\data.bin", std::string(600, 'y'));
  scratch.File("outside.bin", std::string(100000, 'z'));
  const std::string game = scratch / "GAME";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, Entry, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);

  KeepRecordsForEntryDetails();
  ASSERT_TRUE(OpenUninstallLog((game + "\\unsetup.ctl").c_str()));
  WriteLogRecord('A', "Entry Details Test");
  WriteLogRecord('D', (game + "\\GAME.EXE").c_str());
  WriteLogRecord('D', (game + "\\data.bin").c_str());
  WriteLogRecord('D', (game + "\\DATA.BIN").c_str()); // the same file again
  WriteLogRecord('D', (scratch / "outside.bin").c_str());
  WriteLogRecord('D', "\\\\qmg-no-such-host\\share\\file.bin");
  // Shortcuts: one to a program outside the product folder first, then the
  // product's own.
  NoteShortcutProgram((scratch / "Other.lnk").c_str(), (scratch / "outside.bin").c_str());
  WriteLogRecord('D', (scratch / "Other.lnk").c_str());
  NoteShortcutProgram((scratch / "Game.lnk").c_str(), (game + "\\GAME.EXE").c_str());
  WriteLogRecord('D', (scratch / "Game.lnk").c_str());
  CloseUninstallLog();
  // What someone edits into the log afterwards is not read.
  std::ofstream(game + "\\unsetup.ctl", std::ios::binary | std::ios::app)
      << "D" << scratch / "outside.bin" << '\0' << "D\\\\qmg-no-such-host\\share\\x.lnk" << '\0';

  WriteEntryDetailsAfterCommands("QMG Entry Details Test", game.c_str());
  // GAME.EXE, data.bin once; the log file is none of this run's D records.
  EXPECT_EQ(Number("EstimatedSize"), 3u) << "(1500 + 600) bytes, rounded up to kilobytes";
  EXPECT_EQ(Text("DisplayIcon"), game + "\\GAME.EXE");

  // The records were used up: the next product starts afresh.
  WriteEntryDetailsAfterCommands("QMG Entry Details Test", game.c_str());
  EXPECT_EQ(Number("EstimatedSize"), 0u);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, Entry);
}

} // namespace
