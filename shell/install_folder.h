// The remembered install folder: HKEY_LOCAL_MACHINE\Software\QuillmarshGames,
// value "DefaultInstallPath" (REG_SZ). Neither call reports failure.
#pragma once

extern const char DefaultInstallFolder[];

// Leaves the remembered folder in InstallFolder, or C:\QMG when there is
// none, when the registry cannot be reached, or when the stored value is not
// a proper string that fits the buffer. Creates the key if it is missing.
void LoadInstallFolder();

// Stores InstallFolder as the remembered folder.
void SaveInstallFolder();
