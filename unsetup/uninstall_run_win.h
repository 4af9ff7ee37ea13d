// What unsetup.exe does when a player starts it: removes the product whose
// uninstall log unsetup.ctl lies beside the program, after asking, through
// the installer's own removal walk, and says how it went.
#pragma once

// Returns the exit code: 0 removed; 1 nothing changed (no usable log, or
// the player said No); 2 the log went bad during the walk, or items could
// not be removed.
int RunUninstall();
