// The --key argument of the package verbs: which key table a package is
// scrambled with. "shared" is the table of MUSIC.QPK and COMMONUI.QPK, a
// two-character product code is that product's table, and "zero" is all
// zeros, which leaves a plain ZIP archive.
#pragma once

#include <cstdint>
#include <string>

#include "package/scramble.h"

struct PackageKey {
  std::string name;                 // as given: "shared", "zero" or the code
  uint16_t table[KeyTableWordCount]; // for SetActivePackageKeyTable
  uint8_t bytes[KeyTableBytes];      // for ScrambleAt
};

// Fills `key` from the text of --key. False, with one sentence in `report`,
// for anything else than shared, zero or a product code the installer offers
// (characters of the code alphabet, slot below 64).
bool ParsePackageKey(const char *text, PackageKey &key, std::string &report);
