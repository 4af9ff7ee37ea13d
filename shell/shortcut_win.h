// The Win32 shell behind Start Menu shortcuts: the Programs folder from the
// Shell Folders key and links written through the shell link object.
#pragma once

#include "shell/start_menu.h"

const StartMenuHost &WindowsStartMenu();
