// The main dialog paints the background picture from the distribution
// folder, colour-keyed, at its place left of the instruction text and above
// the blank marker.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/setup_dialog.h"
#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "resources/resource_ids.h"
#include "script/script_reader.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

const int Width = 40, Height = 20;
const uint32_t Key = 0xFF00FF, Face = 0x2060A0;

void Pump() {
  MSG message;
  for (int i = 0; i < 5; i++) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&message);
    Sleep(20);
  }
}

TEST(SetupDialogPicture, ThePictureIsPaintedColourKeyedAtItsPlace) {
  Win32ScratchFolder dist("qmgpaint");
  std::vector<uint8_t> picture = BuildBmp(BmpSpec(Width, Height, 24), {}, [](int x, int y) -> uint32_t {
    return (x == 0 && y == 0) || (x == 20 && y == 10) ? Key : Face;
  });
  std::ofstream(dist / "SETUPBK.QBK", std::ios::binary)
      .write(reinterpret_cast<const char *>(picture.data()), picture.size());

  snprintf(SourceFolder, sizeof SourceFolder, "%s\\", dist.path().c_str());
  AttachScript(nullptr, 0);
  AppInstance = GetModuleHandleA(nullptr);
  MeasureScreenAndCreatePalette();
  HWND dialog = CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDlgProc, 0);
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  Pump();

  RECT whole, text, marker;
  GetWindowRect(dialog, &whole);
  GetWindowRect(GetDlgItem(dialog, IDC_TEXT_LINE1), &text);
  GetWindowRect(GetDlgItem(dialog, IDC_PICTURE_TOP), &marker);
  int x = ((text.left - whole.left) - Width) / 5;
  int y = ((marker.top - whole.top) - Height) / 4;
  ASSERT_GT(x, 0);
  ASSERT_GT(y, 0);

  HDC dc = GetDC(dialog);
  COLORREF face = RGB(Face >> 16, (Face >> 8) & 0xFF, Face & 0xFF);
  COLORREF background = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(GetPixel(dc, x + 1, y), face);
  EXPECT_EQ(GetPixel(dc, x + Width - 1, y + Height - 1), face);
  EXPECT_EQ(GetPixel(dc, x, y), background) << "the key pixel at the corner";
  EXPECT_EQ(GetPixel(dc, x + 20, y + 10), background) << "a key pixel inside";
  EXPECT_EQ(GetPixel(dc, x - 1, y + 5), background) << "left of the picture";
  EXPECT_EQ(GetPixel(dc, x + Width, y + 5), background) << "right of the picture";
  EXPECT_EQ(GetPixel(dc, x + 5, y + Height), background) << "below the picture";
  ReleaseDC(dialog, dc);
  DestroyWindow(dialog);
}

} // namespace
