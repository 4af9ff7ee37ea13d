#include "package/scramble.h"

void KeyTableBytesOf(const uint16_t table[KeyTableWordCount], uint8_t bytes[KeyTableBytes]) {
  for (unsigned k = 0; k < KeyTableWordCount; k++) {
    bytes[2 * k] = static_cast<uint8_t>(table[k]);
    bytes[2 * k + 1] = static_cast<uint8_t>(table[k] >> 8);
  }
}

void ScrambleAt(uint8_t *data, size_t size, uint64_t fileOffset, const uint8_t key[KeyTableBytes]) {
  size_t phase = static_cast<size_t>(fileOffset % KeyTableBytes);
  for (size_t i = 0; i < size; i++)
    data[i] ^= key[(phase + i) % KeyTableBytes];
}
