#include "picture/picture_placement.h"

PicturePosition PlacePicture(int dialogLeft, int dialogTop, int textLeft, int markerTop, int width,
                             int height) {
  int freeWidth = (textLeft - dialogLeft) - width;
  int freeHeight = (markerTop - dialogTop) - height;
  return {freeWidth > 0 ? freeWidth / 5 : 0, freeHeight > 0 ? freeHeight / 4 : 0};
}
