// The checks a picture file (a plain Windows BMP file) must pass before any
// of it is handed to the system: the 14-byte file header, the info block
// that follows it (a packed BITMAPINFO: header, optional colour masks,
// colour table) and the length of the pixel data against the pixel store
// the declared format needs. Fields are read little-endian, byte by byte.
//
// A file passes when
//   - it starts with "BM";
//   - the pixel offset leaves room for the smallest info header (the
//     12-byte OS/2 core header) and lies inside the file, and the declared
//     file size is not below the pixel offset and not beyond the end of the
//     file (bytes after the declared size are never read);
//   - the info block's header is one the system takes (a 12-byte
//     BITMAPCOREHEADER, or a BITMAPINFOHEADER of 40 bytes or one of its
//     longer versions) and, together with its colour masks and colour
//     table, fits in the info block;
//   - the format is one the loader can size: width 1 to 32767, height
//     -32767 to 32767 but not 0, 1, 4, 8, 16, 24 or 32 bits per pixel,
//     uncompressed (or with colour masks at 16 and 32 bits);
//   - the declared pixel data is no longer than the pixel store.
// The colour table is counted as the system counts it when it makes the
// section: a core header is followed by 2^bits three-byte entries up to 8
// bits; an info header by biClrUsed entries, at most 256, or 2^bits up to
// 8 bits when biClrUsed is 0. A table the header declares longer is
// accepted, and only its first 256 entries are ever read.
// Nothing here reads outside the bytes it is given.
#pragma once

#include <cstddef>
#include <cstdint>

enum : size_t {
  BmpFileHeaderSize = 14,
  BmpCoreHeaderSize = 12,     // BITMAPCOREHEADER, the OS/2 1.x header
  BmpInfoHeaderSize = 40,     // BITMAPINFOHEADER
  BmpMaskBytes = 12,          // three 32-bit colour masks after a 40-byte header
  BmpColorEntrySize = 4,      // RGBQUAD
  BmpCoreColorEntrySize = 3,  // RGBTRIPLE, after a core header
  BmpMaxColorEntries = 256,   // the most colour entries the system reads
};

enum : uint32_t {
  BmpCompressionNone = 0, // BI_RGB
  BmpCompressionMasks = 3, // BI_BITFIELDS
};

// The largest width and height the loader takes: the painted picture keeps
// its size in 16-bit fields, and no decorative picture comes near it.
enum : int32_t { BmpMaxDimension = 32767 };

enum class BmpCheck {
  Ok,
  NotABitmap,          // no "BM" signature, or fewer than 14 bytes
  OffsetOutsideFile,   // pixel offset before the end of a 12-byte header, or past the file
  SizeOutsideFile,     // declared file size below the pixel offset or past the file
  ShortInfoBlock,      // header size neither 12 nor 40 or more, or longer than the info block
  BadDimensions,       // width or height out of range
  UnsupportedFormat,   // bit count or compression the loader cannot size
  ShortColorTable,     // colour masks or colour table run past the info block
  PixelsExceedStore,   // more pixel bytes declared than the pixel store holds
};

// What the file header says, once checked.
struct BmpFileLayout {
  uint32_t fileSize;    // bfSize
  uint32_t pixelOffset; // bfOffBits
  uint32_t InfoLength() const { return pixelOffset - static_cast<uint32_t>(BmpFileHeaderSize); }
  uint32_t PixelLength() const { return fileSize - pixelOffset; }
};

// The format the info block declares, once checked.
struct DibFormat {
  uint32_t headerSize;  // biSize
  int32_t width;
  int32_t height;       // negative for a top-down picture
  uint16_t bitCount;
  uint32_t compression;
  uint32_t colorCount;  // colour table entries that follow the header (and masks)
  uint32_t rowBytes;    // one row, padded to a multiple of 4 bytes
  uint32_t storeBytes;  // rowBytes times the number of rows
  bool TopDown() const { return height < 0; }
  uint32_t Rows() const { return height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height); }
};

// Checks the 14-byte file header against the real length of the file.
BmpCheck CheckBmpFileHeader(const uint8_t header[BmpFileHeaderSize], uint64_t fileLength,
                            BmpFileLayout &layout);

// Checks an info block of `length` bytes and works out its pixel store.
BmpCheck CheckDibInfo(const uint8_t *info, size_t length, DibFormat &format);

// Both checks, and the pixel data against the store, over a whole file held
// in memory.
BmpCheck CheckBmpFile(const uint8_t *bytes, size_t size, BmpFileLayout &layout, DibFormat &format);

// Bytes of one pixel row of `width` pixels at `bitCount` bits, padded to a
// multiple of 4; 0 when that exceeds 32 bits.
uint32_t DibRowBytes(int32_t width, uint16_t bitCount);

// Colour entries of a packed BITMAPINFO as the system reads them:
// `clrUsed` up to 256 when it is not zero, otherwise 2 to the power of the
// bit count up to 8 bits, otherwise none.
uint32_t DibColorCount(uint16_t bitCount, uint32_t clrUsed);

// Bytes of a packed BITMAPINFO with a header of `headerSize` bytes: the
// header, the three colour masks when `compression` is BI_BITFIELDS and
// the header is a plain 40-byte one, and `colorCount` colour entries of
// three bytes after a core header and four after any other.
size_t PackedDibInfoSize(uint32_t headerSize, uint32_t compression, uint32_t colorCount);

// One sentence for each check result, for test and tool output.
const char *DescribeBmpCheck(BmpCheck check);
