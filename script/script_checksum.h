// The control script's header checksum. Bytes 1 to 8 of the script hold the
// sum over bytes 9 to the end as eight upper-case hexadecimal digits, most
// significant first. The sum rotates left by one bit before adding each byte
// taken as a signed 8-bit value. Byte 0 is free.
#pragma once

#include <cstddef>
#include <cstdint>

enum : size_t {
  ChecksumDigitsAt = 1,
  ChecksumDigitCount = 8,
  ChecksumCoversFrom = 9,
};

uint32_t ScriptChecksum(const unsigned char *script, size_t length);
// Writes the eight digits (no terminator).
void FormatChecksumDigits(uint32_t sum, char digits[ChecksumDigitCount]);
// False for a script shorter than 9 bytes or whose digits differ.
bool ScriptHeaderMatches(const unsigned char *script, size_t length);

// Checks the loaded script's header; on a mismatch ScriptLength becomes 0 so
// that everything reading the script later finds nothing. The cursor is put
// back to the start either way.
void CheckScriptHeader();
