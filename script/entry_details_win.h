// The values of a product's Uninstall entry that the list of installed
// programs shows, beyond the four the installer itself reads back. They are
// written after those four and never change them; a value that cannot be
// written is left out in silence, since the product works without it. The
// removal of an installed version ignores them and deletes the entry whole.
#pragma once

#include <windows.h>

// Publisher, DisplayVersion, InstallLocation (the product folder),
// DisplayIcon (the uninstaller in the product folder, until the product's
// commands have made a shortcut), NoModify and NoRepair into the open entry.
void WriteEntryDetails(HKEY entry, const char *productFolder, const char *version);

// After the product's commands ran, from its log in `productFolder`:
// EstimatedSize, the kilobytes of the files its D records name (each file
// once), and, when a shortcut was made, DisplayIcon naming the program of
// the first shortcut.
void WriteEntryDetailsAfterCommands(const char *entryName, const char *productFolder);
