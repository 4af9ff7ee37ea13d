// The members of a package as its central directory lists them, read
// through the descrambling layer: the end record is found in the package's
// last 66000 bytes, and the directory where it says. Every field is read
// within the bytes read; a damaged directory is a report, never a read past
// them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "package/scramble.h"

struct ListedMember {
  std::string name;
  uint32_t size = 0, packed = 0;
  uint16_t method = 0, dosDate = 0, dosTime = 0;
  uint8_t attributes = 0; // the low byte of the external attributes
};

enum class ListingStatus {
  Ok,
  NotAPackage, // no end record under this key table
  Damaged,     // the directory is not where the end record says, or an entry is cut or wrong
  ReadFailed,  // the file cannot be read (errno holds the reason)
};

// Reads the listing of the package open in `file`. Anything but Ok comes
// with one phrase in `report` (without the file's name); Damaged keeps the
// members read before the damage.
ListingStatus ReadPackageListing(FILE *file, const uint8_t key[KeyTableBytes], std::vector<ListedMember> &members,
                                 std::string &report);
