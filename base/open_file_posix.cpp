// Seeking and sizing a file already open: the same for the real file system
// and the dry one, which reads the distribution's real files.
#include "base/file_system.h"

#include <sys/stat.h>

bool SeekFile(FILE *file, uint64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

int64_t FileSizeOf(FILE *file) {
  struct stat info;
  return fstat(fileno(file), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}
