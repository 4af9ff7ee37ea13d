// Whole files on a dry run's machine: the distribution and the untouched
// files of its disk folders are read from the disk; of the files the run
// made, the uninstall logs give the bytes written to them, the others none.
#include "base/whole_file.h"

#include <cstdio>
#include <cstring>

#include "base/dry_machine.h"
#include "base/setup_state.h"

bool ReadWholeFile(const char *path, std::vector<unsigned char> &bytes) {
  bytes.clear();
  if (DryFileBytes(path, bytes))
    return !bytes.empty();
  size_t length = strlen(SourceFolder);
  bool inDistribution = length > 0 && strncmp(path, SourceFolder, length) == 0;
  if (!inDistribution && !DryFileIsOnDisk(path))
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
