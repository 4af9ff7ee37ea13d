// Where the main dialog paints its background picture: left of the
// instruction text (control 1049) and above the blank marker (control 1048),
// a fifth of the free width in from the left and a quarter of the free
// height down from the top. All rectangles are window rectangles in screen
// coordinates; the result is relative to the dialog's top left corner.
#pragma once

struct PicturePosition {
  int x, y;
};

// `dialogLeft`, `dialogTop`: the dialog's window rectangle; `textLeft`: the
// left edge of the instruction text; `markerTop`: the top edge of the
// marker; `width` x `height`: the picture. A picture wider (or taller) than
// the room it has goes to x = 0 (or y = 0).
PicturePosition PlacePicture(int dialogLeft, int dialogTop, int textLeft, int markerTop, int width,
                             int height);
