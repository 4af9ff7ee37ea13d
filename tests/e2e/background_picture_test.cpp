// The main dialog over the sample distribution, whose SETUPBK.QBK the
// dialog paints behind its controls: the picture at its place left of the
// instruction text and above the blank marker, its key colour (the colour
// of its top left pixel) letting the dialog show through. The screen is
// saved as screenshots/main-dialog-picture.png, the picture the README
// shows.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "e2e_support.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

// A BMP file's pixels as 0xRRGGBB, rows top to bottom. Reads what the
// sample's drawing script writes: uncompressed, 8 bits with a colour table
// or 24 bits.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

uint32_t Little(const std::string &bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; i--)
    value = value << 8 | static_cast<uint8_t>(bytes.at(at + i));
  return value;
}

testing::AssertionResult ReadPicture(const std::string &path, Picture *picture) {
  const std::string bytes = ReadFileBytes(path);
  if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0)
    return testing::AssertionFailure() << path << " is no BMP file";
  const uint32_t dataAt = Little(bytes, 10, 4), headerSize = Little(bytes, 14, 4);
  const int32_t width = static_cast<int32_t>(Little(bytes, 18, 4));
  const int32_t height = static_cast<int32_t>(Little(bytes, 22, 4));
  const unsigned bits = Little(bytes, 28, 2), compression = Little(bytes, 30, 4);
  unsigned colours = Little(bytes, 46, 4);
  if ((bits != 8 && bits != 24) || compression != 0 || width <= 0 || height == 0)
    return testing::AssertionFailure() << path << ": " << bits << " bits, compression " << compression;
  if (bits == 8 && colours == 0)
    colours = 256;
  picture->width = width;
  picture->height = std::abs(height);
  picture->pixels.resize(static_cast<size_t>(picture->width) * picture->height);
  const size_t stride = (static_cast<size_t>(width) * bits / 8 + 3) & ~static_cast<size_t>(3);
  if (dataAt + stride * picture->height > bytes.size())
    return testing::AssertionFailure() << path << " is cut short";
  for (int y = 0; y < picture->height; y++) {
    // Rows are stored bottom up unless the height is negative.
    const size_t row = dataAt + stride * (height > 0 ? picture->height - 1 - y : y);
    for (int x = 0; x < width; x++) {
      size_t at = bits == 24 ? row + 3 * x : 14 + headerSize + 4 * static_cast<uint8_t>(bytes[row + x]);
      if (bits == 8 && static_cast<uint8_t>(bytes[row + x]) >= colours)
        return testing::AssertionFailure() << path << ": colour index beyond the table";
      picture->pixels[static_cast<size_t>(y) * width + x] = Little(bytes, at, 3); // blue, green, red
    }
  }
  return testing::AssertionSuccess();
}

uint32_t ScreenPixel(const setup_driver::Image &screen, int x, int y) {
  const uint8_t *p = screen.Pixel(x, y);
  return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
}

std::string Hex(uint32_t rgb) {
  char text[16];
  snprintf(text, sizeof text, "%06X", rgb);
  return text;
}

int ScreenBits() {
  HDC screen = GetDC(nullptr);
  int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  return bits;
}

TEST(BackgroundPicture, IsPaintedAtItsPlaceWithItsKeyColourShowingTheDialog) {
  // The default install folder in the edit, as a player sees it first.
  ForgetRememberedFolder();
  Distribution distribution;
  distribution.CopyFrom(setup_driver::ToWindowsPath(QMG_SAMPLE_DISTRIBUTION));
  // The SETUP.EXE of this build, whenever the sample was made.
  ASSERT_TRUE(CopyFileA(setup_driver::ToWindowsPath(QMG_SETUP_EXE).c_str(), distribution.SetupExe().c_str(), FALSE));
  Picture picture;
  ASSERT_TRUE(ReadPicture(distribution.PathOf("SETUPBK.QBK"), &picture));
  const uint32_t key = picture.At(0, 0);

  SetupProcess setup(distribution.SetupExe());
  Shown dialog = setup.Next();
  ASSERT_TRUE(IsMainDialog(dialog));
  EXPECT_EQ(setup.Products(dialog.window), AllSelected({"Heron Hop", "Lily Links", "Reed Runner"}));
  setup.Settle();
  const setup_driver::Image screen = setup_driver::CaptureScreen();
  const std::string shot = ScreenBits() <= 8 ? "main-dialog-picture-8bit.png" : "main-dialog-picture.png";
  setup_driver::SavePng(screen, std::string(QMG_SCREENSHOT_DIR) + "/" + shot);

  // Its place: a fifth of the room left of the instruction text (1049) in
  // from the left, a quarter of the room above the blank marker (1048) down
  // from the top, both measured on the window rectangles; the dialog paints
  // it there in its client area.
  const RECT whole = setup_driver::WindowRect(dialog.window);
  const RECT text = setup_driver::WindowRect(GetDlgItem(dialog.window, IDC_TEXT_LINE1));
  const RECT marker = setup_driver::WindowRect(GetDlgItem(dialog.window, IDC_PICTURE_TOP));
  const int roomX = text.left - whole.left - picture.width, roomY = marker.top - whole.top - picture.height;
  POINT at = {roomX > 0 ? roomX / 5 : 0, roomY > 0 ? roomY / 4 : 0};
  ASSERT_TRUE(ClientToScreen(dialog.window, &at));
  ASSERT_TRUE(at.x >= 0 && at.y >= 0 && at.x + picture.width <= screen.width &&
              at.y + picture.height <= screen.height)
      << "the picture's place " << at.x << "," << at.y << " is not on the screen";

  // On a palette screen the colours come out as the palette allows and the
  // dialog face may be dithered: only the key colour is checked there.
  const bool trueColour = ScreenBits() > 8;
  const COLORREF faceRef = GetSysColor(COLOR_3DFACE);
  const uint32_t face = GetRValue(faceRef) << 16 | GetGValue(faceRef) << 8 | GetBValue(faceRef);
  long keyPixels = 0, keyShown = 0, notFace = 0, drawn = 0, wrong = 0;
  std::string firstWrong;
  for (int y = 0; y < picture.height; y++)
    for (int x = 0; x < picture.width; x++) {
      const uint32_t want = picture.At(x, y), seen = ScreenPixel(screen, at.x + x, at.y + y);
      if (want == key) {
        keyPixels++;
        keyShown += seen == key;
        if (trueColour && seen != face) {
          if (!wrong++)
            firstWrong = "key pixel " + std::to_string(x) + "," + std::to_string(y) + " shows " + Hex(seen);
        }
      } else {
        drawn++;
        notFace += seen != face;
        if (trueColour && seen != want) {
          if (!wrong++)
            firstWrong = "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " + Hex(seen) +
                         " instead of " + Hex(want);
        }
      }
    }
  SCOPED_TRACE("dialog face " + Hex(face) + ", key " + Hex(key) + ", picture " + std::to_string(picture.width) +
               "x" + std::to_string(picture.height) + " at " + std::to_string(at.x) + "," +
               std::to_string(at.y) + " on the screen; see " + shot);
  ASSERT_GT(keyPixels, 0) << "the sample picture has no key-coloured pixel";
  ASSERT_GT(drawn, 0);
  EXPECT_GT(notFace, 0) << "nothing of the picture is on the dialog";
  EXPECT_EQ(keyShown, 0) << "the key colour is painted instead of letting the dialog show";
  EXPECT_EQ(wrong, 0) << "pixels that differ from the picture over the dialog face; the first: " << firstWrong;

  // Nowhere on the dialog is the key colour painted.
  long keyOnDialog = 0;
  for (int y = std::max<int>(whole.top, 0); y < std::min<int>(whole.bottom, screen.height); y++)
    for (int x = std::max<int>(whole.left, 0); x < std::min<int>(whole.right, screen.width); x++)
      keyOnDialog += ScreenPixel(screen, x, y) == key;
  EXPECT_EQ(keyOnDialog, 0);

  setup.Press(dialog.window, IDCANCEL);
  EXPECT_TRUE(IsExit(setup.Next(true), 0));
}

} // namespace
} // namespace e2e
