#include "qmgdist/script_stamp.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "qmgdist/script_encoding.h"
#include "script/script_checksum.h"

namespace {

// The bytes as they can be quoted in a message: others than printable ASCII
// are shown as "?".
std::string Printable(const std::string &bytes) {
  std::string shown;
  for (unsigned char c : bytes)
    shown += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  return shown;
}

bool ReadWholeFile(const char *path, std::vector<unsigned char> &bytes, std::string &report) {
  FILE *file = fopen(path, "rb");
  if (!file) {
    report = std::string(path) + ": cannot open: " + strerror(errno);
    return false;
  }
  unsigned char chunk[8192];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  bool failed = ferror(file);
  fclose(file);
  if (failed) {
    report = std::string(path) + ": cannot read the file";
    return false;
  }
  return true;
}

// The header is byte 0 and eight digit places on the first line. Stamping
// anything else would overwrite the script's own text (a section line, or a
// package that was named by mistake), so the eight places must already hold
// hexadecimal digits: a placeholder such as 00000000 or an older checksum.
const char HeaderExample[] = "begin the script with a line such as \"#00000000 my distribution\"";

bool HasHeaderPlaceholder(const std::vector<unsigned char> &bytes, std::string &report) {
  bool room = bytes.size() >= ChecksumCoversFrom;
  for (size_t i = 0; room && i < ChecksumCoversFrom; i++)
    room = bytes[i] != '\r' && bytes[i] != '\n';
  if (!room) {
    report = std::string("the first line must hold at least 9 characters (a free first character "
                         "and 8 checksum digits); ") +
             HeaderExample;
    return false;
  }
  for (size_t i = ChecksumDigitsAt; i < ChecksumDigitsAt + ChecksumDigitCount; i++)
    if (!isxdigit(bytes[i])) {
      std::string found(reinterpret_cast<const char *>(bytes.data()) + ChecksumDigitsAt, ChecksumDigitCount);
      report = "bytes 1 to 8 hold \"" + Printable(found) +
               "\", not eight hexadecimal digits, so this is not a script header; " + HeaderExample;
      return false;
    }
  return true;
}

std::string Digits(uint32_t sum) {
  char digits[ChecksumDigitCount];
  FormatChecksumDigits(sum, digits);
  return std::string(digits, ChecksumDigitCount);
}

} // namespace

bool CanStampScript(const std::vector<unsigned char> &bytes, std::string &report) {
  report = ScriptEncodingProblem(bytes);
  return report.empty() && HasHeaderPlaceholder(bytes, report);
}

StampStatus StampScript(const char *path, std::string &report) {
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, bytes, report))
    return StampStatus::Unusable;
  if (!CanStampScript(bytes, report)) {
    report = std::string(path) + ": " + report + "; nothing was written";
    return StampStatus::Unusable;
  }
  std::string digits = Digits(ScriptChecksum(bytes.data(), bytes.size()));
  FILE *file = fopen(path, "r+b");
  bool written = file && fseek(file, ChecksumDigitsAt, SEEK_SET) == 0 &&
                 fwrite(digits.data(), 1, ChecksumDigitCount, file) == ChecksumDigitCount;
  if (file && fclose(file) != 0)
    written = false;
  if (!written) {
    report = std::string(path) + ": cannot write the checksum: " + strerror(errno);
    return StampStatus::Unusable;
  }
  report = std::string(path) + ": checksum " + digits + " written";
  return StampStatus::Ok;
}

StampStatus VerifyScript(const char *path, std::string &report) {
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, bytes, report))
    return StampStatus::Unusable;
  // A script in another encoding fails the check below too, but stamping
  // would not mend it: the report says what would.
  std::string encoding = ScriptEncodingProblem(bytes);
  if (!encoding.empty()) {
    report = std::string(path) + ": " + encoding + "; SETUP.EXE would offer no product";
    return StampStatus::Mismatch;
  }
  // Judged exactly as SETUP.EXE judges it.
  if (bytes.size() < ChecksumCoversFrom) {
    report = std::string(path) + ": too short to hold a header (9 bytes); SETUP.EXE would offer no product";
    return StampStatus::Mismatch;
  }
  std::string digits = Digits(ScriptChecksum(bytes.data(), bytes.size()));
  if (!ScriptHeaderMatches(bytes.data(), bytes.size())) {
    std::string stored(reinterpret_cast<const char *>(bytes.data()) + ChecksumDigitsAt, ChecksumDigitCount);
    report = std::string(path) + ": the header holds \"" + stored + "\" but the checksum is " + digits +
             "; SETUP.EXE would offer no product. Run: qmgdist stamp " + path;
    return StampStatus::Mismatch;
  }
  report = std::string(path) + ": checksum " + digits + " matches";
  return StampStatus::Ok;
}
