// The Windows half of the removal through an uninstall log: reading the log
// and the file, folder and registry operations that RemoveLoggedItems is
// given. Shared by the installer and the separate uninstaller.
#pragma once

#include <windows.h>

#include <vector>

#include "script/removal_walk.h"

// Reads `folder`\unsetup.ctl whole. False when it is missing, empty, a
// folder, or cannot be opened or read.
bool ReadUninstallLogOf(const char *folder, std::vector<unsigned char> &log);

// What a removal of the product installed in `folder` under `title` may
// touch: that folder and the Start Menu group folder.
RemovalScope RemovalScopeOf(const char *folder, const char *title);

// The platform operations, with entries deleted under `uninstallKey`.
RemovalOperations WindowsRemovalOperations(HKEY uninstallKey);
