// Entry and exit of SETUP.EXE: finds the distribution folder, measures the
// screen, loads SETUP.CTL whole, runs the main setup dialog and shows the
// completion notice. The exit code is 0 on every path.
#include <windows.h>

#include <cstdio>
#include <new>

#include "app/install_run.h"
#include "base/path_rules.h"
#include "base/scoped_handles.h"
#include "app/setup_dialog.h"
#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "base/user_interface.h"
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
  AttachScript(nullptr, 0);
  snprintf(PathBuffer, sizeof PathBuffer, "%sSETUP.CTL", SourceFolder);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(PathBuffer, &found);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || found.nFileSizeHigh != 0 ||
      found.nFileSizeLow == 0)
    return false;
  DWORD length = found.nFileSizeLow;
  unsigned char *buffer = new (std::nothrow) unsigned char[length];
  if (!buffer)
    return false;
  ScopedFile file(CreateFileA(PathBuffer, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  DWORD read = 0;
  if (!file.valid() || !ReadFile(file.get(), buffer, length, &read, nullptr) || read != length) {
    delete[] buffer;
    return false;
  }
  // The buffer lives until the process ends.
  AttachScript(buffer, length);
  return true;
}

void RepaintScreen() { InvalidateRect(nullptr, nullptr, TRUE); }

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
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
