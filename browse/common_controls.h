// The common controls (the folder tree and its images), loaded from
// COMCTL32.DLL in the system folder when the browser first opens rather
// than imported: COMCTL32 is not on the KnownDLLs list, so an import would
// be looked for beside SETUP.EXE first (base/system_library_win.h). The
// library loaded is the same classic one an import would give, so the
// dialogs look as they did.
#pragma once

#include <windows.h>
#include <commctrl.h>

struct CommonControls {
  BOOL(WINAPI *initCommonControlsEx)(const INITCOMMONCONTROLSEX *);
  HIMAGELIST(WINAPI *imageListCreate)(int, int, UINT, int, int);
  int(WINAPI *imageListAdd)(HIMAGELIST, HBITMAP, HBITMAP);
  BOOL(WINAPI *imageListDestroy)(HIMAGELIST);
};

// The functions, loaded on the first call; null when the library or one
// of them is missing.
const CommonControls *SystemCommonControls();
