#include "base/window_placement.h"

namespace {

// Clamps one coordinate: a window that would start off the screen starts at
// 0, one that would reach past the far edge is pulled back flush with it.
int KeepOnScreen(int position, int size, int screenSize) {
  if (position < 0)
    return 0;
  if (position + size >= screenSize)
    return screenSize - size;
  return position;
}

} // namespace

PlacementPoint CenteredPosition(const PlacementRect &reference, int width, int height,
                                int screenWidth, int screenHeight) {
  int x = (reference.left + reference.right) / 2 - width / 2;
  int y = (reference.top + reference.bottom) / 2 - height / 2;
  return {KeepOnScreen(x, width, screenWidth), KeepOnScreen(y, height, screenHeight)};
}
