#include "base/folder_chain.h"

#include <cstring>

#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"

namespace {
std::vector<std::string> Pending;
}

bool FolderExists(char *path) {
  DropTrailingSeparator(path, PathSeparator);
  return path[0] != '\0' && QueryPathKind(path) == PathKind::Folder;
}

namespace {

// A folder is made only in a parent that lies where its path says: made
// through a link, it would be somewhere else. A missing parent passes (the
// folder cannot be made in it).
bool ParentLiesWhereMeant(const char *path) {
  std::string parent = path;
  size_t cut = parent.rfind(PathSeparator);
  if (cut == std::string::npos || cut == 0)
    return true;
  parent.resize(cut);
  return QueryPathKind(parent.c_str()) != PathKind::Folder || FolderLiesWhereMeant(parent.c_str());
}

// The install folder and a product folder are made with the permissions of
// folders the installation owns; the folders between and below them
// inherit theirs.
bool MakeChainFolder(const char *path) {
  bool owned = EqualIgnoringAsciiCase(path, InstallFolder) || EqualIgnoringAsciiCase(path, ProductFolder);
  return owned ? MakeOwnedFolder(path) : MakeFolder(path);
}

} // namespace

bool CreateFolderChain(char *path) {
  if (FolderExists(path)) {
    // A folder found must lie where its path says, as one made must: a
    // link there would lead what goes into it elsewhere.
    if (!FolderLiesWhereMeant(path))
      return false;
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
    if (!ParentLiesWhereMeant(folder->c_str()))
      return false;
    // With the log open, each folder is recorded before it is made, so that
    // a cut in between leaves nothing unlisted.
    bool logged = UninstallLogOpen();
    if (logged)
      WriteLogRecord('F', folder->c_str());
    if (!MakeChainFolder(folder->c_str()))
      return false;
    NotifyFolderMade(folder->c_str());
    if (!logged)
      Pending.push_back(*folder);
  }
  // Checked after making too: a folder made through a link swapped into a
  // parent meanwhile lies elsewhere.
  return FolderLiesWhereMeant(path);
  return true;
}

const std::vector<std::string> &PendingFolders() { return Pending; }

void TruncatePendingFolders(size_t length) {
  if (length < Pending.size())
    Pending.resize(length);
}
