#include "package/member_data.h"

#include <algorithm>

namespace {

// Writes a piece of output after passing it through the running CRC.
bool WriteOutput(FILE *file, const uint8_t *data, size_t size, uLong &crc) {
  crc = crc32(crc, data, static_cast<uInt>(size));
  return fwrite(data, 1, size, file) == size;
}

} // namespace

DataOutcome CopyStored(Extraction &x, FILE *file, uint32_t size, uLong &crc, int &dataResult) {
  uint32_t remaining = size;
  while (remaining > 0) {
    const uint8_t *chunk;
    size_t got = ArchiveNextChunk(x.reader, std::min<size_t>(remaining, WindowSize), &chunk);
    if (got == 0) {
      dataResult = UnpackTruncated;
      break;
    }
    if (!WriteOutput(file, chunk, got, crc))
      return DataOutcome::WriteFailed;
    remaining -= static_cast<uint32_t>(got);
  }
  return DataOutcome::Done;
}

DataOutcome Inflate(Extraction &x, FILE *file, uint32_t compressedSize, uLong &crc, int &dataResult) {
  uint8_t *window = x.buffers->window.get();
  z_stream stream = {};
  int status = inflateInit2(&stream, -MAX_WBITS);
  if (status != Z_OK) {
    dataResult = status == Z_MEM_ERROR ? UnpackInflateNoMemory : UnpackMemberFailed;
    return DataOutcome::Done;
  }
  uint32_t remaining = compressedSize;
  DataOutcome outcome = DataOutcome::Done;
  stream.next_out = window;
  stream.avail_out = WindowSize;
  for (;;) {
    if (stream.avail_in == 0 && remaining > 0) {
      const uint8_t *chunk;
      size_t got = ArchiveNextChunk(x.reader, remaining, &chunk);
      if (got == 0) {
        dataResult = UnpackTruncated;
        break;
      }
      stream.next_in = const_cast<Bytef *>(chunk);
      stream.avail_in = static_cast<uInt>(got);
      remaining -= static_cast<uint32_t>(got);
    }
    status = inflate(&stream, Z_NO_FLUSH);
    size_t produced = WindowSize - stream.avail_out;
    if (produced > 0 && (stream.avail_out == 0 || status == Z_STREAM_END || status != Z_OK)) {
      if (!WriteOutput(file, window, produced, crc)) {
        outcome = DataOutcome::WriteFailed;
        break;
      }
      stream.next_out = window;
      stream.avail_out = WindowSize;
    }
    if (status == Z_STREAM_END)
      break;
    if (status == Z_MEM_ERROR) {
      dataResult = UnpackInflateNoMemory;
      break;
    }
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && remaining == 0) {
      dataResult = UnpackMemberFailed; // the data ended before the stream did
      break;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) {
      dataResult = UnpackMemberFailed;
      break;
    }
  }
  inflateEnd(&stream);
  return outcome;
}
