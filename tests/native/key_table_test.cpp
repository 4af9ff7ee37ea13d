#include <gtest/gtest.h>

#include <cstring>

#include "package/key_table.h"
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
