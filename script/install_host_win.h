// The Win32 host of the interpreter and the install driver: the Start Menu
// through the shell, and the Uninstall key of HKEY_LOCAL_MACHINE.
#pragma once

#include "script/install_host.h"

const InstallHost &WindowsInstallHost();
