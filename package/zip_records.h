// ZIP record layouts, read through explicit little-endian helpers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/little_endian.h"

enum : uint32_t {
  EndRecordSignature = 0x06054B50,     // PK 5 6
  CentralHeaderSignature = 0x02014B50, // PK 1 2
  LocalHeaderSignature = 0x04034B50,   // PK 3 4
};

// Fixed sizes, signature included.
enum : size_t { EndRecordSize = 22, CentralHeaderSize = 46, LocalHeaderSize = 30 };

// End of central directory record.
namespace end_record {
enum : size_t { DiskNumber = 4, EntriesTotal = 10, DirectorySize = 12, DirectoryOffset = 16, CommentLength = 20 };
}

// Central directory header.
namespace central {
enum : size_t {
  VersionMadeBy = 4, Flags = 8, Method = 10, Crc = 16, CompressedSize = 20, UncompressedSize = 24,
  NameLength = 28, ExtraLength = 30, CommentLength = 32, ExternalAttributes = 38, LocalHeaderOffset = 42,
};
}

// Local file header.
namespace local {
enum : size_t {
  Flags = 6, Method = 8, Time = 10, Date = 12, Crc = 14, CompressedSize = 18, UncompressedSize = 22,
  NameLength = 26, ExtraLength = 28,
};
}

enum : uint16_t {
  FlagEncrypted = 0x0001,
  FlagDataDescriptor = 0x0008,
  FlagUtf8Names = 0x0800,
  MethodStored = 0,
  MethodDeflated = 8,
  UnicodePathExtraId = 0x7075,
};

// Host systems of the version-made-by field.
enum : uint8_t { HostFat = 0, HostAtari = 5, HostHpfs = 6, HostNtfs = 11 };

static_assert(central::LocalHeaderOffset + 4 == CentralHeaderSize, "central header layout");
static_assert(local::ExtraLength + 2 == LocalHeaderSize, "local header layout");
static_assert(end_record::CommentLength + 2 == EndRecordSize, "end record layout");
