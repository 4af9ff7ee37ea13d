// A member's data from the archive into its output file: stored bytes are
// copied, deflated ones inflated through the 32 KB window (raw deflate),
// and every byte written passes through the running CRC-32.
#pragma once

#include <cstdint>
#include <cstdio>

#include <zlib.h>

#include "package/extraction.h"

enum class DataOutcome { Done, WriteFailed };

// Each reads the member's `size` archive bytes from the reader's position.
// WriteFailed when the output file refused bytes; otherwise Done, with
// `dataResult` telling what went wrong with the data itself (truncated,
// damaged, no memory), or UnpackOk.
DataOutcome CopyStored(Extraction &x, FILE *file, uint32_t size, uLong &crc, int &dataResult);
DataOutcome Inflate(Extraction &x, FILE *file, uint32_t compressedSize, uLong &crc, int &dataResult);
