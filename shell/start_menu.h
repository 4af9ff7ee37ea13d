// What Start Menu shortcuts need of the platform: where the Programs folder
// is, and the writing of one shell link. SETUP.EXE passes the Win32 shell
// (WindowsStartMenu in shell/shortcut_win.h); tests and the dry run pass
// their own.
#pragma once

#include <cstddef>
#include <string>

enum class ShellLinkOutcome {
  Saved,       // written, or at least tried once the link object was made
  NoLinkMaker, // the platform's link object could not be had: nothing done
  PathTooLong, // the link's path does not fit the platform's file names
};

struct StartMenuHost {
  void *context;
  // Leaves the Programs folder in `folder`, or "" when it cannot be found.
  // False only when the platform is too old to have one.
  bool (*programsFolder)(void *context, char *folder, size_t capacity);
  // Writes the shell link `linkPath` to `programPath`, started in
  // `workingFolder`, and tells the shell of it.
  ShellLinkOutcome (*saveShellLink)(void *context, const char *linkPath, const char *programPath,
                                    const char *workingFolder, const char *description);
};

// The Start Menu group folder that holds all of the maker's shortcuts:
// "Quillmarsh Games" directly under `programsFolder`.
std::string StartMenuGroupIn(const char *programsFolder);
