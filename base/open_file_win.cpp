// Seeking and sizing a file already open, with 64-bit offsets: the same for
// the real file system and the dry one, which reads the distribution's real
// files.
#include "base/file_system.h"

#include <io.h>

bool SeekFile(FILE *file, uint64_t offset) { return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0; }

int64_t FileSizeOf(FILE *file) { return _filelengthi64(_fileno(file)); }
