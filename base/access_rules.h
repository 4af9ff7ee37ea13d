// Who may do what with the folders and programs SETUP.EXE makes. The
// programs run as administrator, and an install folder made directly under
// C:\ inherits "Authenticated Users: Modify" from the drive's root: any
// user could rename a product folder away and put another in its place, or
// replace unsetup.exe, which Windows then starts elevated when an
// administrator removes the game. So what SETUP.EXE makes gets an
// explicit, protected DACL (nothing inherited from above), written here in
// the security descriptor definition language (SDDL):
//   a folder it makes as the install folder or a product folder:
//     Administrators, SYSTEM  full control, on it and everything inside
//     Users                   on the folder itself: list, traverse, read,
//                             add files and subfolders; no DELETE, no
//                             delete-child, no change of its permissions
//     Users                   Modify on everything inside (inherited),
//                             so games keep writing saves and settings
//   unsetup.exe and every program (.EXE, .DLL) it writes below the
//   install folder:
//     Administrators, SYSTEM  full control
//     Users                   read and execute
#pragma once

// The DACL of an install folder or product folder SETUP.EXE makes.
extern const char OwnedFolderAccess[];
// The DACL of a program file (.EXE, .DLL) SETUP.EXE writes.
extern const char ProgramFileAccess[];

// True when the file name at the end of `path` ends in ".exe" or ".dll",
// in any case.
bool IsProgramFile(const char *path);
