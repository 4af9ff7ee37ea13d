#include "script/script_checksum.h"

#include <cstring>

#include "base/setup_state.h"

uint32_t ScriptChecksum(const unsigned char *script, size_t length) {
  uint32_t sum = 0;
  for (size_t i = ChecksumCoversFrom; i < length; i++) {
    sum = (sum << 1) | (sum >> 31);
    sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(script[i])));
  }
  return sum;
}

void FormatChecksumDigits(uint32_t sum, char digits[ChecksumDigitCount]) {
  static const char hex[] = "0123456789ABCDEF";
  for (size_t i = 0; i < ChecksumDigitCount; i++)
    digits[i] = hex[(sum >> (28 - 4 * i)) & 0xF];
}

bool ScriptHeaderMatches(const unsigned char *script, size_t length) {
  if (length < ChecksumCoversFrom)
    return false;
  char digits[ChecksumDigitCount];
  FormatChecksumDigits(ScriptChecksum(script, length), digits);
  return memcmp(script + ChecksumDigitsAt, digits, ChecksumDigitCount) == 0;
}

void CheckScriptHeader() {
  if (!ScriptHeaderMatches(ScriptBuffer, ScriptLength))
    ScriptLength = 0;
  ScriptCursor = 0;
}
