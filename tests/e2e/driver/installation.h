// Reading back what an installation made: uninstall logs, Uninstall
// entries and Start Menu shortcuts.
#pragma once

#include <string>
#include <vector>

namespace setup_driver {

// The records of an unsetup.ctl, in order ("A<title>", "F<folder>", ...);
// empty when the file cannot be read.
std::vector<std::string> ReadUninstallLog(const std::string &path);

// A value of an entry under HKLM\...\CurrentVersion\Uninstall, or "(none)".
std::string UninstallValue(const std::string &entry, const char *name);

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
