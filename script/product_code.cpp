#include "script/product_code.h"

#include <cstring>

const char ProductCodeAlphabet[33] = "0123456789ABCDEFGHJKMNPQRTUVWXY@";

namespace {

int CodeIndex(char c) {
  if (c == '\0')
    return -1;
  const char *found = strchr(ProductCodeAlphabet, c);
  return found ? static_cast<int>(found - ProductCodeAlphabet) : -1;
}

} // namespace

int ProductCodeSlot(char c1, char c2) {
  int high = CodeIndex(c1), low = CodeIndex(c2);
  if (high < 0 || low < 0)
    return -1;
  return 32 * high + low;
}

void ProductCodeOfSlot(int slot, char code[2]) {
  code[0] = ProductCodeAlphabet[(slot / 32) & 31];
  code[1] = ProductCodeAlphabet[slot & 31];
}
