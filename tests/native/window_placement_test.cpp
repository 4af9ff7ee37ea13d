#include <gtest/gtest.h>

#include "base/window_placement.h"

namespace {

TEST(WindowPlacement, CentresAndKeepsTheWindowOnTheScreen) {
  struct Case {
    const char *why;
    PlacementRect reference;
    int width, height;
    PlacementPoint expected;
  } cases[] = {
      {"centred on the screen", {0, 0, 1024, 768}, 624, 300, {200, 234}},
      {"odd sizes truncate", {0, 0, 1025, 769}, 625, 301, {200, 234}},
      {"wider than the screen", {0, 0, 640, 480}, 700, 300, {0, 90}},
      {"taller than the screen", {0, 0, 640, 480}, 300, 500, {170, 0}},
      {"reference near the right edge", {900, 100, 1020, 200}, 300, 100, {724, 100}},
      {"reference near the bottom", {0, 700, 200, 760}, 100, 200, {50, 568}},
      {"reference off the top left", {-400, -300, -100, -100}, 100, 100, {0, 0}},
      {"centred on a reference", {100, 100, 500, 400}, 200, 100, {200, 200}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    PlacementPoint at = CenteredPosition(c.reference, c.width, c.height, 1024, 768);
    EXPECT_EQ(at.x, c.expected.x);
    EXPECT_EQ(at.y, c.expected.y);
  }
}

} // namespace
