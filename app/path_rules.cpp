#include "app/path_rules.h"

#include <cstring>

void SourceFolderFromModulePath(const char *modulePath, char *folder, size_t capacity) {
  if (capacity < 2) {
    if (capacity)
      folder[0] = '\0';
    return;
  }
  size_t length = strlen(modulePath);
  size_t kept = 0;
  for (size_t i = length; i > 0; i--) {
    char c = modulePath[i - 1];
    if (c == '\\' || c == ':') {
      kept = i;
      break;
    }
  }
  // Leave room for the backslash that may be appended and the terminator.
  if (kept > capacity - 2)
    kept = capacity - 2;
  memcpy(folder, modulePath, kept);
  if (kept == 0 || folder[kept - 1] != '\\')
    folder[kept++] = '\\';
  folder[kept] = '\0';
}

void DropTrailingBackslash(char *path) {
  size_t length = strlen(path);
  if (length > 2 && path[length - 1] == '\\' && path[length - 2] != ':')
    path[length - 1] = '\0';
}
