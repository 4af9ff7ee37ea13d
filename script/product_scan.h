// The product scan: walks the control script for "L" sections whose "Z"
// packages are present in the distribution folder, and offers each such
// product with its slot. "S" sections and every other line are read past.
#pragma once

#include <cstdint>

struct ProductScanHost {
  // True when the file at `path` exists (probed without critical-error boxes).
  bool (*packagePresent)(const char *path);
  // Adds `title` to the product list, carrying `slot`, selected.
  void (*offerProduct)(const char *title, int slot);
};

// Fills ProductSections for every product offered and leaves ScriptCursor at
// the start. Returns false when a malformed section or "Z" line has been
// reported and the setup dialog ended; the scan stops there.
bool ScanProducts(const ProductScanHost &host);
