#include "script/removal_walk.h"

#include <cstring>

#include "base/file_system.h"
#include "base/path_format.h"
#include "base/path_rules.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "base/whole_file.h"
#include "script/entry_name.h"
#include "shell/start_menu.h"

namespace {

struct Walk {
  const RemovalScope &scope;
  RemovalMode mode;
  const std::vector<std::string> &keepList;
  const RemovalOperations &operations;
  std::string folder;     // the product folder, normalised; "" when it names no usable folder
  std::string folderUtf8; // the same in UTF-8, the form of paths the extraction wrote as UTF-8
  std::string log;        // the product's own log, normalised; "" when no folder
  RemovalResult result;
  // Held back to the end of the walk: the entries the log names, newest
  // first, its own record, if it has one, and the folders recorded before
  // it (the folders that hold it), removed once it is gone.
  std::vector<std::string> entries;
  std::string logRecord;
  std::vector<std::string> laterFolders;
};

bool HasHighBytes(const char *text) {
  for (; *text; text++)
    if (static_cast<unsigned char>(*text) >= 0x80)
      return true;
  return false;
}

bool EndsWithShortcutExtension(const std::string &path) {
  static const char extension[] = ".lnk";
  size_t length = sizeof extension - 1;
  if (path.size() < length)
    return false;
  for (size_t i = 0; i < length; i++) {
    char c = path[path.size() - length + i];
    if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != extension[i])
      return false;
  }
  return true;
}

// A path inside `folder` in the given form, reached through no link.
bool ReachableInside(const Walk &walk, const std::string &path, const std::string &folder, bool utf8) {
  return !folder.empty() && PathIsInside(path.c_str(), folder.c_str()) &&
         !walk.operations.crossesLink(walk.operations.context, path.c_str(), folder.size(), utf8);
}

bool IsKeptFile(const Walk &walk, const char *text) {
  std::string path, kept;
  if (walk.folder.empty() || !NormaliseFullPath(text, path))
    return false;
  for (const std::string &entry : walk.keepList)
    if (NormaliseFullPath((walk.folder + "\\" + entry).c_str(), kept) && EqualIgnoringAsciiCase(path, kept))
      return true;
  return false;
}

// True when the file is gone. A path with bytes of 0x80 and above names one
// object: the ANSI reading's when a file is there, else the UTF-8 reading's
// (the form the extraction writes for names it keeps in UTF-8); each form
// only where it lies inside the product folder in that same form. A file
// the ANSI reading names but cannot delete is a failure, never a reason to
// delete what the other reading names.
bool RemoveLoggedFile(Walk &walk, const char *text) {
  std::string path;
  if (!NormaliseFullPath(text, path))
    return false;
  const RemovalOperations &op = walk.operations;
  bool shortcut = !walk.scope.startMenuGroup.empty() && EndsWithShortcutExtension(path) &&
                  PathIsDirectlyInside(path.c_str(), walk.scope.startMenuGroup.c_str());
  bool asAnsi = shortcut || ReachableInside(walk, path, walk.folder, false);
  bool asUtf8 = HasHighBytes(path.c_str()) && ReachableInside(walk, path, walk.folderUtf8, true);
  if (!asAnsi && !asUtf8)
    return false;
  const std::string &ansiFolder = shortcut ? walk.scope.startMenuGroup : walk.folder;
  DeleteOutcome outcome = DeleteOutcome::AlreadyGone;
  if (asAnsi)
    outcome = op.deleteFile(op.context, path.c_str(), ansiFolder.c_str(), false);
  if (outcome == DeleteOutcome::AlreadyGone && asUtf8)
    outcome = op.deleteFile(op.context, path.c_str(), walk.folderUtf8.c_str(), true);
  return outcome != DeleteOutcome::Failed;
}

// True when the folder may be removed (if empty): see the header.
bool MayRemoveFolder(const Walk &walk, const char *text, std::string &path) {
  if (!NormaliseFullPath(text, path))
    return false;
  if (!walk.folder.empty() && (PathIsFolderOrAbove(path.c_str(), walk.folder.c_str()) ||
                               ReachableInside(walk, path, walk.folder, false)))
    return true;
  return !walk.scope.startMenuGroup.empty() &&
         PathIsFolderOrAbove(path.c_str(), walk.scope.startMenuGroup.c_str());
}

// Removes a folder if it holds nothing; a folder that still holds
// something stays. One inside the product folder must really lie there.
void RemoveFolderIfEmpty(const Walk &walk, const std::string &path) {
  const RemovalOperations &op = walk.operations;
  bool inside = !walk.folder.empty() && PathIsInside(path.c_str(), walk.folder.c_str());
  op.removeEmptyFolder(op.context, path.c_str(), inside ? walk.folder.c_str() : "");
}

bool IsOwnLog(const Walk &walk, const char *text) {
  std::string path;
  return !walk.log.empty() && NormaliseFullPath(text, path) && EqualIgnoringAsciiCase(path, walk.log);
}

// The entry goes, and then the log, after every other record: a removal cut
// off before leaves both, so that it can be run again.
void RemoveEntriesAndLog(Walk &walk) {
  const RemovalOperations &op = walk.operations;
  for (const std::string &entry : walk.entries)
    if (!op.deleteEntry(op.context, entry.c_str()))
      walk.result.failures++;
  if (!walk.logRecord.empty() && !RemoveLoggedFile(walk, walk.logRecord.c_str()))
    walk.result.failures++;
  for (const std::string &folder : walk.laterFolders)
    RemoveFolderIfEmpty(walk, folder);
}

bool UndoRecord(char kind, const char *text, void *context) {
  Walk &walk = *static_cast<Walk *>(context);
  switch (kind) {
  case 'F': {
    std::string path;
    if (!MayRemoveFolder(walk, text, path))
      walk.result.failures++;
    else if (!walk.logRecord.empty())
      walk.laterFolders.push_back(path); // it may hold the log: removed after it
    else
      RemoveFolderIfEmpty(walk, path);
    break;
  }
  case 'K':
    if (IsEntryNameOf(text, walk.scope.title.c_str()))
      walk.entries.push_back(text);
    else
      walk.result.failures++;
    break;
  case 'D':
    if (walk.mode == RemovalMode::KeepData && IsKeptFile(walk, text))
      break;
    if (IsOwnLog(walk, text)) {
      walk.logRecord = text;
      break;
    }
    if (!RemoveLoggedFile(walk, text))
      walk.result.failures++;
    break;
  }
  return true;
}

// The product folder as the rules compare it. A bare root ("C:\") is no
// product folder: everything on the drive would lie inside it.
void SetUpFolders(Walk &walk) {
  std::string folder;
  if (!NormaliseFullPath(walk.scope.productFolder.c_str(), folder) || folder.back() == '\\')
    return;
  walk.folder = folder;
  walk.log = folder + "\\unsetup.ctl";
  char utf8[4 * 512];
  if (AnsiToUtf8(folder.c_str(), utf8, sizeof utf8))
    walk.folderUtf8 = utf8;
}

} // namespace

RemovalResult RemoveLoggedItems(const unsigned char *log, size_t size, const RemovalScope &scope, RemovalMode mode,
                                const std::vector<std::string> &keepList, const RemovalOperations &operations) {
  Walk walk{scope, mode, keepList, operations, "", "", "", RemovalResult(), {}, "", {}};
  SetUpFolders(walk);
  if (mode == RemovalMode::RemoveAll)
    for (const std::string &entry : keepList) {
      std::string path = walk.folder + "\\" + entry, normal;
      if (NormaliseFullPath(path.c_str(), normal) && ReachableInside(walk, normal, walk.folder, false))
        operations.deleteFile(operations.context, normal.c_str(), walk.folder.c_str(), false);
    }
  walk.result.invalidRecord = !WalkLogBackwards(log, size, UndoRecord, &walk);
  RemoveEntriesAndLog(walk);
  return walk.result;
}

bool ReadUninstallLogOf(const char *folder, std::vector<unsigned char> &log) {
  char logPath[PathCapacity];
  return JoinPath(logPath, sizeof logPath, "%s\\%s", folder, "unsetup.ctl") && ReadWholeFile(logPath, log);
}

RemovalScope RemovalScopeIn(const char *folder, const char *title, const char *programsFolder) {
  RemovalScope scope;
  scope.productFolder = folder;
  scope.title = title;
  if (programsFolder[0])
    scope.startMenuGroup = StartMenuGroupIn(programsFolder);
  return scope;
}
