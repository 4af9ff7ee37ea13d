// The state of one extraction call, shared by the files that carry it out:
// the directory walk (package/central_directory), the member's output file
// (package/member_output), its data (package/member_data) and the pass that
// ties them together with its results (package/unpack.cpp). Not for use
// outside package/.
//
// Memory is bounded: one 8 KB block, one 32 KB window, a 128 KB scratch
// area for one member's name and extra field, a 256 KB buffer for the one
// output file open at a time, 64 directory entries, and the span of archive
// bytes of each member met (to refuse members that overlap).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "package/archive_reader.h"
#include "package/unpack.h"

enum : size_t {
  MembersPerBlock = 64,
  WindowSize = 32768,
  EndRecordSearch = 66000,
  FieldLimit = 65536, // a name or an extra field is at most 65535 bytes
  ScratchSize = 2 * FieldLimit,
  OutputBufferSize = 256 * 1024,
};

// A member as its central directory entry describes it.
struct ZipMember {
  uint32_t localOffset, compressedSize, uncompressedSize, crc;
  uint8_t version, host, attributes;
  uint16_t flags;
};

struct ExtractionBuffers {
  std::unique_ptr<uint8_t[]> block, window, scratch;
  std::unique_ptr<char[]> output;
};

struct Extraction {
  ArchiveReader reader;
  ExtractionBuffers *buffers;
  std::string root; // the destination with one "/" to join names to
  int result = UnpackOk;
  bool stopped = false; // a write failed: the disk may be full
  int64_t extraBytes = 0;
  int64_t removedExtraBytes = 0; // what the first member's second try took away
  bool firstMember = true;
  // The old-FAT answer of the destination's volume, asked once per call.
  int oldFat = -1;
  // The archive bytes each member met so far takes, local header to the end
  // of its data, by start: no two members may share any.
  std::map<uint64_t, uint64_t> spans;
};

// Makes `code` the call's result when it is worse than the result so far.
void RaiseResult(Extraction &x, int code);
