// The Windows half of the removal through an uninstall log: the file,
// folder and registry operations that RemoveLoggedItems is given. Shared by
// the installer and the separate uninstaller.
#pragma once

#include <windows.h>

#include "script/removal_walk.h"

// What a removal of the product installed in `folder` under `title` may
// touch: that folder and the Start Menu group folder under this machine's
// Programs folder.
RemovalScope RemovalScopeOf(const char *folder, const char *title);

// The platform operations, with entries deleted under `uninstallKey`.
RemovalOperations WindowsRemovalOperations(HKEY uninstallKey);
