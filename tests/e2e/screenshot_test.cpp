// A picture of the main dialog over a sample distribution, kept in the build
// tree (screenshots/main-dialog.png) for people to look at.
#include <windows.h>

#include <set>

#include "e2e_support.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const char SampleScript[] =
    "# The sample: three games with their packages, one whose package is missing.\r\n"
    "L01=Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nZ=REED.QPK\r\n"
    "L02=Lily Links\r\nV=2.1\r\nF=LILYLINK\r\nZ=LILY1.QPK\r\nZ=LILY2.QPK\r\n"
    "L03=Marsh Mahjong\r\nV=1.2\r\nF=MAHJONG\r\nZ=MAHJ.QPK\r\n"
    "L04=Heron Hop\r\nV=0.9\r\nF=HERONHOP\r\nZ=HERON.QPK\r\n";

TEST(Screenshot, MainDialogOverTheSampleDistribution) {
  Distribution distribution;
  distribution.AddPackages({"REED.QPK", "LILY1.QPK", "LILY2.QPK", "MAHJ.QPK"});
  distribution.WriteStampedScript(std::string(ScriptHeader) + SampleScript);

  SetupProcess setup(distribution.SetupExe());
  Shown dialog = setup.Next();
  ASSERT_TRUE(IsMainDialog(dialog));
  EXPECT_EQ(setup.Products(dialog.window), AllSelected({"Lily Links", "Marsh Mahjong", "Reed Runner"}));
  setup.Settle();
  setup_driver::Image screen = setup_driver::CaptureScreen();

  // The dialog's client area in the picture is mostly the dialog face colour,
  // with text and controls drawn on it: proof that the picture shows the
  // dialog and not an empty or black screen.
  RECT client;
  ASSERT_TRUE(GetClientRect(dialog.window, &client));
  MapWindowPoints(dialog.window, nullptr, reinterpret_cast<POINT *>(&client), 2);
  // On a narrow screen the dialog reaches past the edge; look at what shows.
  const RECT whole = {0, 0, screen.width, screen.height};
  ASSERT_TRUE(IntersectRect(&client, &client, &whole));
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  long facePixels = 0, pixels = 0;
  std::set<uint32_t> colours;
  for (int y = client.top; y < client.bottom; y++)
    for (int x = client.left; x < client.right; x++) {
      const uint8_t *p = screen.Pixel(x, y);
      colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
      facePixels += RGB(p[0], p[1], p[2]) == face;
      pixels++;
    }
  EXPECT_GT(facePixels * 2, pixels) << "dialog face colour in under half of the client area";
  EXPECT_GE(colours.size(), 3u) << "nothing drawn on the dialog";

  const std::string folder = QMG_SCREENSHOT_DIR;
  setup_driver::SavePng(screen, folder + "/main-dialog.png");
  WIN32_FILE_ATTRIBUTE_DATA saved;
  ASSERT_TRUE(GetFileAttributesExA(setup_driver::ToWindowsPath(folder + "/main-dialog.png").c_str(),
                                   GetFileExInfoStandard, &saved));
  EXPECT_GT(saved.nFileSizeLow, 1000u);

  setup.Press(dialog.window, IDCANCEL);
  EXPECT_TRUE(IsExit(setup.Next(true), 0));
}

} // namespace
} // namespace e2e
