#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "picture/dib_header.h"
#include "tests/support/bmp_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Tamper = std::function<void(Bytes &)>;

const Tamper Untouched = [](Bytes &) {};

const std::vector<uint32_t> Grey16 = {0x000000, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555,
                                      0x666666, 0x777777, 0x888888, 0x999999, 0xAAAAAA, 0xBBBBBB,
                                      0xCCCCCC, 0xDDDDDD, 0xEEEEEE, 0xFFFFFF};

Bytes Checkerboard(const BmpSpec &spec) {
  return BuildBmp(spec, Grey16, [&](int x, int y) -> uint32_t {
    bool odd = (x + y) % 2;
    if (spec.bitCount <= 8)
      return odd ? 1 : 0;
    return odd ? 0xFFFFFF : 0x000000;
  });
}

BmpCheck Check(const Bytes &bytes) {
  BmpFileLayout layout;
  DibFormat format;
  return CheckBmpFile(bytes.data(), bytes.size(), layout, format);
}

TEST(DibHeader, SoundPicturesPassWithTheirStoreWorkedOut) {
  struct Case {
    const char *name;
    BmpSpec spec;
    uint32_t rowBytes, storeBytes, colors;
  } cases[] = {
      {"1 bit, 9 wide", {9, 3, 1}, 4, 12, 2},
      {"4 bits, 5 wide", {5, 2, 4}, 4, 8, 16},
      {"8 bits", {4, 2, 8}, 4, 8, 256},
      {"8 bits, 200 colours", BmpSpec(3, 2, 8).WithClrUsed(200), 4, 8, 200},
      {"8 bits, top-down", {6, -3, 8}, 8, 24, 256},
      {"24 bits, rows padded", {3, 3, 24}, 12, 36, 0},
      {"24 bits, top-down", {5, -2, 24}, 16, 32, 0},
      {"32 bits", {2, 2, 32}, 8, 16, 0},
      {"16 bits with masks", BmpSpec(3, 2, 16).WithMasks({0xF800, 0x07E0, 0x001F}), 8, 16, 0},
      {"32 bits with masks", BmpSpec(2, -2, 32).WithMasks({0xFF0000, 0xFF00, 0xFF}), 8, 16, 0},
      {"8 bits, 300 colours declared, 256 read", BmpSpec(3, 2, 8).WithClrUsed(300), 4, 8, 256},
      {"OS/2 core header, 8 bits", BmpSpec(4, 2, 8).AsCore(), 4, 8, 256},
      {"OS/2 core header, 1 bit", BmpSpec(9, 3, 1).AsCore(), 4, 12, 2},
      {"OS/2 core header, 24 bits", BmpSpec(3, 3, 24).AsCore(), 12, 36, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = Checkerboard(c.spec);
    BmpFileLayout layout;
    DibFormat format;
    ASSERT_EQ(CheckBmpFile(bytes.data(), bytes.size(), layout, format), BmpCheck::Ok);
    EXPECT_EQ(format.rowBytes, c.rowBytes);
    EXPECT_EQ(format.storeBytes, c.storeBytes);
    EXPECT_EQ(layout.PixelLength(), c.storeBytes);
    EXPECT_EQ(format.colorCount, c.colors);
    EXPECT_EQ(format.TopDown(), c.spec.height < 0);
    EXPECT_EQ(format.Rows(), static_cast<uint32_t>(std::abs(c.spec.height)));
  }
}

TEST(DibHeader, FileHeaderFaultsAreCaught) {
  BmpSpec eightBits{4, 2, 8};
  struct Case {
    const char *name;
    Tamper tamper;
    BmpCheck expected;
  } cases[] = {
      {"extra bytes after the declared size are ignored", [](Bytes &b) { b.insert(b.end(), 40, 0xEE); },
       BmpCheck::Ok},
      {"pixel data shorter than the store", [](Bytes &b) { PutLe32(b, BmpFileSizeAt, uint32_t(b.size() - 3)); },
       BmpCheck::Ok},
      {"wrong signature", [](Bytes &b) { b[1] = 'N'; }, BmpCheck::NotABitmap},
      {"fewer than 14 bytes", [](Bytes &b) { b.resize(13); }, BmpCheck::NotABitmap},
      {"file ends before the declared size", [](Bytes &b) { b.resize(b.size() - 1); }, BmpCheck::SizeOutsideFile},
      {"declared size below the pixel offset", [](Bytes &b) { PutLe32(b, BmpFileSizeAt, 60); },
       BmpCheck::SizeOutsideFile},
      {"pixel offset past the end of the file",
       [](Bytes &b) { PutLe32(b, BmpPixelOffsetAt, uint32_t(b.size() + 1)); }, BmpCheck::OffsetOutsideFile},
      {"pixel offset inside the file header", [](Bytes &b) { PutLe32(b, BmpPixelOffsetAt, 10); },
       BmpCheck::OffsetOutsideFile},
      {"info block shorter than its BITMAPINFOHEADER", [](Bytes &b) { PutLe32(b, BmpPixelOffsetAt, 14 + 39); },
       BmpCheck::ShortInfoBlock},
      {"info block shorter than any header", [](Bytes &b) { PutLe32(b, BmpPixelOffsetAt, 14 + 11); },
       BmpCheck::OffsetOutsideFile},
      {"more pixel bytes declared than the store holds",
       [](Bytes &b) {
         b.insert(b.end(), 4, 0);
         PutLe32(b, BmpFileSizeAt, uint32_t(b.size()));
       },
       BmpCheck::PixelsExceedStore},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = Checkerboard(eightBits);
    c.tamper(bytes);
    EXPECT_EQ(Check(bytes), c.expected) << DescribeBmpCheck(Check(bytes));
  }
}

TEST(DibHeader, InfoBlockFaultsAreCaught) {
  struct Case {
    const char *name;
    BmpSpec spec;
    Tamper tamper;
    BmpCheck expected;
  } cases[] = {
      {"header of 16 bytes, neither core nor info", {4, 2, 8}, [](Bytes &b) { PutLe32(b, BmpHeaderSizeAt, 16); },
       BmpCheck::ShortInfoBlock},
      {"core header's colour table cut short", BmpSpec(4, 2, 8).AsCore().WithColorEntries(255), Untouched,
       BmpCheck::ShortColorTable},
      {"core header of height 0", BmpSpec(4, 2, 8).AsCore(), [](Bytes &b) { PutLe16(b, 20, 0); },
       BmpCheck::BadDimensions},
      {"core header taller than the loader takes", BmpSpec(4, 2, 8).AsCore(),
       [](Bytes &b) { PutLe16(b, 20, 0xFFFF); }, BmpCheck::BadDimensions},
      {"core header at 7 bits", BmpSpec(4, 2, 24).AsCore(), [](Bytes &b) { PutLe16(b, 24, 7); },
       BmpCheck::UnsupportedFormat},
      {"header longer than the block", {4, 2, 24}, [](Bytes &b) { PutLe32(b, BmpHeaderSizeAt, 124); },
       BmpCheck::ShortInfoBlock},
      {"colour table cut short", BmpSpec(4, 2, 8).WithColorEntries(16), Untouched, BmpCheck::ShortColorTable},
      {"colour count past the block", BmpSpec(4, 2, 8).WithColorEntries(16),
       [](Bytes &b) { PutLe32(b, BmpClrUsedAt, 17); },
       BmpCheck::ShortColorTable},
      {"masks missing", BmpSpec(4, 2, 32).WithMasks({}), Untouched, BmpCheck::ShortColorTable},
      {"257 colours declared, 256 there: the system reads 256", {4, 2, 8},
       [](Bytes &b) { PutLe32(b, BmpClrUsedAt, 257); }, BmpCheck::Ok},
      {"200 colours declared on 4 bits, 16 there", {4, 2, 4}, [](Bytes &b) { PutLe32(b, BmpClrUsedAt, 200); },
       BmpCheck::ShortColorTable},
      {"huge colour count at 24 bits", {4, 2, 24}, [](Bytes &b) { PutLe32(b, BmpClrUsedAt, 0xFFFFFFFF); },
       BmpCheck::ShortColorTable},
      {"zero width", {4, 2, 8}, [](Bytes &b) { PutLe32(b, BmpWidthAt, 0); }, BmpCheck::BadDimensions},
      {"negative width", {4, 2, 8}, [](Bytes &b) { PutLe32(b, BmpWidthAt, uint32_t(-4)); },
       BmpCheck::BadDimensions},
      {"zero height", {4, 2, 8}, [](Bytes &b) { PutLe32(b, BmpHeightAt, 0); }, BmpCheck::BadDimensions},
      {"height at the most negative value", {4, 2, 8}, [](Bytes &b) { PutLe32(b, BmpHeightAt, 0x80000000u); },
       BmpCheck::BadDimensions},
      {"wider than the loader takes", {4, 2, 8}, [](Bytes &b) { PutLe32(b, BmpWidthAt, 40000); },
       BmpCheck::BadDimensions},
      {"store past 2 GB", {4, 2, 32},
       [](Bytes &b) {
         PutLe32(b, BmpWidthAt, 32767);
         PutLe32(b, BmpHeightAt, 32767);
       },
       BmpCheck::BadDimensions},
      {"7 bits per pixel", {4, 2, 24}, [](Bytes &b) { PutLe16(b, BmpBitCountAt, 7); }, BmpCheck::UnsupportedFormat},
      {"run-length compression", {4, 2, 8}, [](Bytes &b) { PutLe32(b, BmpCompressionAt, 1); },
       BmpCheck::UnsupportedFormat},
      {"masks on an 8-bit picture", {4, 2, 8}, [](Bytes &b) { PutLe32(b, BmpCompressionAt, 3); },
       BmpCheck::UnsupportedFormat},
      {"embedded PNG", {4, 2, 24}, [](Bytes &b) { PutLe32(b, BmpCompressionAt, 5); }, BmpCheck::UnsupportedFormat},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = Checkerboard(c.spec);
    c.tamper(bytes);
    EXPECT_EQ(Check(bytes), c.expected) << DescribeBmpCheck(Check(bytes));
  }
}

TEST(DibHeader, InfoBlockShorterThanItsHeaderIsRefusedWithoutReadingPastIt) {
  Bytes bytes = Checkerboard({4, 2, 24});
  DibFormat format;
  for (size_t length = 0; length < BmpInfoHeaderSize; length++) {
    // An exact-size copy, so that any read past it trips the address sanitizer.
    Bytes block(bytes.begin() + BmpInfoAt, bytes.begin() + BmpInfoAt + length);
    EXPECT_EQ(CheckDibInfo(block.data(), block.size(), format), BmpCheck::ShortInfoBlock) << length;
  }
  Bytes whole(bytes.begin() + BmpInfoAt, bytes.begin() + BmpInfoAt + BmpInfoHeaderSize);
  EXPECT_EQ(CheckDibInfo(whole.data(), whole.size(), format), BmpCheck::Ok);
}

TEST(DibHeader, PackedInfoSizesFollowTheColourCount) {
  struct Case {
    uint16_t bits;
    uint32_t clrUsed, compression;
    uint32_t colors;
    size_t packed;
  } cases[] = {
      {1, 0, 0, 2, 48},         {4, 0, 0, 16, 104},       {8, 0, 0, 256, 1064},
      {8, 200, 0, 200, 840},    {8, 300, 0, 256, 1064},   {24, 0, 0, 0, 40},        {24, 3, 0, 3, 52},
      {32, 0, 3, 0, 52},        {16, 0, 3, 0, 52},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(DibColorCount(c.bits, c.clrUsed), c.colors) << c.bits << "/" << c.clrUsed;
    EXPECT_EQ(PackedDibInfoSize(40, c.compression, c.colors), c.packed) << c.bits << "/" << c.clrUsed;
  }
  EXPECT_EQ(PackedDibInfoSize(124, 3, 0), 124u) << "a V5 header holds its own masks";
  EXPECT_EQ(PackedDibInfoSize(12, 0, 256), 12u + 3 * 256) << "a core header's entries are three bytes";
  EXPECT_EQ(DibRowBytes(1, 1), 4u);
  EXPECT_EQ(DibRowBytes(33, 1), 8u);
  EXPECT_EQ(DibRowBytes(0, 24), 0u);
}

} // namespace
