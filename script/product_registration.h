// The product's entry under the Uninstall key of HKEY_LOCAL_MACHINE
// (Software\Microsoft\Windows\CurrentVersion\Uninstall), named
// "QMG <title>" (or "QMG <title>_n", n from 2 to 98), with the values
// DisplayName, UninstallString, Folder and Version.
#pragma once

#include "script/install_host.h"

// Removes earlier installations of ProductTitle (asking first when another
// version lies in ProductFolder) and writes the new entry. Leaves the
// entry's name in TokenBuffer. False when the user declined, or the entry
// could not be written (reported), or the registry is out of reach (silent).
bool RegisterProduct(const InstallHost &host);
