#include "browse/new_folder.h"

#include <cstring>

#include "base/file_system.h"
#include "base/folder_chain.h"
#include "base/setup_state.h"
#include "base/user_interface.h"

namespace {

void CutBackToParent(char *path, const char *parent, size_t parentLength) {
  memcpy(path, parent, parentLength);
  path[parentLength] = '\0';
}

} // namespace

NewFolderOutcome CreateNamedFolder(char *path, size_t parentLength) {
  if (parentLength >= PathCapacity)
    parentLength = PathCapacity - 1;
  // FolderExists may take a separator off the parent's end (for an empty
  // name), so the parent is kept aside for a refusal to go back to.
  char parent[PathCapacity];
  memcpy(parent, path, parentLength);

  if (strchr(path + parentLength, '\\')) {
    ShowMessage("Sorry, only a single folder can be created at a time.\nDo not use '\\'.");
    CutBackToParent(path, parent, parentLength);
    return NewFolderOutcome::NameHasBackslash;
  }
  if (FolderExists(path))
    return NewFolderOutcome::AlreadyThere;
  if (!MakeFolder(path)) {
    ShowMessage("Error creating folder.");
    CutBackToParent(path, parent, parentLength);
    return NewFolderOutcome::NotMade;
  }
  NotifyFolderMade(path);
  return NewFolderOutcome::Made;
}
