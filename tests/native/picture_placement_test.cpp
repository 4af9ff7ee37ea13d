#include <gtest/gtest.h>

#include "picture/picture_placement.h"

namespace {

TEST(PicturePlacement, AFifthOfTheFreeWidthAndAQuarterOfTheFreeHeight) {
  struct Case {
    int dialogLeft, dialogTop, textLeft, markerTop, width, height;
    int x, y;
  } cases[] = {
      {100, 50, 403, 190, 272, 96, 6, 11},   // (303 - 272) / 5, (140 - 96) / 4
      {0, 0, 300, 140, 300, 140, 0, 0},      // no room at all
      {0, 0, 300, 140, 400, 200, 0, 0},      // wider and taller than the room
      {0, 0, 300, 140, 296, 136, 0, 1},      // 4 / 5 rounds down, 4 / 4 does not
      {-50, -20, 250, 120, 0, 0, 60, 35},    // off-screen dialogs measure the same
  };
  for (const Case &c : cases) {
    PicturePosition at = PlacePicture(c.dialogLeft, c.dialogTop, c.textLeft, c.markerTop, c.width, c.height);
    EXPECT_EQ(at.x, c.x) << c.width << "x" << c.height;
    EXPECT_EQ(at.y, c.y) << c.width << "x" << c.height;
  }
}

} // namespace
