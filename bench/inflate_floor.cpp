// The floor under an extraction: reads a plain ZIP archive (a package made
// with the zero key) whole into memory, then inflates every member through
// one 32 KB window and checksums it, writing nothing. What zlib alone costs
// for the package's data, for the extraction's time to be compared with.
//
//   inflate_floor PACKAGE
//
// Prints the members, the bytes inflated and the seconds. Exit status 0
// exactly when every member inflated whole with a matching CRC-32.
#include <chrono>
#include <cstdio>
#include <vector>

#include <zlib.h>

#include "package/zip_records.h"

namespace {

enum : size_t { WindowSize = 32768 };

bool ReadWhole(const char *path, std::vector<uint8_t> &bytes) {
  FILE *file = fopen(path, "rb");
  if (!file)
    return false;
  uint8_t piece[1 << 16];
  size_t got;
  while ((got = fread(piece, 1, sizeof piece, file)) > 0)
    bytes.insert(bytes.end(), piece, piece + got);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

// Inflates or copies one member's data; adds what came out to `produced`.
bool Unpack(const uint8_t *data, size_t size, uint16_t method, uint32_t crc, uint8_t *window,
            uint64_t &produced) {
  uLong running = crc32(0, nullptr, 0);
  if (method == MethodStored) {
    running = crc32(running, data, static_cast<uInt>(size));
    produced += size;
    return running == crc;
  }
  if (method != MethodDeflated)
    return false;
  z_stream stream = {};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
    return false;
  stream.next_in = const_cast<Bytef *>(data);
  stream.avail_in = static_cast<uInt>(size);
  int status;
  do {
    stream.next_out = window;
    stream.avail_out = WindowSize;
    status = inflate(&stream, Z_NO_FLUSH);
    size_t out = WindowSize - stream.avail_out;
    running = crc32(running, window, static_cast<uInt>(out));
    produced += out;
  } while (status == Z_OK);
  inflateEnd(&stream);
  return status == Z_STREAM_END && running == crc;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fputs("usage: inflate_floor PACKAGE   (a package made with the zero key)\n", argc == 1 ? stdout : stderr);
    return argc == 1 ? 0 : 2;
  }
  auto start = std::chrono::steady_clock::now();
  std::vector<uint8_t> archive;
  if (!ReadWhole(argv[1], archive)) {
    fprintf(stderr, "inflate_floor: %s: cannot read it\n", argv[1]);
    return 2;
  }
  size_t size = archive.size();
  const uint8_t *bytes = archive.data();
  size_t end = size;
  for (size_t i = size >= EndRecordSize ? size - EndRecordSize + 1 : 0; i-- > 0 && size - i <= 66000;)
    if (Le32(bytes + i) == EndRecordSignature) {
      end = i;
      break;
    }
  if (end == size) {
    fprintf(stderr, "inflate_floor: %s: no end of central directory record\n", argv[1]);
    return 2;
  }
  std::vector<uint8_t> window(WindowSize);
  size_t at = Le32(bytes + end + end_record::DirectoryOffset);
  uint64_t produced = 0;
  unsigned members = 0, failed = 0;
  while (at + CentralHeaderSize <= end && Le32(bytes + at) == CentralHeaderSignature) {
    const uint8_t *entry = bytes + at;
    size_t local = Le32(entry + central::LocalHeaderOffset);
    size_t packed = Le32(entry + central::CompressedSize);
    if (local + LocalHeaderSize > size) {
      failed++;
      break;
    }
    size_t data = local + LocalHeaderSize + Le16(bytes + local + local::NameLength) +
                  Le16(bytes + local + local::ExtraLength);
    if (data + packed > size ||
        !Unpack(bytes + data, packed, Le16(entry + central::Method), Le32(entry + central::Crc), window.data(),
                produced))
      failed++;
    members++;
    at += CentralHeaderSize + Le16(entry + central::NameLength) + Le16(entry + central::ExtraLength) +
          Le16(entry + central::CommentLength);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  printf("%u members, %.1f MB inflated and checksummed in memory, %.3f s, %u failed\n", members, produced / 1e6,
         seconds, failed);
  return failed == 0 ? 0 : 1;
}
