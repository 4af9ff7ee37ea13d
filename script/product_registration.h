// The product's entry under the Uninstall key of HKEY_LOCAL_MACHINE
// (Software\Microsoft\Windows\CurrentVersion\Uninstall), named
// "QMG <title>" (or "QMG <title>_n", n from 2 to 98), with the values
// DisplayName, UninstallString, Folder and Version.
#pragma once

#include <string>

#include "script/install_host.h"

// The first of the two steps of registering ProductTitle, taken before
// its product folder and log are made: removes earlier installations of
// the product (asking first when another version lies in ProductFolder;
// an install of the same version there that did not finish is replaced
// keeping the player's data, like an older one), then an unregistered one
// whose log lies in ProductFolder, and chooses the new entry's name. False
// when the user declined, every name is taken (reported), or the registry
// is out of reach (silent).
bool PrepareProductEntry(const InstallHost &host, std::string &entryName);

// The second step, once the log with its "K" record exists: writes the
// entry's values. False, reported, when the entry cannot be written.
bool WriteProductEntry(const InstallHost &host, const char *entryName);
