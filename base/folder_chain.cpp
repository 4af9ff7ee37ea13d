#include "base/folder_chain.h"

#include <cstring>

#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/uninstall_log.h"

namespace {
std::vector<std::string> Pending;
}

bool FolderExists(char *path) {
  DropTrailingSeparator(path, PathSeparator);
  return path[0] != '\0' && QueryPathKind(path) == PathKind::Folder;
}

bool CreateFolderChain(char *path) {
  if (FolderExists(path)) {
    Pending.emplace_back(path);
    return true;
  }
  // The missing folders, deepest first, up to the first one that is there.
  std::vector<std::string> missing{path};
  for (;;) {
    std::string parent = missing.back();
    size_t cut = parent.rfind(PathSeparator);
    if (cut == std::string::npos || cut == 0)
      break;
    parent.resize(cut);
    if (QueryPathKind(parent.c_str()) != PathKind::Missing)
      break;
    missing.push_back(parent);
  }
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
    // With the log open, each folder is recorded before it is made, so that
    // a cut in between leaves nothing unlisted.
    bool logged = UninstallLogOpen();
    if (logged)
      WriteLogRecord('F', folder->c_str());
    if (!MakeFolder(folder->c_str()))
      return false;
    NotifyFolderMade(folder->c_str());
    if (!logged)
      Pending.push_back(*folder);
  }
  return true;
}

const std::vector<std::string> &PendingFolders() { return Pending; }

void TruncatePendingFolders(size_t length) {
  if (length < Pending.size())
    Pending.resize(length);
}
