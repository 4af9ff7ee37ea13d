#include <gtest/gtest.h>

#include "base/palette.h"

namespace {

TEST(Palette, TheDisplayChoosesFixedOrCube) {
  struct Case {
    int bits, planes, numColors, sizePalette;
    PaletteKind kind;
  } cases[] = {
      {8, 1, 20, 256, PaletteKind::Fixed},   // palette display
      {8, 1, -1, 0, PaletteKind::Fixed},     // 8 bits even without a system palette
      {1, 8, 20, 0, PaletteKind::Fixed},     // depth counts planes
      {24, 1, -1, 256, PaletteKind::Fixed},  // a 256-entry system palette wins
      {16, 1, -1, 0, PaletteKind::Cube},
      {24, 1, -1, 0, PaletteKind::Cube},
      {32, 1, -1, 0, PaletteKind::Cube},
      {4, 1, 16, 0, PaletteKind::Fixed},
      {4, 1, 512, 0, PaletteKind::Cube},     // many colours on few bits
      {1, 1, 2, 0, PaletteKind::Fixed},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ChoosePaletteKind(c.bits, c.planes, c.numColors, c.sizePalette), c.kind)
        << c.bits << "x" << c.planes << " colours " << c.numColors << " palette " << c.sizePalette;
}

uint32_t Rgb(const PaletteColor &c) { return (c.red << 16) | (c.green << 8) | c.blue; }

TEST(Palette, FixedPaletteHoldsFifteenRampsDarkToLight) {
  PaletteColor colors[FixedPaletteSize];
  FillFixedPalette(colors);
  EXPECT_EQ(Rgb(colors[0]), 0x000000u);
  EXPECT_EQ(Rgb(colors[14]), 0xFFFFFFu);
  EXPECT_EQ(Rgb(colors[15]), 0x281400u);
  EXPECT_EQ(Rgb(colors[112]), 0xFF7FFFu);
  EXPECT_EQ(Rgb(colors[150]), 0x0F1E1Eu);
  EXPECT_EQ(Rgb(colors[224]), 0xFFFFE0u);
  for (unsigned ramp = 0; ramp < 15; ramp++) {
    const PaletteColor &dark = colors[15 * ramp], &light = colors[15 * ramp + 14];
    EXPECT_LT(dark.red + dark.green + dark.blue, light.red + light.green + light.blue) << ramp;
  }
  for (const PaletteColor &c : colors)
    EXPECT_EQ(c.flags, 0);
}

TEST(Palette, CubeHasUnevenLevelsAndNoCollapse) {
  static PaletteColor colors[CubePaletteSize];
  FillCubePalette(colors);
  EXPECT_EQ(Rgb(colors[0]), 0x000000u);
  EXPECT_EQ(Rgb(colors[4095]), 0xFFFFFFu);
  EXPECT_EQ(colors[5].red, 0x50);
  EXPECT_EQ(colors[6].red, 0x68);
  EXPECT_EQ(colors[12].red, 0xC8);
  EXPECT_EQ(colors[13].red, 0xE0);
  // Entry 256 b + 16 g + r.
  const PaletteColor &mixed = colors[256 * 3 + 16 * 14 + 1];
  EXPECT_EQ(Rgb(mixed), 0x10F030u);
  for (const PaletteColor &c : colors)
    EXPECT_EQ(c.flags, PaletteNoCollapse);
}

} // namespace
