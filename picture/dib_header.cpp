#include "picture/dib_header.h"

#include "base/little_endian.h"

namespace {

// Offsets in the file header.
namespace file_header {
enum : size_t { Signature = 0, FileSize = 2, PixelOffset = 10 };
}

// Offsets in BITMAPINFOHEADER.
namespace info_header {
enum : size_t { Size = 0, Width = 4, Height = 8, Planes = 12, BitCount = 14, Compression = 16, ClrUsed = 32 };
}
static_assert(info_header::ClrUsed + 8 == BmpInfoHeaderSize, "BITMAPINFOHEADER layout");

const uint16_t BmpSignature = 0x4D42; // "BM"

bool KnownBitCount(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

BmpCheck CheckBmpFileHeader(const uint8_t header[BmpFileHeaderSize], uint64_t fileLength, BmpFileLayout &layout) {
  if (fileLength < BmpFileHeaderSize || Le16(header + file_header::Signature) != BmpSignature)
    return BmpCheck::NotABitmap;
  layout.fileSize = Le32(header + file_header::FileSize);
  layout.pixelOffset = Le32(header + file_header::PixelOffset);
  if (layout.pixelOffset < BmpFileHeaderSize + BmpInfoHeaderSize || layout.pixelOffset > fileLength)
    return BmpCheck::OffsetOutsideFile;
  if (layout.fileSize < layout.pixelOffset || layout.fileSize > fileLength)
    return BmpCheck::SizeOutsideFile;
  return BmpCheck::Ok;
}

uint32_t DibRowBytes(int32_t width, uint16_t bitCount) {
  if (width <= 0)
    return 0;
  uint64_t bits = static_cast<uint64_t>(width) * bitCount;
  uint64_t bytes = (bits + 31) / 32 * 4;
  return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

uint32_t DibColorCount(uint16_t bitCount, uint32_t clrUsed) {
  if (clrUsed != 0)
    return clrUsed;
  return bitCount <= 8 ? 1u << bitCount : 0;
}

size_t PackedDibInfoSize(uint32_t headerSize, uint32_t compression, uint32_t colorCount) {
  size_t masks = compression == BmpCompressionMasks && headerSize == BmpInfoHeaderSize ? size_t{BmpMaskBytes} : 0;
  return headerSize + masks + static_cast<size_t>(colorCount) * BmpColorEntrySize;
}

BmpCheck CheckDibInfo(const uint8_t *info, size_t length, DibFormat &format) {
  if (length < BmpInfoHeaderSize)
    return BmpCheck::ShortInfoBlock;
  format.headerSize = Le32(info + info_header::Size);
  if (format.headerSize < BmpInfoHeaderSize || format.headerSize > length)
    return BmpCheck::ShortInfoBlock;

  format.width = static_cast<int32_t>(Le32(info + info_header::Width));
  format.height = static_cast<int32_t>(Le32(info + info_header::Height));
  if (format.width < 1 || format.width > BmpMaxDimension || format.height == 0 ||
      format.height < -BmpMaxDimension || format.height > BmpMaxDimension)
    return BmpCheck::BadDimensions;

  format.bitCount = Le16(info + info_header::BitCount);
  format.compression = Le32(info + info_header::Compression);
  bool masked = format.compression == BmpCompressionMasks && (format.bitCount == 16 || format.bitCount == 32);
  if (!KnownBitCount(format.bitCount) || (format.compression != BmpCompressionNone && !masked))
    return BmpCheck::UnsupportedFormat;

  uint32_t clrUsed = Le32(info + info_header::ClrUsed);
  if (format.bitCount <= 8 && clrUsed > (1u << format.bitCount))
    return BmpCheck::UnsupportedFormat;
  format.colorCount = DibColorCount(format.bitCount, clrUsed);

  // The masks and the colour table follow the header; sized in 64 bits so
  // that no declared count can wrap.
  uint64_t masks = format.compression == BmpCompressionMasks && format.headerSize == BmpInfoHeaderSize
                       ? uint64_t{BmpMaskBytes}
                       : 0;
  uint64_t needed = uint64_t{format.headerSize} + masks + uint64_t{format.colorCount} * BmpColorEntrySize;
  if (needed > length)
    return BmpCheck::ShortColorTable;

  format.rowBytes = DibRowBytes(format.width, format.bitCount);
  uint64_t store = uint64_t{format.rowBytes} * format.Rows();
  if (format.rowBytes == 0 || store > INT32_MAX)
    return BmpCheck::BadDimensions;
  format.storeBytes = static_cast<uint32_t>(store);
  return BmpCheck::Ok;
}

BmpCheck CheckBmpFile(const uint8_t *bytes, size_t size, BmpFileLayout &layout, DibFormat &format) {
  if (size < BmpFileHeaderSize)
    return BmpCheck::NotABitmap;
  BmpCheck check = CheckBmpFileHeader(bytes, size, layout);
  if (check != BmpCheck::Ok)
    return check;
  check = CheckDibInfo(bytes + BmpFileHeaderSize, layout.InfoLength(), format);
  if (check != BmpCheck::Ok)
    return check;
  return layout.PixelLength() > format.storeBytes ? BmpCheck::PixelsExceedStore : BmpCheck::Ok;
}

const char *DescribeBmpCheck(BmpCheck check) {
  switch (check) {
  case BmpCheck::Ok:
    return "The picture file is sound.";
  case BmpCheck::NotABitmap:
    return "The file does not start with a BMP file header.";
  case BmpCheck::OffsetOutsideFile:
    return "The pixel offset leaves no room for the info header or lies past the end of the file.";
  case BmpCheck::SizeOutsideFile:
    return "The declared file size is below the pixel offset or past the end of the file.";
  case BmpCheck::ShortInfoBlock:
    return "The info block is shorter than its BITMAPINFOHEADER.";
  case BmpCheck::BadDimensions:
    return "The picture's width or height is out of range.";
  case BmpCheck::UnsupportedFormat:
    return "The bit count, colour count or compression is not one the loader takes.";
  case BmpCheck::ShortColorTable:
    return "The colour masks or the colour table run past the info block.";
  case BmpCheck::PixelsExceedStore:
    return "The file declares more pixel bytes than the picture's pixel store holds.";
  }
  return "Unknown check result.";
}
