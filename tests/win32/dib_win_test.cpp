// Picture files read into DIB sections and turned into device bitmaps under
// Wine, with files the tests build themselves.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "picture/dib.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::vector<uint32_t> Colours = {0x102030, 0xF0E0D0, 0x00A000, 0xC00000, 0x0000C0, 0xFFFF00,
                                       0x808080, 0x00FFFF, 0xFF00FF, 0x404040, 0x123456, 0x654321,
                                       0xABCDEF, 0xFEDCBA, 0x0F0F0F, 0xF0F0F0};

class DibFile : public testing::Test {
protected:
  std::string Write(const std::string &name, const Bytes &bytes) {
    std::string path = folder_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    return path;
  }
  Win32ScratchFolder folder_{"qmgdib"};
};

// The colour the picture should show at (x, y), as 0xRRGGBB.
uint32_t Expected(const BmpSpec &spec, int x, int y) {
  uint32_t index = static_cast<uint32_t>(x + 2 * y);
  if (spec.bitCount <= 8)
    return Colours[index % (1u << spec.bitCount) % Colours.size()];
  return Colours[index % Colours.size()];
}

Bytes Pattern(const BmpSpec &spec) {
  return BuildBmp(spec, Colours, [&](int x, int y) -> uint32_t {
    uint32_t index = static_cast<uint32_t>(x + 2 * y);
    return spec.bitCount <= 8 ? index % (1u << spec.bitCount) % Colours.size() : Colours[index % Colours.size()];
  });
}

// Reads the device bitmap's pixels back as 0xRRGGBB.
uint32_t PixelOf(HDC dc, int x, int y) {
  COLORREF c = GetPixel(dc, x, y);
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

TEST_F(DibFile, EveryDepthInBothRowOrdersComesOutPixelForPixel) {
  BmpSpec specs[] = {{9, 3, 1},         {5, 4, 4},  {7, 3, 8},  {7, -3, 8},
                     {5, 3, 24},        {5, -3, 24}, {4, 3, 32}, BmpSpec(7, 3, 8).AsCore(),
                     BmpSpec(5, 4, 4).AsCore(), BmpSpec(5, 3, 24).AsCore(),
                     // More colours declared than the system reads: the first 256 count.
                     BmpSpec(7, 3, 8).WithClrUsed(300)};
  for (const BmpSpec &spec : specs) {
    SCOPED_TRACE(std::to_string(spec.bitCount) + " bits, height " + std::to_string(spec.height) +
                 (spec.core ? ", OS/2 core header" : "") + ", " + std::to_string(spec.clrUsed) + " colours used");
    CDib *dib = LoadDibFile(Write("pattern.bmp", Pattern(spec)).c_str());
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->info.dsBm.bmWidth, spec.width);
    EXPECT_EQ(dib->info.dsBm.bmHeight, std::abs(spec.height));
    EXPECT_EQ(dib->info.dsBm.bmBitsPixel, spec.bitCount);

    HBITMAP bitmap = CreateDeviceBitmap(dib, nullptr, nullptr);
    ASSERT_NE(bitmap, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < std::abs(spec.height); y++)
      for (int x = 0; x < spec.width; x++)
        ASSERT_EQ(PixelOf(dc, x, y), Expected(spec, x, y)) << "at " << x << "," << y;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    DestroyDib(dib);
  }
}

TEST_F(DibFile, DamagedFilesGiveNoPicture) {
  struct Case {
    const char *name;
    std::function<void(Bytes &)> tamper;
    bool loads;
  } cases[] = {
      {"extra bytes after the declared size", [](Bytes &b) { b.insert(b.end(), 100, 0xAB); }, true},
      {"wrong signature", [](Bytes &b) { b[0] = 'X'; }, false},
      {"file ends before the declared size", [](Bytes &b) { b.pop_back(); }, false},
      {"only the file header", [](Bytes &b) { b.resize(14); }, false},
      {"info block shorter than a BITMAPINFOHEADER",
       [](Bytes &b) {
         PutLe32(b, BmpHeaderSizeAt, 12);
       },
       false},
      {"more pixel bytes than the store holds",
       [](Bytes &b) {
         b.insert(b.end(), 64, 0);
         PutLe32(b, BmpFileSizeAt, uint32_t(b.size()));
       },
       false},
      {"pixel offset past the end", [](Bytes &b) { PutLe32(b, BmpPixelOffsetAt, 0x7FFFFFFF); }, false},
      {"colour table longer than the info block", [](Bytes &b) { PutLe32(b, BmpClrUsedAt, 255); }, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = Pattern(BmpSpec(6, 2, 8).WithClrUsed(16));
    c.tamper(bytes);
    CDib *dib = LoadDibFile(Write("damaged.bmp", bytes).c_str());
    EXPECT_EQ(dib != nullptr, c.loads);
    DestroyDib(dib);
  }
  EXPECT_EQ(LoadDibFile((folder_ / "SETUPBK.QBK").c_str()), nullptr) << "a missing file";
  EXPECT_EQ(LoadDibFile(folder_.path().c_str()), nullptr) << "a folder";
}

TEST_F(DibFile, PackedInfoCarriesAsManyColoursAsTheSectionReports) {
  // A 200-colour picture. What the section reports as its colour count is
  // the system's business (Wine reports 256 whatever the file said), so the
  // cases set the reported count in the record.
  std::vector<uint32_t> palette;
  for (uint32_t i = 0; i < 200; i++)
    palette.push_back((i << 16) | ((255 - i) << 8) | (i * 7 % 256));
  Bytes bytes = BuildBmp(BmpSpec(3, 2, 8).WithClrUsed(200), palette, [](int x, int y) { return x + y; });
  CDib *dib = LoadDibFile(Write("colours.bmp", bytes).c_str());
  ASSERT_NE(dib, nullptr);

  struct Case {
    DWORD reported;
    uint32_t packed;
  } cases[] = {{0, 256}, {200, 200}, {16, 16}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.reported);
    dib->info.dsBmih.biClrUsed = c.reported;
    size_t length = 0;
    PackedDibInfo packed = PackDibInfo(dib, &length);
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(length, 40 + 4 * c.packed);
    EXPECT_EQ(packed->bmiHeader.biSize, 40u);
    EXPECT_EQ(packed->bmiHeader.biWidth, 3);
    EXPECT_EQ(packed->bmiHeader.biBitCount, 8);
    EXPECT_EQ(packed->bmiHeader.biClrUsed, c.reported);
    for (uint32_t i = 0; i < std::min<uint32_t>(c.packed, 200); i++) {
      const RGBQUAD &entry = packed->bmiColors[i];
      ASSERT_EQ((uint32_t(entry.rgbRed) << 16) | (entry.rgbGreen << 8) | entry.rgbBlue, palette[i]) << i;
    }
  }
  DestroyDib(dib);
}

TEST_F(DibFile, ATopDownPictureKeepsItsRowOrderInTheRecord) {
  for (int32_t height : {3, -3}) {
    SCOPED_TRACE(height);
    CDib *dib = LoadDibFile(Write("rows.bmp", Pattern(BmpSpec(4, height, 24))).c_str());
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->info.dsBm.bmHeight, 3);
    EXPECT_EQ(dib->info.dsBmih.biHeight, height);
    PackedDibInfo packed = PackDibInfo(dib);
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(packed->bmiHeader.biHeight, height);
    DestroyDib(dib);
  }
}

TEST_F(DibFile, PackedInfoOfAMaskedPictureCarriesItsMasks) {
  Bytes bytes = BuildBmp(BmpSpec(2, 2, 16).WithMasks({0xF800, 0x07E0, 0x001F}), {}, [](int, int) { return 0xF800; });
  CDib *dib = LoadDibFile(Write("masked.bmp", bytes).c_str());
  ASSERT_NE(dib, nullptr);
  size_t length = 0;
  PackedDibInfo packed = PackDibInfo(dib, &length);
  ASSERT_NE(packed, nullptr);
  ASSERT_EQ(length, 52u);
  const DWORD *masks = reinterpret_cast<const DWORD *>(&packed->bmiColors[0]);
  EXPECT_EQ(masks[0], 0xF800u);
  EXPECT_EQ(masks[1], 0x07E0u);
  EXPECT_EQ(masks[2], 0x001Fu);
  DestroyDib(dib);
}

TEST(Dib, CreateDibRefusesABlockThatCannotHoldItsOwnHeader) {
  Bytes bytes = BuildPlainBmp(BmpSpec(2, 2, 24), {}, 0);
  EXPECT_EQ(CreateDib(bytes.data() + BmpInfoAt, 39), nullptr);
  CDib *dib = CreateDib(bytes.data() + BmpInfoAt, 40);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->info.dsBm.bmWidth, 2);
  DestroyDib(dib);
  DestroyDib(nullptr);
}

} // namespace
