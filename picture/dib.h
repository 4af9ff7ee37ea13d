// Pictures in memory: a BMP file read into a DIB section (`CDib`), and the
// device-dependent bitmap made from it for painting. Every operation
// reports failure by returning none and shows no message.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <memory>

// One picture held in a DIB section. Made by LoadDibFile or CreateDib,
// released only by DestroyDib.
struct CDib {
  HBITMAP section;
  void *bits;       // the section's pixel store, owned by the section
  DIBSECTION info;  // as GetObjectA reports it for the section, except that
                    // dsBmih.biHeight is negative for a top-down picture
};

// Reads a BMP file into a new CDib. Only a file that passes the checks of
// picture/dib_header.h is handed to the system; none for a missing,
// unreadable or malformed file, or one the system rejects. Bytes after the
// declared file size are never read.
CDib *LoadDibFile(const char *path);

// A new CDib whose section has the format of the packed BITMAPINFO `info`
// (header, colour masks, colour table), `length` bytes long; its pixels
// start out zero. None when the block fails CheckDibInfo or the system
// refuses the section.
CDib *CreateDib(const void *info, size_t length);

// Deletes the section and frees the record. Null is ignored.
void DestroyDib(CDib *dib);

struct FreeDeleter {
  void operator()(void *block) const { std::free(block); }
};
using PackedDibInfo = std::unique_ptr<BITMAPINFO, FreeDeleter>;

// A packed BITMAPINFO describing the section: its header, the three colour
// masks for BI_BITFIELDS, and as many colour entries as the header's
// biClrUsed gives (2 to the power of the bit count when it is 0 and the
// picture has 8 bits or fewer), read from the section's own colour table.
// `length` (when given) receives its size in bytes. Null when memory is
// short.
PackedDibInfo PackDibInfo(const CDib *dib, size_t *length = nullptr);

// A device-dependent bitmap with the picture's pixels, made for the device
// context of `window` (the screen's when it is null), with `palette`
// selected and realised in that context first when one is given. Null on
// failure; the caller deletes the bitmap.
HBITMAP CreateDeviceBitmap(const CDib *dib, HWND window, HPALETTE palette);
