// Entry and exit of SETUP.EXE: finds the distribution folder, measures the
// screen, loads SETUP.CTL whole, runs the main setup dialog and shows the
// completion notice. The exit code is 0 on every path.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "app/install_run.h"
#include "app/setup_dialog.h"
#include "base/path_rules.h"
#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "base/system_library_win.h"
#include "base/user_interface.h"
#include "base/whole_file.h"
#include "resources/resource_ids.h"
#include "script/script_reader.h"

namespace {

// False when the program's own path does not fit a path buffer: cut
// short, it would name one of the distribution folder's parents, and the
// script found there would be another distribution's.
bool FindSourceFolder() {
  char module[PathCapacity];
  DWORD length = GetModuleFileNameA(AppInstance, module, PathCapacity - 1);
  if (length == 0 || length >= PathCapacity - 1)
    return false;
  module[length] = '\0';
  SourceFolderFromModulePath(module, SourceFolder, sizeof SourceFolder);
  return true;
}

// Loads SETUP.CTL into ScriptBuffer. A script that is missing, a folder,
// empty, unopenable, unreadable in full, or too large to hold counts as no
// script at all.
bool LoadScript() {
  // The script lives until the process ends.
  static std::vector<unsigned char> script;
  AttachScript(nullptr, 0);
  snprintf(PathBuffer, sizeof PathBuffer, "%sSETUP.CTL", SourceFolder);
  if (!ReadWholeFile(PathBuffer, script))
    return false;
  AttachScript(script.data(), static_cast<uint32_t>(script.size()));
  return true;
}

void RepaintScreen() { InvalidateRect(nullptr, nullptr, TRUE); }

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictDllSearchToSystemFolder();
  CoInitialize(nullptr);
  AppInstance = instance;
  bool sourceFound = FindSourceFolder();
  MeasureScreenAndCreatePalette();
  if (!sourceFound || !LoadScript()) {
    ShowMessage("CTL error, nothing to do.");
    return 0;
  }
  INT_PTR result = DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDlgProc, 0);
  if (result == 2)
    SetupAborted = true;
  RepaintScreen();
  if (!SetupAborted)
    ShowCompletionNotice();
  RepaintScreen();
  return 0;
}
