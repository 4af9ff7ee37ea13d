// The package scrambling layer: byte p of a package file is the ZIP byte XOR
// K[p mod 256], where K is a key table taken as 256 bytes (word k is bytes
// 2k, low, and 2k + 1, high). XOR is its own inverse, so the same call
// scrambles and descrambles. Every package byte read or written passes here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/key_table.h"

enum : size_t { KeyTableBytes = 2 * KeyTableWordCount };

// The key table as the 256 bytes the XOR uses.
void KeyTableBytesOf(const uint16_t table[KeyTableWordCount], uint8_t bytes[KeyTableBytes]);

// XORs `size` bytes that lie at `fileOffset` in the package file.
void ScrambleAt(uint8_t *data, size_t size, uint64_t fileOffset, const uint8_t key[KeyTableBytes]);
