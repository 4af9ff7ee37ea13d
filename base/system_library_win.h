// Where the programs load DLLs from. SETUP.EXE and unsetup.exe run as
// administrator from folders that other users can write (a Downloads
// folder, a product folder), and Windows looks for a DLL in the program's
// own folder first: a DLL planted there would run with the administrator's
// rights. So the programs import at load time only DLLs on the system's
// KnownDLLs list (always taken from the system folder), restrict every
// later load to the system folder as their first act, and load any other
// DLL they need by its full path in the system folder.
#pragma once

#include <windows.h>

// Makes the system folder the only place this process's later DLL loads
// search, its own calls and those of the system DLLs alike
// (SetDefaultDllDirectories). Where the system lacks that call (Windows
// Vista, and Windows 7 without its update), at least the current folder is
// taken out of the search. Call it first, before anything else runs.
void RestrictDllSearchToSystemFolder();

// The function `name` of the DLL `dll` in the system folder, loaded by its
// full path there and kept loaded; null when either cannot be found.
FARPROC SystemDllProcedure(const wchar_t *dll, const char *name);
