// Reads a package archive through the descrambling layer. Data is always
// read in 8192-byte blocks from block-aligned file offsets, so the key index
// of each byte is its file offset, and descrambled right after each read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "package/scramble.h"

enum : size_t { ArchiveBlockSize = 8192 };

struct ArchiveReader {
  FILE *file = nullptr;           // unbuffered: the block is the only buffer
  uint64_t size = 0;
  const uint8_t *key = nullptr;   // 256 bytes
  uint8_t *block = nullptr;       // ArchiveBlockSize bytes, owned by the caller
  uint64_t blockOffset = 0;
  size_t blockLength = 0;         // 0: nothing loaded
  uint64_t position = 0;
};

// Positions the reader; nothing is read until data is asked for.
void ArchiveSeek(ArchiveReader &reader, uint64_t offset);

// Hands out up to `wanted` descrambled bytes at the position, without
// copying: they stay valid until the next call. Returns 0 at the end of the
// archive or on a read error.
size_t ArchiveNextChunk(ArchiveReader &reader, size_t wanted, const uint8_t **chunk);

// Copies exactly `size` bytes; false when the archive ends first.
bool ArchiveRead(ArchiveReader &reader, void *destination, size_t size);

// Moves past `size` bytes; false when that passes the end.
bool ArchiveSkip(ArchiveReader &reader, uint64_t size);
