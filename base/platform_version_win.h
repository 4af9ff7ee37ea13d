// What the running Windows version allows, from GetVersion: the one place
// that reads it.
#pragma once

// False on platform versions x.0 with x up to 3, which have no registry to
// speak of: the Uninstall entry, the remembered folder and the Shell Folders
// key are all left alone there.
bool RegistryUsable();

// True before Windows 5, where the Start Menu's Programs folder is the
// user's own rather than the one shared by every user.
bool ProgramsFolderIsPerUser();
