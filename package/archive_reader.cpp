#include "package/archive_reader.h"

#include <cstring>

#include "base/file_system.h"

namespace {

bool LoadBlockAt(ArchiveReader &reader, uint64_t offset) {
  uint64_t aligned = offset - offset % ArchiveBlockSize;
  // Reading on from the block just read needs no seek.
  bool following = reader.blockLength == ArchiveBlockSize && aligned == reader.blockOffset + ArchiveBlockSize;
  reader.blockLength = 0;
  if (aligned >= reader.size || (!following && !SeekFile(reader.file, aligned)))
    return false;
  size_t got = fread(reader.block, 1, ArchiveBlockSize, reader.file);
  ScrambleAt(reader.block, got, aligned, reader.key);
  reader.blockOffset = aligned;
  reader.blockLength = got;
  return offset < aligned + got;
}

} // namespace

void ArchiveSeek(ArchiveReader &reader, uint64_t offset) { reader.position = offset; }

size_t ArchiveNextChunk(ArchiveReader &reader, size_t wanted, const uint8_t **chunk) {
  bool loaded = reader.blockLength > 0 && reader.position >= reader.blockOffset &&
                reader.position < reader.blockOffset + reader.blockLength;
  if (!loaded && !LoadBlockAt(reader, reader.position))
    return 0;
  size_t start = static_cast<size_t>(reader.position - reader.blockOffset);
  size_t available = reader.blockLength - start;
  size_t taken = wanted < available ? wanted : available;
  *chunk = reader.block + start;
  reader.position += taken;
  return taken;
}

bool ArchiveRead(ArchiveReader &reader, void *destination, size_t size) {
  uint8_t *out = static_cast<uint8_t *>(destination);
  while (size > 0) {
    const uint8_t *chunk;
    size_t got = ArchiveNextChunk(reader, size, &chunk);
    if (got == 0)
      return false;
    memcpy(out, chunk, got);
    out += got;
    size -= got;
  }
  return true;
}

bool ArchiveSkip(ArchiveReader &reader, uint64_t size) {
  if (size > reader.size || reader.position > reader.size - size) {
    reader.position = reader.size;
    return false;
  }
  reader.position += size;
  return true;
}
