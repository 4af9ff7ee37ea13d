// Making the one sub-folder that the New folder dialog asks for. Portable:
// the folder is made and announced through base/file_system.h, and refusals
// are shown through base/user_interface.h.
#pragma once

#include <cstddef>

enum class NewFolderOutcome {
  Made,             // the folder was made and the shell told about it
  AlreadyThere,     // a folder of that path exists; nothing was made
  NameHasBackslash, // refused: "Sorry, only a single folder can be created at a time. ..."
  NotMade,          // the system could not make it: "Error creating folder."
};

// `path` holds the parent folder's path (its first `parentLength`
// characters, ending in a separator) followed by the name the user typed.
// Made and AlreadyThere leave the full path of the folder in `path`, with
// no trailing separator except at a drive root (so an empty name leaves the
// parent itself). The refusals show their message and cut `path` back to
// the parent path. A forward slash in the name is not refused; the folder
// is then made only when the part before it exists.
NewFolderOutcome CreateNamedFolder(char *path, size_t parentLength);
