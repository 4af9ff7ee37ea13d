#include <gtest/gtest.h>

#include <cstring>

#include "package/key_table.h"
#include "package/scramble.h"
#include "script/product_code.h"

namespace {

TEST(KeyTable, SharedTableStepsTheGeneratorFromTheSeed) {
  uint16_t table[KeyTableWordCount];
  BuildSharedKeyTable(table);
  uint32_t state = SharedKeySeed;
  state = state * 214013u + 2531011u;
  EXPECT_EQ(table[0], state >> 16);
  state = state * 214013u + 2531011u;
  EXPECT_EQ(table[1], state >> 16);
}

// Every package ever made depends on these words: the first eight and the
// last of three tables, worked out once from the generator on its own.
TEST(KeyTable, TablesHoldTheirKnownWords) {
  struct Case {
    const char *table;
    int slot; // -1: the shared table
    uint16_t first[8];
    uint16_t last;
  } cases[] = {
      {"shared", -1, {0x0B67, 0xBE0D, 0xC3F6, 0x435B, 0x11BF, 0x810A, 0x232E, 0xAE65}, 0x20B7},
      {"product 01", 1, {0x9361, 0x8E1F, 0x1BC0, 0xE3FD, 0x37D9, 0xF6BC, 0x0A18, 0x21A7}, 0x14B9},
      {"product 1@", 63, {0x0AA7, 0xC04D, 0xBD36, 0x579B, 0xD4FF, 0x374A, 0x006E, 0x16A5}, 0xA0F7},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.table);
    uint16_t table[KeyTableWordCount];
    if (c.slot < 0)
      BuildSharedKeyTable(table);
    else
      BuildProductKeyTable(c.slot, table);
    for (int i = 0; i < 8; i++)
      EXPECT_EQ(table[i], c.first[i]) << "word " << i;
    EXPECT_EQ(table[KeyTableWordCount - 1], c.last);
    // The bytes are the words low byte first.
    uint8_t bytes[KeyTableBytes];
    KeyTableBytesOf(table, bytes);
    EXPECT_EQ(bytes[0], c.first[0] & 0xFF);
    EXPECT_EQ(bytes[1], c.first[0] >> 8);
  }
}

TEST(KeyTable, EveryProductSlotHasItsOwnTable) {
  uint16_t shared[KeyTableWordCount], first[KeyTableWordCount], other[KeyTableWordCount];
  BuildSharedKeyTable(shared);
  BuildProductKeyTable(1, first);
  EXPECT_NE(memcmp(shared, first, sizeof shared), 0);
  for (int slot : {0, 2, 33, 63}) {
    BuildProductKeyTable(slot, other);
    EXPECT_NE(memcmp(first, other, sizeof first), 0) << slot;
  }
  BuildProductKeyTable(1, other);
  EXPECT_EQ(memcmp(first, other, sizeof first), 0);
}

TEST(ProductCode, SlotsFollowTheAlphabet) {
  struct Case {
    char c1, c2;
    int slot;
  } cases[] = {
      {'0', '0', 0},  {'0', '1', 1},  {'0', '9', 9},  {'0', 'A', 10}, {'0', 'H', 17},
      {'0', 'J', 18}, {'0', '@', 31}, {'1', '0', 32}, {'1', '@', 63}, {'2', '0', 64},
      {'@', '@', 1023}, {'0', 'I', -1}, {'0', 'L', -1}, {'0', 'O', -1}, {'0', 'S', -1},
      {'0', 'Z', -1}, {'0', 'a', -1}, {'x', '0', -1}, {'0', '\0', -1}, {'0', '=', -1},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(ProductCodeSlot(c.c1, c.c2), c.slot) << c.c1 << c.c2;
    if (c.slot >= 0) {
      char code[2];
      ProductCodeOfSlot(c.slot, code);
      EXPECT_EQ(code[0], c.c1);
      EXPECT_EQ(code[1], c.c2);
    }
  }
}

} // namespace
