#include "base/setup_state_win.h"

#include <vector>

#include "base/palette.h"
#include "base/setup_state.h"
#include "base/window_placement.h"

HINSTANCE AppInstance;
HWND SetupDialog;
HPALETTE SetupPalette;

static_assert(sizeof(PaletteColor) == sizeof(PALETTEENTRY), "palette entry layout");

void CenterWindow(HWND window, HWND reference) {
  PlacementRect target = {0, 0, ScreenWidth, ScreenHeight};
  RECT rect;
  if (reference && GetWindowRect(reference, &rect))
    target = {rect.left, rect.top, rect.right, rect.bottom};
  RECT own = {};
  GetWindowRect(window, &own);
  PlacementPoint at = CenteredPosition(target, own.right - own.left, own.bottom - own.top,
                                       ScreenWidth, ScreenHeight);
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

namespace {

HPALETTE CreatePaletteOf(PaletteKind kind) {
  unsigned count = kind == PaletteKind::Fixed ? FixedPaletteSize : CubePaletteSize;
  std::vector<unsigned char> storage(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  LOGPALETTE *palette = reinterpret_cast<LOGPALETTE *>(storage.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  PaletteColor *colors = reinterpret_cast<PaletteColor *>(palette->palPalEntry);
  if (kind == PaletteKind::Fixed)
    FillFixedPalette(colors);
  else
    FillCubePalette(colors);
  return CreatePalette(palette);
}

} // namespace

void MeasureScreenAndCreatePalette() {
  HDC screen = GetDC(nullptr);
  ScreenWidth = GetDeviceCaps(screen, HORZRES);
  ScreenHeight = GetDeviceCaps(screen, VERTRES);
  PaletteKind kind = ChoosePaletteKind(GetDeviceCaps(screen, BITSPIXEL), GetDeviceCaps(screen, PLANES),
                                       GetDeviceCaps(screen, NUMCOLORS), GetDeviceCaps(screen, SIZEPALETTE));
  ReleaseDC(nullptr, screen);
  // A palette that cannot be made leaves painting without one; the run goes on.
  SetupPalette = CreatePaletteOf(kind);
}
