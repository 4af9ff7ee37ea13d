// Where the Start Menu's Programs folder is: the Shell Folders key's
// "Common Programs" (HKEY_LOCAL_MACHINE) on Windows 5 and later, "Programs"
// (HKEY_CURRENT_USER) before.
#pragma once

#include <cstddef>

#include "shell/start_menu.h"

// Leaves the folder in `folder`, or "" when it cannot be found. False only
// when the platform is too old to have one.
bool GetProgramsFolder(char *folder, size_t capacity);
