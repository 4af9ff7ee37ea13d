// The product installation driver: installs the product whose section
// ScriptCursor points into (at its title, just after the section line's "=").
#pragma once

#include <string>
#include <vector>

#include "script/install_host.h"

// The K entries of the product being installed: files of the player's data,
// relative to the product folder. Grows as needed.
extern std::vector<std::string> KeepList;

// Makes the install folder, unpacks MUSIC.QPK and COMMONUI.QPK, reads the
// section head (V, K lines, F), registers the product (replacing an installed
// version), makes the product folder and its uninstall log with the opening
// records, and runs the section's commands. True when the section ran to its
// end; every failure has been shown already, or is one of the silent ones
// (install folder, registration refused by the platform). `host` stands for
// the Start Menu and the registry.
bool InstallProduct(const InstallHost &host);
