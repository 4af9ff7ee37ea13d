// A colour-keyed picture: a BMP file turned into a device-dependent colour
// bitmap and a monochrome mask, painted in two raster passes so that every
// pixel of the key colour lets the background show through. Both passes,
// and the making of the bitmaps, run under SetupPalette.
#pragma once

#include <windows.h>

#include <cstdint>

#include "picture/dib.h"

// A point whose pixel gives a colour key. A list of them ends at the first
// point whose x is negative; the main dialog's list is {0, 0}, {-1, -1}.
struct ColorKeyPoint {
  int32_t x, y;
};

enum : int { ColorKeyCapacity = 16 };
// Marks a colour as a palette-relative one (PALETTERGB).
enum : COLORREF { PaletteRgbFlag = 0x02000000 };

class CTransparentBitmap {
public:
  CTransparentBitmap() = default;
  ~CTransparentBitmap() { Release(); }
  CTransparentBitmap(const CTransparentBitmap &) = delete;
  CTransparentBitmap &operator=(const CTransparentBitmap &) = delete;

  // Releases what the object holds, reads the picture file, and builds the
  // colour bitmap (key pixels made black) and the mask (1 where the picture
  // has the first key's colour). Keys are sampled, PALETTERGB-flagged, at
  // the points of `keyPoints` up to the end marker, at most 16, stopping
  // early at a point whose x is not less than the width. False, with
  // nothing held, when the file does not load or a bitmap or device
  // context cannot be made.
  bool Load(const char *path, const ColorKeyPoint *keyPoints);

  // Paints the part of the picture at (sourceX, sourceY), width x height,
  // onto `dc` at (x, y): first the mask with SRCAND (the key pixels keep
  // the background, the rest turns black), then the colour bitmap with
  // SRCPAINT. Leaves `dc`'s background colour white and SetupPalette
  // selected; relies on its text colour being black. Nothing when no
  // picture is held.
  void Draw(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY) const;

  // Deletes the bitmaps (and a source picture still held); width, height
  // and keys keep their values. Harmless when nothing is held.
  void Release();

  uint16_t Width() const { return width_; }
  uint16_t Height() const { return height_; }
  COLORREF Key(int index) const { return keys_[index]; }
  bool Loaded() const { return colour_ != nullptr && mask_ != nullptr; }

private:
  bool BuildBitmaps(const ColorKeyPoint *keyPoints);
  void SampleKeys(HDC picture, const ColorKeyPoint *keyPoints);

  HBITMAP colour_ = nullptr;
  HBITMAP mask_ = nullptr;
  uint16_t width_ = 0;
  uint16_t height_ = 0;
  COLORREF keys_[ColorKeyCapacity] = {};
  CDib *source_ = nullptr; // held only inside Load
};
