// Reads arbitrary bytes as a control script: the header check, the product
// scan and a walk of every token operation over the whole text. The bytes are
// held in a buffer of exactly their size so that a read past the end trips
// AddressSanitizer.
#include <cstdint>
#include <cstring>
#include <memory>

#include "base/setup_state.h"
#include "script/product_scan.h"
#include "script/script_checksum.h"
#include "script/script_reader.h"
#include "tests/support/user_interface_recorder.h"

namespace {

bool SomePackagesPresent(const char *path) { return strlen(path) % 2 == 0; }
void IgnoreProduct(const char *, int slot) {
  if (slot < 0 || slot >= static_cast<int>(ProductSlotCount))
    __builtin_trap();
}

void WalkTokens() {
  char operand[32];
  while (SkipBlanks()) {
    uint32_t before = ScriptCursor;
    char excerpt[ExcerptCapacity];
    CopyGeneralExcerpt(ScriptCursor, excerpt);
    CopyCommandLineExcerpt(ScriptCursor, excerpt);
    if (PeekUpper() == 'E')
      ReadLineExcerpt();
    else if (ExpectEquals())
      ReadToLineEnd(operand, sizeof operand);
    else
      SkipToNextLine();
    if (ScriptCursor <= before && !AtScriptEnd())
      __builtin_trap(); // the reader must always move forwards
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::unique_ptr<unsigned char[]> script(new unsigned char[size ? size : 1]);
  memcpy(script.get(), data, size);
  snprintf(SourceFolder, sizeof SourceFolder, "%s", "X:\\DIST\\");

  AttachScript(script.get(), static_cast<uint32_t>(size));
  ScanProducts({SomePackagesPresent, IgnoreProduct});

  AttachScript(script.get(), static_cast<uint32_t>(size));
  WalkTokens();

  AttachScript(script.get(), static_cast<uint32_t>(size));
  CheckScriptHeader();
  ScanProducts({SomePackagesPresent, IgnoreProduct});

  ResetUserInterfaceRecord();
  return 0;
}
