#include "qmgdist/script_encoding.h"

namespace {

const char SaveAs[] = "; SETUP.EXE reads the script as 8-bit text, so save it as ANSI (Windows-1252) or as "
                      "UTF-8 without a byte-order mark";

bool StartsWith(const std::vector<unsigned char> &script, std::initializer_list<unsigned char> head) {
  if (script.size() < head.size())
    return false;
  size_t i = 0;
  for (unsigned char byte : head)
    if (script[i++] != byte)
      return false;
  return true;
}

} // namespace

std::string ScriptEncodingProblem(const std::vector<unsigned char> &script) {
  if (StartsWith(script, {0xEF, 0xBB, 0xBF}))
    return std::string("the script begins with a UTF-8 byte-order mark (bytes EF BB BF), which SETUP.EXE takes "
                       "as the first bytes of its header") +
           SaveAs;
  if (StartsWith(script, {0xFF, 0xFE}) || StartsWith(script, {0xFE, 0xFF}))
    return std::string("the script is UTF-16 text (it begins with the byte-order mark ") +
           (script[0] == 0xFF ? "FF FE" : "FE FF") + ")" + SaveAs;
  // UTF-16 without a mark: ASCII text in it has a NUL beside every letter.
  size_t examined = script.size() < 64 ? script.size() : 64, nuls = 0;
  for (size_t i = 0; i < examined; i++)
    nuls += script[i] == 0;
  if (examined >= 4 && nuls * 4 >= examined)
    return std::string("the script is UTF-16 text (every other byte of its first line is 0)") + SaveAs;
  return "";
}

bool IsAsciiText(const std::string &text) {
  for (unsigned char c : text)
    if (c >= 0x80)
      return false;
  return true;
}

bool IsUtf8Text(const std::string &bytes) {
  for (size_t i = 0; i < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 4;
    if (more == 4 || (more == 1 && c < 0xC2) || (more > 0 && i + more >= bytes.size()))
      return false;
    for (size_t k = 1; k <= more; k++)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
        return false;
    i += more + 1;
  }
  return true;
}
