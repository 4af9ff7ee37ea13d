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

// Offsets in BITMAPCOREHEADER, whose width and height are unsigned 16-bit
// fields: a core picture is always stored bottom-up.
namespace core_header {
enum : size_t { Size = 0, Width = 4, Height = 6, Planes = 8, BitCount = 10 };
}
static_assert(core_header::BitCount + 2 == BmpCoreHeaderSize, "BITMAPCOREHEADER layout");

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
  if (layout.pixelOffset < BmpFileHeaderSize + BmpCoreHeaderSize || layout.pixelOffset > fileLength)
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
    return clrUsed < BmpMaxColorEntries ? clrUsed : uint32_t{BmpMaxColorEntries};
  return bitCount <= 8 ? 1u << bitCount : 0;
}

size_t PackedDibInfoSize(uint32_t headerSize, uint32_t compression, uint32_t colorCount) {
  size_t masks = compression == BmpCompressionMasks && headerSize == BmpInfoHeaderSize ? size_t{BmpMaskBytes} : 0;
  size_t entry = headerSize == BmpCoreHeaderSize ? size_t{BmpCoreColorEntrySize} : size_t{BmpColorEntrySize};
  return headerSize + masks + static_cast<size_t>(colorCount) * entry;
}

namespace {

// The fields of a core header, in the shape of an info header's.
void ReadCoreHeader(const uint8_t *info, DibFormat &format) {
  format.width = Le16(info + core_header::Width);
  format.height = Le16(info + core_header::Height);
  format.bitCount = Le16(info + core_header::BitCount);
  format.compression = BmpCompressionNone;
  format.colorCount = DibColorCount(format.bitCount, 0);
}

// The fields of a BITMAPINFOHEADER, or of a longer header that begins with one.
BmpCheck ReadInfoHeader(const uint8_t *info, DibFormat &format) {
  format.width = static_cast<int32_t>(Le32(info + info_header::Width));
  format.height = static_cast<int32_t>(Le32(info + info_header::Height));
  format.bitCount = Le16(info + info_header::BitCount);
  format.compression = Le32(info + info_header::Compression);
  bool masked = format.compression == BmpCompressionMasks && (format.bitCount == 16 || format.bitCount == 32);
  if (format.compression != BmpCompressionNone && !masked)
    return BmpCheck::UnsupportedFormat;
  format.colorCount = DibColorCount(format.bitCount, Le32(info + info_header::ClrUsed));
  return BmpCheck::Ok;
}

} // namespace

BmpCheck CheckDibInfo(const uint8_t *info, size_t length, DibFormat &format) {
  if (length < sizeof(uint32_t))
    return BmpCheck::ShortInfoBlock;
  format.headerSize = Le32(info + info_header::Size);
  bool core = format.headerSize == BmpCoreHeaderSize;
  if ((!core && format.headerSize < BmpInfoHeaderSize) || format.headerSize > length)
    return BmpCheck::ShortInfoBlock;

  if (core) {
    ReadCoreHeader(info, format);
  } else {
    BmpCheck check = ReadInfoHeader(info, format);
    if (check != BmpCheck::Ok)
      return check;
  }
  if (format.width < 1 || format.width > BmpMaxDimension || format.height == 0 ||
      format.height < -BmpMaxDimension || format.height > BmpMaxDimension)
    return BmpCheck::BadDimensions;
  if (!KnownBitCount(format.bitCount))
    return BmpCheck::UnsupportedFormat;

  // The masks and the colour table follow the header. The header fits in
  // the block and the table holds at most 256 entries, so the sum cannot wrap.
  uint64_t needed = PackedDibInfoSize(format.headerSize, format.compression, format.colorCount);
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
    return "The pixel offset leaves no room for an info header or lies past the end of the file.";
  case BmpCheck::SizeOutsideFile:
    return "The declared file size is below the pixel offset or past the end of the file.";
  case BmpCheck::ShortInfoBlock:
    return "The info header is of a size the system does not take, or longer than the info block.";
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
