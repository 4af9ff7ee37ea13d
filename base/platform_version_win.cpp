#include "base/platform_version_win.h"

#include <windows.h>

// GetVersion's low word holds the major version in its low byte and the
// minor version in its high byte; the gate compares the word as it is.
bool RegistryUsable() { return (GetVersion() & 0xFFFF) > 3; }

bool ProgramsFolderIsPerUser() { return (GetVersion() & 0xFF) <= 4; }
