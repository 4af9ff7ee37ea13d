// Package key tables: 128 16-bit words (256 bytes, low byte first) that a
// package archive is XOR-scrambled with. Both tables come from the linear
// congruential generator state = state * 214013 + 2531011 (mod 2^32): each of
// 128 steps stores bits 16-31 of the new state as the next word.
//
// The shared table (MUSIC.QPK, COMMONUI.QPK) starts from SharedKeySeed.
// A product's table starts from ((slot + 1) << 16) | SharedKeySeed, where
// slot is the product slot of its two-character code. The installer and
// qmgdist both build their tables here, so they cannot disagree.
#pragma once

#include <cstdint>

enum : uint16_t { SharedKeySeed = 0x51D7 };
enum : unsigned { KeyTableWordCount = 128 };

void BuildSharedKeyTable(uint16_t table[KeyTableWordCount]);
void BuildProductKeyTable(int slot, uint16_t table[KeyTableWordCount]);
