#include "script/product_scan.h"

#include <cstdio>

#include "base/setup_state.h"
#include "script/product_code.h"
#include "script/script_reader.h"

namespace {

enum class BodyScan { PackagePresent, NoPackage, Malformed };

// Reads a section body line by line up to the next section line or the end,
// probing every "Z" package. The cursor ends wherever the body stopped.
BodyScan ScanSectionBody(const ProductScanHost &host) {
  bool present = false;
  while (SkipBlanks()) {
    int letter = PeekUpper();
    if (letter == 'S' || letter == 'L')
      break;
    if (letter != 'Z') {
      SkipToNextLine();
      continue;
    }
    if (!ExpectEquals())
      return BodyScan::Malformed;
    // A name that does not fit the buffer cannot name a file, so it is
    // simply not present.
    if (!ReadToLineEnd(TokenBuffer, sizeof TokenBuffer))
      continue;
    snprintf(MessageBuffer, sizeof MessageBuffer, "%s%s", SourceFolder, TokenBuffer);
    if (host.packagePresent(MessageBuffer))
      present = true;
  }
  return present ? BodyScan::PackagePresent : BodyScan::NoPackage;
}

char ScriptCharAt(uint32_t position) {
  return position < ScriptLength ? static_cast<char>(ScriptBuffer[position]) : '\0';
}

} // namespace

bool ScanProducts(const ProductScanHost &host) {
  char title[PathCapacity];
  while (SkipBlanks()) {
    if (PeekUpper() != 'L') {
      SkipToNextLine();
      continue;
    }
    char c1 = ScriptCharAt(ScriptCursor + 1);
    char c2 = ScriptCharAt(ScriptCursor + 2);
    // Stand on c2 (or on the end, if the script stops before it).
    ScriptCursor = ScriptLength - ScriptCursor > 2 ? ScriptCursor + 2 : ScriptLength;
    if (!ExpectEquals())
      return false;
    uint32_t titlePosition = ScriptCursor;
    ReadToLineEnd(title, sizeof title);
    uint32_t bodyPosition = ScriptCursor;

    BodyScan body = ScanSectionBody(host);
    ScriptCursor = bodyPosition;
    if (body == BodyScan::Malformed)
      return false;
    if (body == BodyScan::NoPackage)
      continue;
    // Codes outside the alphabet, and slots past the table, are not offered.
    int slot = ProductCodeSlot(c1, c2);
    if (slot < 0 || slot >= static_cast<int>(ProductSlotCount))
      continue;
    ProductSections[slot] = titlePosition;
    host.offerProduct(title, slot);
  }
  ScriptCursor = 0;
  return true;
}
