#include "base/whole_file.h"

#include <windows.h>

#include <new>

#include "base/scoped_handles.h"

bool ReadWholeFile(const char *path, std::vector<unsigned char> &bytes) {
  bytes.clear();
  // The distribution may lie on removable media: no "insert a disk" boxes.
  QuietDriveErrors quiet;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || found.nFileSizeHigh != 0 || found.nFileSizeLow == 0)
    return false;
  DWORD length = found.nFileSizeLow;
  ScopedFile file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid())
    return false;
  try {
    bytes.assign(length, 0);
  } catch (const std::bad_alloc &) {
    return false;
  }
  DWORD read = 0;
  if (ReadFile(file.get(), bytes.data(), length, &read, nullptr) && read == length)
    return true;
  bytes.clear();
  return false;
}
