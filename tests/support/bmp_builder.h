// BMP files built byte by byte for the picture tests: any size, bit count,
// row order and colour table, and the file-header offsets to tamper with.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

struct BmpSpec {
  BmpSpec(int32_t width, int32_t height, uint16_t bitCount) : width(width), height(height), bitCount(bitCount) {}
  // BI_BITFIELDS with these three masks after the header.
  BmpSpec &WithMasks(std::vector<uint32_t> given) {
    compression = 3;
    masks = std::move(given);
    return *this;
  }
  BmpSpec &WithClrUsed(uint32_t count) {
    clrUsed = count;
    return *this;
  }
  BmpSpec &WithColorEntries(int32_t count) {
    colorEntries = count;
    return *this;
  }
  // The 12-byte OS/2 BITMAPCOREHEADER, with three-byte colour entries;
  // such a picture is always bottom-up.
  BmpSpec &AsCore() {
    core = true;
    return *this;
  }

  int32_t width;
  int32_t height; // negative for a top-down picture
  uint16_t bitCount;
  uint32_t compression = 0;
  uint32_t clrUsed = 0;
  // Colour entries written after the header; by default as many as the
  // header implies (clrUsed, or 2^bitCount up to 8 bits).
  int32_t colorEntries = -1;
  std::vector<uint32_t> masks;
  bool core = false;
};

// Where the fields a test changes sit in a built file.
enum : size_t { BmpFileSizeAt = 2, BmpPixelOffsetAt = 10, BmpInfoAt = 14, BmpHeaderSizeAt = 14,
                BmpWidthAt = 18, BmpHeightAt = 22, BmpBitCountAt = 28, BmpCompressionAt = 30,
                BmpClrUsedAt = 46 };

inline void PutLe16(std::vector<uint8_t> &bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}
inline void PutLe32(std::vector<uint8_t> &bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; i++)
    bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Builds a BMP file. `palette` gives the colour table entries as 0xRRGGBB
// (padded with black to the number of entries written); `pixel(x, y)`, with
// y = 0 the top row, gives a colour index up to 8 bits, a 16-bit value at
// 16 bits, and 0xRRGGBB at 24 and 32 bits.
inline std::vector<uint8_t> BuildBmp(const BmpSpec &spec, const std::vector<uint32_t> &palette,
                                     const std::function<uint32_t(int, int)> &pixel) {
  uint32_t entries = spec.colorEntries >= 0 ? static_cast<uint32_t>(spec.colorEntries)
                     : spec.clrUsed       ? spec.clrUsed
                     : spec.bitCount <= 8 ? 1u << spec.bitCount
                                          : 0;
  uint32_t rows = static_cast<uint32_t>(std::abs(spec.height));
  uint32_t stride = (static_cast<uint32_t>(spec.width) * spec.bitCount + 31) / 32 * 4;
  uint32_t headerSize = spec.core ? 12 : 40, entrySize = spec.core ? 3 : 4;
  uint32_t offset = 14 + headerSize + 4 * static_cast<uint32_t>(spec.masks.size()) + entrySize * entries;
  std::vector<uint8_t> bytes(offset + stride * rows);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLe32(bytes, BmpFileSizeAt, static_cast<uint32_t>(bytes.size()));
  PutLe32(bytes, BmpPixelOffsetAt, offset);
  PutLe32(bytes, BmpHeaderSizeAt, headerSize);
  if (spec.core) {
    PutLe16(bytes, 18, static_cast<uint16_t>(spec.width));
    PutLe16(bytes, 20, static_cast<uint16_t>(spec.height));
    PutLe16(bytes, 22, 1); // planes
    PutLe16(bytes, 24, spec.bitCount);
  } else {
    PutLe32(bytes, BmpWidthAt, static_cast<uint32_t>(spec.width));
    PutLe32(bytes, BmpHeightAt, static_cast<uint32_t>(spec.height));
    PutLe16(bytes, 26, 1); // planes
    PutLe16(bytes, BmpBitCountAt, spec.bitCount);
    PutLe32(bytes, BmpCompressionAt, spec.compression);
    PutLe32(bytes, 34, stride * rows);
    PutLe32(bytes, BmpClrUsedAt, spec.clrUsed);
  }
  size_t at = 14 + headerSize;
  for (uint32_t mask : spec.masks) {
    PutLe32(bytes, at, mask);
    at += 4;
  }
  for (uint32_t i = 0; i < entries; i++, at += entrySize) {
    uint32_t rgb = i < palette.size() ? palette[i] : 0;
    bytes[at] = static_cast<uint8_t>(rgb);           // blue
    bytes[at + 1] = static_cast<uint8_t>(rgb >> 8);  // green
    bytes[at + 2] = static_cast<uint8_t>(rgb >> 16); // red
  }
  for (uint32_t row = 0; row < rows; row++) {
    // File row `row` holds picture row y: the bottom one first, unless top-down.
    int y = spec.height < 0 ? static_cast<int>(row) : static_cast<int>(rows - 1 - row);
    uint8_t *line = bytes.data() + offset + row * stride;
    for (int x = 0; x < spec.width; x++) {
      uint32_t value = pixel(x, y);
      switch (spec.bitCount) {
      case 1:
        line[x / 8] |= static_cast<uint8_t>((value & 1) << (7 - x % 8));
        break;
      case 4:
        line[x / 2] |= static_cast<uint8_t>((value & 15) << (x % 2 ? 0 : 4));
        break;
      case 8:
        line[x] = static_cast<uint8_t>(value);
        break;
      case 16:
        line[2 * x] = static_cast<uint8_t>(value);
        line[2 * x + 1] = static_cast<uint8_t>(value >> 8);
        break;
      case 24:
      case 32: {
        size_t size = spec.bitCount / 8;
        line[size * x] = static_cast<uint8_t>(value);
        line[size * x + 1] = static_cast<uint8_t>(value >> 8);
        line[size * x + 2] = static_cast<uint8_t>(value >> 16);
        break;
      }
      }
    }
  }
  return bytes;
}

// A picture whose pixels all take the value `value`.
inline std::vector<uint8_t> BuildPlainBmp(const BmpSpec &spec, const std::vector<uint32_t> &palette,
                                          uint32_t value) {
  return BuildBmp(spec, palette, [value](int, int) { return value; });
}
