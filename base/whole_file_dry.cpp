// Whole files on a dry run's machine: the distribution is read from the
// disk; files of the pretend machine have no bytes to give.
#include "base/whole_file.h"

#include <cstdio>
#include <cstring>

#include "base/setup_state.h"

bool ReadWholeFile(const char *path, std::vector<unsigned char> &bytes) {
  bytes.clear();
  size_t length = strlen(SourceFolder);
  if (length == 0 || strncmp(path, SourceFolder, length) != 0)
    return false;
  FILE *file = fopen(path, "rb");
  if (!file)
    return false;
  unsigned char chunk[8192];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  bool ok = !ferror(file) && !bytes.empty();
  fclose(file);
  if (!ok)
    bytes.clear();
  return ok;
}
