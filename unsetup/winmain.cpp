// unsetup.exe: the uninstaller every Uninstall entry of the installer names.
// It takes no arguments; the one argument it knows is internal, given to the
// copy of itself that removes the program file after the end.
#include <windows.h>

#include "base/system_library_win.h"
#include "unsetup/self_removal_win.h"
#include "unsetup/uninstall_run_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchToSystemFolder();
  if (FinishSelfRemovalIfAsked())
    return 0;
  return RunUninstall();
}
