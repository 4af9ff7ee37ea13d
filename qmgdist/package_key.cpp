#include "qmgdist/package_key.h"

#include <cstring>

#include "base/setup_state.h"
#include "script/product_code.h"

namespace {

std::string Quoted(const char *text) { return std::string("\"") + text + "\""; }

} // namespace

bool ParsePackageKey(const char *text, PackageKey &key, std::string &report) {
  key.name = text;
  if (!strcmp(text, "shared")) {
    BuildSharedKeyTable(key.table);
  } else if (!strcmp(text, "zero")) {
    memset(key.table, 0, sizeof key.table);
  } else if (strlen(text) == 2) {
    int slot = ProductCodeSlot(text[0], text[1]);
    if (slot < 0) {
      report = "--key " + Quoted(text) + ": a product code is two characters of " +
               ProductCodeAlphabet + " (upper case; no I, L, O, S or Z)";
      return false;
    }
    if (slot >= static_cast<int>(ProductSlotCount)) {
      report = "--key " + Quoted(text) + ": the installer offers only product codes that start with 0 or 1 (slot " +
               std::to_string(slot) + " is past its " + std::to_string(ProductSlotCount) + " products)";
      return false;
    }
    BuildProductKeyTable(slot, key.table);
  } else {
    report = "--key " + Quoted(text) +
             ": expected \"shared\", \"zero\" or a two-character product code such as 01";
    return false;
  }
  KeyTableBytesOf(key.table, key.bytes);
  return true;
}
