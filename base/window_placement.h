// Where CenterWindow puts a window: centred on a reference rectangle and kept
// on the screen, whose size is the one taken at start-up.
#pragma once

struct PlacementRect {
  int left, top, right, bottom;
};

struct PlacementPoint {
  int x, y;
};

PlacementPoint CenteredPosition(const PlacementRect &reference, int width, int height,
                                int screenWidth, int screenHeight);
