// Checks arbitrary bytes as a picture file, then does with an accepted one
// what the loader does: copies the info block into a buffer of exactly its
// length, reads the header, masks and colour table from it as the system
// would, and copies the declared pixel data into a store of exactly the
// size the format needs. The address sanitizer stops the run at any read
// or write past those buffers.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/dib_header.h"

namespace {
const uint32_t StoreCap = 16u << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  BmpFileLayout layout;
  DibFormat format;
  if (CheckBmpFile(data, size, layout, format) != BmpCheck::Ok)
    return 0;

  std::vector<uint8_t> info(data + BmpFileHeaderSize, data + BmpFileHeaderSize + layout.InfoLength());
  size_t used = PackedDibInfoSize(format.headerSize, format.compression, format.colorCount);
  if (used > info.size())
    __builtin_trap();
  volatile uint8_t sum = 0;
  for (size_t i = 0; i < used; i++)
    sum = static_cast<uint8_t>(sum + info[i]);

  if (layout.PixelLength() > format.storeBytes || uint64_t{layout.pixelOffset} + layout.PixelLength() > size)
    __builtin_trap();
  // A header may declare a store of hundreds of megabytes for a few bytes of
  // input. Left uninitialised, its pages are never touched; above the cap
  // the comparison above is the whole check, so that the sanitizer's
  // quarantine of freed stores does not fill the memory.
  if (format.storeBytes <= StoreCap) {
    std::unique_ptr<uint8_t[]> store(new uint8_t[format.storeBytes]);
    memcpy(store.get(), data + layout.pixelOffset, layout.PixelLength());
  }
  return 0;
}
