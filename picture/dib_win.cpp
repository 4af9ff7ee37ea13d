// Win32 half of the picture loader: the checked file is read into a DIB
// section, and a section becomes a device-dependent bitmap.
#include "picture/dib.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "base/scoped_handles.h"
#include "picture/dib_header.h"

namespace {

bool ReadExactly(HANDLE file, void *into, DWORD length) {
  DWORD read = 0;
  return ReadFile(file, into, length, &read, nullptr) && read == length;
}

// Bytes of the pixel store the system actually gave the section.
uint64_t SectionStoreBytes(const CDib *dib) {
  const BITMAP &bitmap = dib->info.dsBm;
  int64_t rows = bitmap.bmHeight < 0 ? -int64_t{bitmap.bmHeight} : bitmap.bmHeight;
  return static_cast<uint64_t>(bitmap.bmWidthBytes) * static_cast<uint64_t>(rows);
}

} // namespace

CDib *LoadDibFile(const char *path) {
  ScopedFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid())
    return nullptr;
  LARGE_INTEGER fileLength;
  if (!GetFileSizeEx(file.get(), &fileLength))
    return nullptr;

  uint8_t header[BmpFileHeaderSize];
  BmpFileLayout layout;
  if (!ReadExactly(file.get(), header, sizeof header) ||
      CheckBmpFileHeader(header, static_cast<uint64_t>(fileLength.QuadPart), layout) != BmpCheck::Ok)
    return nullptr;

  CDib *dib;
  {
    std::unique_ptr<uint8_t[]> info(new (std::nothrow) uint8_t[layout.InfoLength()]);
    if (!info || !ReadExactly(file.get(), info.get(), layout.InfoLength()))
      return nullptr;
    dib = CreateDib(info.get(), layout.InfoLength());
    if (!dib)
      return nullptr;
  }

  // The section the system made is the final word on how much it holds.
  if (layout.PixelLength() > SectionStoreBytes(dib) || !ReadExactly(file.get(), dib->bits, layout.PixelLength())) {
    DestroyDib(dib);
    return nullptr;
  }
  return dib;
}

CDib *CreateDib(const void *info, size_t length) {
  DibFormat format;
  if (!info || CheckDibInfo(static_cast<const uint8_t *>(info), length, format) != BmpCheck::Ok)
    return nullptr;
  void *bits = nullptr;
  HBITMAP section =
      CreateDIBSection(nullptr, static_cast<const BITMAPINFO *>(info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits) {
    if (section)
      DeleteObject(section);
    return nullptr;
  }
  CDib *dib = new (std::nothrow) CDib();
  if (!dib) {
    DeleteObject(section);
    return nullptr;
  }
  dib->section = section;
  dib->bits = bits;
  if (GetObjectA(section, sizeof dib->info, &dib->info) != sizeof dib->info) {
    DestroyDib(dib);
    return nullptr;
  }
  // GetObject reports a top-down section's height as positive, though its
  // pixel store keeps the rows top-down. The record keeps the sign, so that
  // its header describes the store it goes with: without it, the device
  // bitmap made from a top-down picture would come out upside down.
  if (format.TopDown() && dib->info.dsBmih.biHeight > 0)
    dib->info.dsBmih.biHeight = format.height;
  return dib;
}

void DestroyDib(CDib *dib) {
  if (!dib)
    return;
  if (dib->section)
    DeleteObject(dib->section);
  delete dib;
}

PackedDibInfo PackDibInfo(const CDib *dib, size_t *length) {
  if (!dib)
    return nullptr;
  const BITMAPINFOHEADER &header = dib->info.dsBmih;
  uint32_t colors = DibColorCount(header.biBitCount, header.biClrUsed);
  size_t size = PackedDibInfoSize(header.biSize, header.biCompression, colors);
  PackedDibInfo packed(static_cast<BITMAPINFO *>(std::calloc(1, size)));
  if (!packed)
    return nullptr;

  // The section reports a plain 40-byte header; the masks, when there are
  // any, follow it.
  uint8_t *out = reinterpret_cast<uint8_t *>(packed.get());
  std::memcpy(out, &header, sizeof header);
  size_t at = header.biSize;
  if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof header) {
    std::memcpy(out + at, dib->info.dsBitfields, BmpMaskBytes);
    at += BmpMaskBytes;
  }
  if (colors != 0) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) {
      HGDIOBJ old = SelectObject(dc, dib->section);
      GetDIBColorTable(dc, 0, colors, reinterpret_cast<RGBQUAD *>(out + at));
      SelectObject(dc, old);
      DeleteDC(dc);
    }
  }
  if (length)
    *length = size;
  return packed;
}

HBITMAP CreateDeviceBitmap(const CDib *dib, HWND window, HPALETTE palette) {
  PackedDibInfo packed = PackDibInfo(dib);
  if (!packed)
    return nullptr;
  HDC dc = GetDC(window);
  if (!dc)
    return nullptr;
  HPALETTE oldPalette = nullptr;
  if (palette) {
    oldPalette = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  HBITMAP bitmap = CreateDIBitmap(dc, &dib->info.dsBmih, CBM_INIT, dib->bits, packed.get(), DIB_RGB_COLORS);
  if (oldPalette)
    SelectPalette(dc, oldPalette, FALSE);
  ReleaseDC(window, dc);
  return bitmap;
}
