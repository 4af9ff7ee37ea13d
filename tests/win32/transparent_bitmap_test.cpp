// The colour-keyed picture drawn onto a memory bitmap over a known
// background, with every pixel read back.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "picture/transparent_bitmap.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

const ColorKeyPoint TopLeftKey[] = {{0, 0}, {-1, -1}};
const uint32_t Key = 0xFF00FF;
const uint32_t Background = 0x336699;
const int CanvasWidth = 48, CanvasHeight = 32;

// A 32-bit canvas filled with the background colour, whose pixels can be
// read straight from memory.
class Canvas {
public:
  Canvas() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = CanvasWidth;
    info.bmiHeader.biHeight = -CanvasHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    for (int i = 0; i < CanvasWidth * CanvasHeight; i++)
      bits_[i] = Background;
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;

  HDC dc() const { return dc_; }
  uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * CanvasWidth + x] & 0xFFFFFF;
  }

private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t *bits_ = nullptr;
};

class TransparentPicture : public testing::Test {
protected:
  static void SetUpTestSuite() { MeasureScreenAndCreatePalette(); }

  std::string Write(const Bytes &bytes) {
    std::string path = folder_ / "SETUPBK.QBK";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    return path;
  }

  Win32ScratchFolder folder_{"qmgpicture"};
};

// A 12 x 8 picture in the key colour's surroundings: the key at the top
// left, more key pixels scattered inside, everything else in colours of its
// own.
const int PictureWidth = 12, PictureHeight = 8;
const std::set<std::pair<int, int>> KeyPixels = {{0, 0}, {1, 0}, {5, 3}, {6, 3}, {11, 7}, {0, 7}, {8, 1}};

uint32_t PictureColour(int x, int y) {
  if (KeyPixels.count({x, y}))
    return Key;
  return 0x100000 * (x + 1) + 0x1000 * (y + 1) + 0x40;
}

const std::vector<uint32_t> &PictureTable() {
  // One colour table entry per pixel, so that an 8-bit picture shows the
  // same colours as the 24-bit one.
  static std::vector<uint32_t> table = [] {
    std::vector<uint32_t> entries;
    for (int y = 0; y < PictureHeight; y++)
      for (int x = 0; x < PictureWidth; x++)
        entries.push_back(PictureColour(x, y));
    return entries;
  }();
  return table;
}

Bytes Picture(uint16_t bits, bool topDown) {
  BmpSpec spec(PictureWidth, topDown ? -PictureHeight : PictureHeight, bits);
  if (bits == 8)
    return BuildBmp(spec.WithClrUsed(PictureWidth * PictureHeight), PictureTable(),
                    [](int x, int y) { return static_cast<uint32_t>(y * PictureWidth + x); });
  return BuildBmp(spec, {}, PictureColour);
}

TEST_F(TransparentPicture, KeyPixelsAnywhereShowTheBackground) {
  struct Case {
    const char *name;
    uint16_t bits;
    bool topDown;
  } cases[] = {{"24 bits", 24, false}, {"24 bits, top-down", 24, true}, {"8 bits", 8, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CTransparentBitmap picture;
    ASSERT_TRUE(picture.Load(Write(Picture(c.bits, c.topDown)).c_str(), TopLeftKey));
    EXPECT_EQ(picture.Width(), PictureWidth);
    EXPECT_EQ(picture.Height(), PictureHeight);
    EXPECT_EQ(picture.Key(0), RGB(0xFF, 0x00, 0xFF) | PaletteRgbFlag);
    EXPECT_EQ(picture.Key(1), 0u) << "only the listed point is sampled";

    Canvas canvas;
    const int left = 20, top = 10;
    picture.Draw(canvas.dc(), left, top, PictureWidth, PictureHeight, 0, 0);
    for (int y = 0; y < CanvasHeight; y++)
      for (int x = 0; x < CanvasWidth; x++) {
        bool inside = x >= left && x < left + PictureWidth && y >= top && y < top + PictureHeight;
        uint32_t shown = inside ? PictureColour(x - left, y - top) : Key;
        uint32_t expected = shown == Key ? Background : shown;
        ASSERT_EQ(canvas.At(x, y), expected) << "at " << x << "," << y;
      }
  }
}

TEST_F(TransparentPicture, APartOfThePictureDrawsFromItsSourcePosition) {
  CTransparentBitmap picture;
  ASSERT_TRUE(picture.Load(Write(Picture(24, false)).c_str(), TopLeftKey));
  Canvas canvas;
  picture.Draw(canvas.dc(), 2, 3, 4, 2, 5, 3); // the row with the key pair (5, 3), (6, 3)
  EXPECT_EQ(canvas.At(2, 3), Background);
  EXPECT_EQ(canvas.At(3, 3), Background);
  EXPECT_EQ(canvas.At(4, 3), PictureColour(7, 3));
  EXPECT_EQ(canvas.At(5, 4), PictureColour(8, 4));
  EXPECT_EQ(canvas.At(6, 3), Background) << "outside the drawn part";
}

TEST_F(TransparentPicture, AOneColourPictureShowsNothing) {
  for (uint16_t bits : {8, 24}) {
    SCOPED_TRACE(bits);
    CTransparentBitmap picture;
    uint32_t value = bits == 8 ? 0 : 0x20C040;
    ASSERT_TRUE(picture.Load(Write(BuildPlainBmp(BmpSpec(10, 6, bits), {0x20C040}, value)).c_str(), TopLeftKey));
    Canvas canvas;
    picture.Draw(canvas.dc(), 0, 0, 10, 6, 0, 0);
    for (int y = 0; y < CanvasHeight; y++)
      for (int x = 0; x < CanvasWidth; x++)
        ASSERT_EQ(canvas.At(x, y), Background) << "at " << x << "," << y;
  }
}

TEST_F(TransparentPicture, LoadingAgainReplacesThePictureAndReleaseIsIdempotent) {
  CTransparentBitmap picture;
  ASSERT_TRUE(picture.Load(Write(Picture(24, false)).c_str(), TopLeftKey));
  ASSERT_TRUE(picture.Load(Write(BuildBmp(BmpSpec(3, 2, 24), {}, [](int x, int) -> uint32_t {
                             return x == 0 ? 0x000000 : 0xFFFFFF;
                           })).c_str(),
                           TopLeftKey));
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(picture.Height(), 2);
  EXPECT_EQ(picture.Key(0), PaletteRgbFlag) << "black is now the key";
  Canvas canvas;
  picture.Draw(canvas.dc(), 0, 0, 3, 2, 0, 0);
  EXPECT_EQ(canvas.At(0, 0), Background);
  EXPECT_EQ(canvas.At(1, 1), 0xFFFFFFu);

  picture.Release();
  picture.Release();
  EXPECT_FALSE(picture.Loaded());
  EXPECT_EQ(picture.Width(), 3) << "the size outlives the bitmaps";
  picture.Draw(canvas.dc(), 10, 10, 3, 2, 0, 0); // draws nothing, harmlessly
  EXPECT_EQ(canvas.At(11, 11), Background);
}

TEST_F(TransparentPicture, AFileThatDoesNotLoadLeavesNothingToDraw) {
  CTransparentBitmap picture;
  EXPECT_FALSE(picture.Load((folder_ / "missing.qbk").c_str(), TopLeftKey));
  EXPECT_FALSE(picture.Loaded());
  Bytes damaged = Picture(24, false);
  damaged.resize(damaged.size() - 1);
  EXPECT_FALSE(picture.Load(Write(damaged).c_str(), TopLeftKey));
  EXPECT_FALSE(picture.Loaded());
}

} // namespace
