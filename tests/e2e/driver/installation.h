// Reading back what an installation made: uninstall logs, Uninstall
// entries and Start Menu shortcuts.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace setup_driver {

// The records of an unsetup.ctl, in order ("A<title>", "F<folder>", ...);
// empty when the file cannot be read.
std::vector<std::string> ReadUninstallLog(const std::string &path);

// A value of an entry under HKLM\...\CurrentVersion\Uninstall, or "(none)".
std::string UninstallValue(const std::string &entry, const char *name);

// A DWORD value of such an entry in decimal, or "(none)".
std::string UninstallNumber(const std::string &entry, const char *name);

// Waits up to `timeout` milliseconds until the uninstaller `program` has
// been removed after its end, and its folder is either gone or open to a
// look again (while it is being deleted it can be neither); true when the
// program is gone.
bool WaitForUninstallerRemoval(const std::string &program, DWORD timeout);

// Every file and folder below `folder`, as full paths; folders end in "\".
void ListTree(const std::string &folder, std::set<std::string> &found);

// Every file and folder left below `folder`, one a line, indented, in
// name order.
void PrintTree(const std::string &folder, const char *indent);

// Common Programs\Quillmarsh Games, from the Shell Folders key.
std::string ProgramsGroup();

struct Shortcut {
  std::string target, folder, description;
};
// Loads a .lnk through the shell link object (COM must be initialised).
bool ReadShortcut(const std::string &path, Shortcut &shortcut);

// Prints, for every product folder below `installFolder` that holds an
// uninstall log: its title, Uninstall entry and values, the files and
// folders its log names (marking any that are missing) and its shortcuts.
// Returns false when something a log names is missing.
bool PrintInstallation(const std::string &installFolder);

} // namespace setup_driver
