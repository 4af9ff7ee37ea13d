#include "base/folder_chain.h"

#include <cstring>

#include "base/file_system.h"
#include "base/path_rules.h"

namespace {
std::vector<std::string> Pending;
}

bool FolderExists(char *path) {
  DropTrailingSeparator(path, PathSeparator);
  return path[0] != '\0' && QueryPathKind(path) == PathKind::Folder;
}

bool CreateFolderChain(char *path) {
  if (!FolderExists(path)) {
    if (!MakeFolder(path)) {
      std::string parent = path;
      size_t cut = parent.rfind(PathSeparator);
      if (cut == std::string::npos || cut == 0)
        return false;
      parent.resize(cut);
      if (!CreateFolderChain(&parent[0]) || !MakeFolder(path))
        return false;
    }
    NotifyFolderMade(path);
  }
  Pending.emplace_back(path);
  return true;
}

const std::vector<std::string> &PendingFolders() { return Pending; }

void TruncatePendingFolders(size_t length) {
  if (length < Pending.size())
    Pending.resize(length);
}
