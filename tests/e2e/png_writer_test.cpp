// The screenshot encoder: what it writes must read back as the same picture.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "png_writer.h"

namespace setup_driver {
namespace {

uint32_t BigEndian32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
};

// Splits a PNG file into its chunks, checking the signature and every CRC.
std::vector<Chunk> ReadChunks(const std::vector<uint8_t> &png) {
  static const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<Chunk> chunks;
  if (png.size() < 8 || !std::equal(signature, signature + 8, png.begin())) {
    ADD_FAILURE() << "no PNG signature";
    return chunks;
  }
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t length = BigEndian32(&png[at]);
    if (at + 12 + length > png.size()) {
      ADD_FAILURE() << "chunk runs past the end";
      break;
    }
    const uint8_t *type = &png[at + 4];
    uLong crc = crc32(crc32(0L, Z_NULL, 0), type, 4 + length);
    EXPECT_EQ(BigEndian32(type + 4 + length), crc) << "CRC of chunk " << chunks.size();
    chunks.push_back({std::string(type, type + 4), std::vector<uint8_t>(type + 4, type + 4 + length)});
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size()) << "bytes after the last chunk";
  return chunks;
}

TEST(PngWriter, WritesAPictureThatReadsBackTheSame) {
  struct Size {
    int width, height;
  } sizes[] = {{1, 1}, {3, 2}, {257, 3}, {2, 300}};
  for (Size size : sizes) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
    std::vector<uint8_t> rgb(static_cast<size_t>(size.width) * size.height * 3);
    for (size_t i = 0; i < rgb.size(); i++)
      rgb[i] = static_cast<uint8_t>(i * 7 + i / 3);
    std::vector<Chunk> chunks = ReadChunks(EncodePng(size.width, size.height, rgb));
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    EXPECT_TRUE(chunks[2].data.empty());

    const std::vector<uint8_t> &header = chunks[0].data;
    ASSERT_EQ(header.size(), 13u);
    EXPECT_EQ(BigEndian32(&header[0]), static_cast<uint32_t>(size.width));
    EXPECT_EQ(BigEndian32(&header[4]), static_cast<uint32_t>(size.height));
    EXPECT_EQ(std::vector<uint8_t>(header.begin() + 8, header.end()), (std::vector<uint8_t>{8, 2, 0, 0, 0}))
        << "8-bit RGB, deflate, no filtering method beyond the basic one, no interlace";

    const size_t rowBytes = static_cast<size_t>(size.width) * 3;
    std::vector<uint8_t> raw((rowBytes + 1) * size.height + 1);
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, chunks[1].data.data(), chunks[1].data.size()), Z_OK);
    ASSERT_EQ(rawSize, (rowBytes + 1) * size.height);
    for (int y = 0; y < size.height; y++) {
      const uint8_t *row = &raw[(rowBytes + 1) * y];
      EXPECT_EQ(row[0], 0) << "filter of row " << y;
      EXPECT_TRUE(std::equal(row + 1, row + 1 + rowBytes, rgb.begin() + rowBytes * y)) << "pixels of row " << y;
    }
  }
}

TEST(PngWriter, RefusesPicturesThatDoNotAddUp) {
  EXPECT_TRUE(EncodePng(0, 5, {}).empty());
  EXPECT_TRUE(EncodePng(2, 0, {}).empty());
  EXPECT_TRUE(EncodePng(-1, 1, std::vector<uint8_t>(3)).empty());
  EXPECT_TRUE(EncodePng(2, 2, std::vector<uint8_t>(11)).empty());
  EXPECT_TRUE(EncodePng(2, 2, std::vector<uint8_t>(13)).empty());
}

} // namespace
} // namespace setup_driver
