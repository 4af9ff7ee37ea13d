// The removal of an installed product through its uninstall log, shared by
// the installer (when it replaces an installed version) and the separate
// uninstaller. The log lies in a folder that ordinary users may change, so
// it is taken as a list of requests: each record is acted on only when it
// names something this installer could have made for the product, and
// anything else is left alone and counted as an item not removed.
//   D  a file strictly inside the product folder, reached through no
//      junction or symbolic link below it; or a shortcut (".lnk") directly
//      in the Start Menu group folder
//   F  removed only if empty: a folder inside the product folder (as for
//      D), the product folder, a folder above it, or the Start Menu group
//      folder or a folder above that
//   K  an Uninstall entry name of the product's title ("QMG <title>" or
//      "QMG <title>_<n>")
// The entries the "K" records name and the log's own file go last, after
// every other record, entries first, followed only by the folders recorded
// before the log (those that hold it): a removal cut off before that
// leaves the entry and the log in place, so that it can be run again. A record
// whose file, folder or entry is not there is no failure.
// The platform work is passed in, so that the rules are one piece of
// portable code.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class RemovalMode {
  RemoveAll = 0, // the keep entries are deleted first, then everything logged
  KeepData = 1,  // the files of the keep entries stay, also when logged
};

// What the removal is about, from the product's Uninstall entry (trusted:
// only administrators write it), never from the log.
struct RemovalScope {
  std::string productFolder;  // the entry's "Folder" value
  std::string startMenuGroup; // Programs\Quillmarsh Games, "" when unknown
  std::string title;          // names the product's Uninstall entries
};

enum class DeleteOutcome { Deleted, AlreadyGone, Failed };

struct RemovalOperations {
  void *context;
  // Deletes a file, read-only or not; `utf8` says the path is UTF-8 rather
  // than ANSI. A file or folder that is not there is AlreadyGone. `folder`
  // is the folder the file was found to lie in, in the same form (the
  // product folder, or the group folder for a shortcut): the platform
  // deletes only a file that really lies there, never through a link.
  DeleteOutcome (*deleteFile)(void *context, const char *path, const char *folder, bool utf8);
  // Removes a folder if it is empty and a real folder, never a link;
  // failure is not a fault. `folder` is the product folder when `path`
  // lies inside it ("" for the product folder itself and those above, and
  // for the group folder): a folder inside it must really lie there.
  void (*removeEmptyFolder)(void *context, const char *path, const char *folder);
  // Deletes a subkey of the Uninstall key; false when it is still there
  // (a subkey that is not there is no failure).
  bool (*deleteEntry)(void *context, const char *name);
  // True when one of the folders of `path` from its first `from` characters
  // on (the product folder itself and every folder below it) is a junction
  // or symbolic link, which the removal must not follow.
  bool (*crossesLink)(void *context, const char *path, size_t from, bool utf8);
};

struct RemovalResult {
  unsigned failures = 0;      // items not removed, refused records included
  bool invalidRecord = false; // the walk met a record of an unknown kind and stopped
};

// Walks the log (read whole) from its newest record back to its title, and
// then removes the entries and the log. In RemoveAll mode the keep entries
// inside the product folder are deleted first, their outcome ignored.
RemovalResult RemoveLoggedItems(const unsigned char *log, size_t size, const RemovalScope &scope, RemovalMode mode,
                                const std::vector<std::string> &keepList, const RemovalOperations &operations);

// Reads `folder`\unsetup.ctl whole. False when it is missing, empty, a
// folder, or cannot be opened or read.
bool ReadUninstallLogOf(const char *folder, std::vector<unsigned char> &log);

// What a removal of the product installed in `folder` under `title` may
// touch: that folder and the Start Menu group folder under
// `programsFolder` ("" when unknown, and then no group).
RemovalScope RemovalScopeIn(const char *folder, const char *title, const char *programsFolder);
