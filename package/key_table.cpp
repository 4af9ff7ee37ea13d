#include "package/key_table.h"

namespace {

void FillFromSeed(uint32_t state, uint16_t table[KeyTableWordCount]) {
  for (unsigned i = 0; i < KeyTableWordCount; i++) {
    state = state * 214013u + 2531011u;
    table[i] = static_cast<uint16_t>(state >> 16);
  }
}

} // namespace

void BuildSharedKeyTable(uint16_t table[KeyTableWordCount]) {
  FillFromSeed(SharedKeySeed, table);
}

void BuildProductKeyTable(int slot, uint16_t table[KeyTableWordCount]) {
  FillFromSeed((static_cast<uint32_t>(slot + 1) << 16) | SharedKeySeed, table);
}
