#include "base/whole_file.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <new>

bool ReadWholeFile(const char *path, std::vector<unsigned char> &bytes) {
  bytes.clear();
  struct stat status;
  if (stat(path, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0 ||
      static_cast<uint64_t>(status.st_size) > UINT32_MAX)
    return false;
  FILE *file = fopen(path, "rb");
  if (!file)
    return false;
  size_t length = static_cast<size_t>(status.st_size);
  bool read = false;
  try {
    bytes.assign(length, 0);
    read = fread(bytes.data(), 1, length, file) == length;
  } catch (const std::bad_alloc &) {
  }
  fclose(file);
  if (!read)
    bytes.clear();
  return read;
}
