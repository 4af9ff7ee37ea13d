#include <gtest/gtest.h>

#include <windows.h>

#include "base/setup_state.h"
#include "base/setup_state_win.h"

namespace {

TEST(SetupWindows, PaletteSuitsTheDisplay) {
  MeasureScreenAndCreatePalette();
  ASSERT_NE(SetupPalette, nullptr);
  EXPECT_EQ(ScreenWidth, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(ScreenHeight, GetSystemMetrics(SM_CYSCREEN));
  HDC screen = GetDC(nullptr);
  int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  ASSERT_GT(depth, 8) << "the test session runs on a true-colour screen";
  // A true-colour screen gets the 4096-entry cube, entry 256 b + 16 g + r.
  PALETTEENTRY entries[4097];
  EXPECT_EQ(GetPaletteEntries(SetupPalette, 0, 4097, entries), 4096u);
  EXPECT_EQ(entries[6].peRed, 0x68);
  EXPECT_EQ(entries[16 * 13].peGreen, 0xE0);
  EXPECT_EQ(entries[256 * 15].peBlue, 0xFF);
  EXPECT_EQ(entries[100].peFlags, PC_NOCOLLAPSE);
}

class CenteredWindow : public testing::Test {
protected:
  void SetUp() override {
    ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  }
  HWND Make(int width, int height) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 5, width, height, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    windows_.push_back(window);
    return window;
  }
  static RECT Rect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
  }
  void TearDown() override {
    for (HWND w : windows_)
      DestroyWindow(w);
  }
  std::vector<HWND> windows_;
};

TEST_F(CenteredWindow, OnTheScreenOnAReferenceAndKeptOnTheScreen) {
  HWND window = Make(200, 100);
  CenterWindow(window, nullptr);
  EXPECT_EQ(Rect(window).left, ScreenWidth / 2 - 100);
  EXPECT_EQ(Rect(window).top, ScreenHeight / 2 - 50);

  HWND reference = Make(400, 300);
  SetWindowPos(reference, nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  CenterWindow(window, reference);
  EXPECT_EQ(Rect(window).left, 40 + 200 - 100);
  EXPECT_EQ(Rect(window).top, 60 + 150 - 50);

  SetWindowPos(reference, nullptr, ScreenWidth - 100, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  CenterWindow(window, reference);
  EXPECT_EQ(Rect(window).left, ScreenWidth - 200) << "flush with the right edge";

  HWND wide = Make(ScreenWidth + 50, 100);
  CenterWindow(wide, nullptr);
  EXPECT_EQ(Rect(wide).left, 0);
}

} // namespace
