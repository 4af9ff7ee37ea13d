#include "qmgdist/posix_calls_win.h"

#include <windows.h>

int lstat(const char *path, struct stat *info) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return stat(path, info); // the C runtime's failure and errno
  if (stat(path, info) != 0)
    return -1;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    info->st_mode = static_cast<unsigned short>((info->st_mode & ~0xF000) | S_IFLNK);
  return 0;
}
