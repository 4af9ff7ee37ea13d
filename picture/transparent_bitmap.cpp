#include "picture/transparent_bitmap.h"

#include <cstdlib>

#include "base/scoped_handles.h"
#include "base/setup_state_win.h"
#include "base/user_interface.h"

namespace {

const COLORREF PaletteWhite = PaletteRgbFlag | 0xFFFFFF;

// Every context the picture passes through uses the installer's palette, so
// that on a palette display the colours come out the same in each.
void UseSetupPalette(HDC dc) {
  if (!SetupPalette)
    return;
  SelectPalette(dc, SetupPalette, FALSE);
  RealizePalette(dc);
}

} // namespace

bool CTransparentBitmap::Load(const char *path, const ColorKeyPoint *keyPoints) {
  Release();
  source_ = LoadDibFile(path);
  if (!source_)
    return false;
  width_ = static_cast<uint16_t>(source_->info.dsBm.bmWidth);
  height_ = static_cast<uint16_t>(std::abs(source_->info.dsBm.bmHeight));
  bool built = BuildBitmaps(keyPoints);
  if (!built)
    Release();
  return built;
}

// Every device context and selection made here is undone before it
// returns, so that Release can delete the bitmaps afterwards.
bool CTransparentBitmap::BuildBitmaps(const ColorKeyPoint *keyPoints) {
  ScopedMemoryDC picture(nullptr);
  if (!picture.valid())
    return false;
  colour_ = CreateDeviceBitmap(source_, nullptr, nullptr);
  DestroyDib(source_);
  source_ = nullptr;
  if (!colour_)
    return false;
  ScopedSelection pictureSelection(picture.get(), colour_);
  if (!pictureSelection.selected()) {
    // Without the picture in the context, the mask would be made from
    // whatever the context held: report it and paint nothing.
    ShowUncaptionedMessage("SelectObject(orDC, orBM) failed");
    return false;
  }
  UseSetupPalette(picture.get());

  ScopedMemoryDC maskDc(nullptr);
  if (!maskDc.valid())
    return false;
  SampleKeys(picture.get(), keyPoints);

  mask_ = CreateBitmap(width_, height_, 1, 1, nullptr);
  if (!mask_)
    return false;
  ScopedSelection maskSelection(maskDc.get(), mask_);
  // Copying colour to monochrome gives 1 where a pixel equals the source's
  // background colour, 0 elsewhere.
  COLORREF oldBackground = SetBkColor(picture.get(), keys_[0]);
  BitBlt(maskDc.get(), 0, 0, width_, height_, picture.get(), 0, 0, SRCCOPY);
  SetBkColor(picture.get(), oldBackground);

  // Blacken the key pixels, so that the second paint pass leaves the
  // background under them as it is: AND the picture with the inverted mask,
  // whose 0 bits become the context's black text colour and 1 bits its
  // white background.
  ScopedMemoryDC invertedDc(nullptr);
  ScopedGdiObject inverted(CreateBitmap(width_, height_, 1, 1, nullptr));
  if (!invertedDc.valid() || !inverted.get())
    return false;
  ScopedSelection invertedSelection(invertedDc.get(), inverted.get());
  BitBlt(invertedDc.get(), 0, 0, width_, height_, maskDc.get(), 0, 0, NOTSRCCOPY);
  BitBlt(picture.get(), 0, 0, width_, height_, invertedDc.get(), 0, 0, SRCAND);
  return true;
}

void CTransparentBitmap::SampleKeys(HDC picture, const ColorKeyPoint *keyPoints) {
  for (int i = 0; keyPoints && i < ColorKeyCapacity; i++) {
    const ColorKeyPoint &point = keyPoints[i];
    if (point.x < 0 || point.x >= width_)
      break;
    keys_[i] = GetPixel(picture, point.x, point.y) | PaletteRgbFlag;
  }
}

void CTransparentBitmap::Draw(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY) const {
  if (!Loaded())
    return;
  SetBkColor(dc, PaletteWhite);
  UseSetupPalette(dc);
  ScopedMemoryDC memory(dc);
  if (!memory.valid())
    return;
  {
    // Monochrome to colour: 1 bits become the white background colour (the
    // AND keeps what is there), 0 bits the black text colour.
    ScopedSelection maskSelection(memory.get(), mask_);
    UseSetupPalette(memory.get());
    BitBlt(dc, x, y, width, height, memory.get(), sourceX, sourceY, SRCAND);
  }
  ScopedSelection colourSelection(memory.get(), colour_);
  UseSetupPalette(memory.get());
  BitBlt(dc, x, y, width, height, memory.get(), sourceX, sourceY, SRCPAINT);
}

void CTransparentBitmap::Release() {
  if (source_) {
    DestroyDib(source_);
    source_ = nullptr;
  }
  if (colour_) {
    DeleteObject(colour_);
    colour_ = nullptr;
  }
  if (mask_) {
    DeleteObject(mask_);
    mask_ = nullptr;
  }
}
