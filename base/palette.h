// The palettes the background picture is painted under. On palette displays
// (8 bits, or a 256-entry system palette) and on displays of fewer than 8 bits
// the 225-entry fixed palette is used: 15 ramps of 15 colours, dark to light.
// Deeper displays get the 4096-entry colour cube.
#pragma once

#include <cstdint>

// Same layout as the system's palette entry.
struct PaletteColor {
  uint8_t red, green, blue, flags;
};

enum : unsigned { FixedPaletteSize = 225, CubePaletteSize = 4096 };
enum : uint8_t { PaletteNoCollapse = 0x04 };

enum class PaletteKind { Fixed, Cube };

PaletteKind ChoosePaletteKind(int bitsPerPixel, int planes, int numColors, int sizePalette);
void FillFixedPalette(PaletteColor colors[FixedPaletteSize]);
void FillCubePalette(PaletteColor colors[CubePaletteSize]);
