#include "png_writer.h"

#include <zlib.h>

#include <cstring>

namespace setup_driver {

namespace {

void PutBigEndian32(std::vector<uint8_t> &out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 24));
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// A chunk is its data length, type, data and a CRC over type and data.
void PutChunk(std::vector<uint8_t> &out, const char type[4], const uint8_t *data, size_t length) {
  PutBigEndian32(out, static_cast<uint32_t>(length));
  size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  if (length)
    out.insert(out.end(), data, data + length);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out.data() + typeAt, static_cast<uInt>(4 + length));
  PutBigEndian32(out, static_cast<uint32_t>(crc));
}

} // namespace

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t> &rgb) {
  if (width <= 0 || height <= 0)
    return {};
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  if (rgb.size() != rowBytes * static_cast<size_t>(height))
    return {};

  // Every row starts with its filter type; 0 is "none".
  std::vector<uint8_t> raw;
  raw.reserve((rowBytes + 1) * height);
  for (int y = 0; y < height; y++) {
    raw.push_back(0);
    const uint8_t *row = rgb.data() + rowBytes * y;
    raw.insert(raw.end(), row, row + rowBytes);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
    return {};

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian32(header, static_cast<uint32_t>(width));
  PutBigEndian32(header, static_cast<uint32_t>(height));
  header.push_back(8); // bits per sample
  header.push_back(2); // colour type: RGB
  header.push_back(0); // compression: deflate
  header.push_back(0); // filter method
  header.push_back(0); // no interlace
  PutChunk(png, "IHDR", header.data(), header.size());
  PutChunk(png, "IDAT", packed.data(), packedSize);
  PutChunk(png, "IEND", nullptr, 0);
  return png;
}

} // namespace setup_driver
