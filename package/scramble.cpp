#include "package/scramble.h"

void KeyTableBytesOf(const uint16_t table[KeyTableWordCount], uint8_t bytes[KeyTableBytes]) {
  for (unsigned k = 0; k < KeyTableWordCount; k++) {
    bytes[2 * k] = static_cast<uint8_t>(table[k]);
    bytes[2 * k + 1] = static_cast<uint8_t>(table[k] >> 8);
  }
}

void ScrambleAt(uint8_t *data, size_t size, uint64_t fileOffset, const uint8_t key[KeyTableBytes]) {
  size_t phase = static_cast<size_t>(fileOffset % KeyTableBytes);
  size_t i = 0;
  // Up to the next multiple of 256 in the file, then whole turns of the
  // table, which the compiler turns into wide XORs.
  for (; i < size && phase != 0; i++, phase = (phase + 1) % KeyTableBytes)
    data[i] ^= key[phase];
  for (; i + KeyTableBytes <= size; i += KeyTableBytes)
    for (size_t k = 0; k < KeyTableBytes; k++)
      data[i + k] ^= key[k];
  for (size_t k = 0; i < size; i++, k++)
    data[i] ^= key[k];
}
