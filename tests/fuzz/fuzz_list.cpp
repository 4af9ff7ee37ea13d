// qmgdist list's reading of a package over arbitrary bytes, as a plain
// archive (the zero key table): the listing must stay within the bytes read
// and name only what the directory holds.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "qmgdist/package_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FILE *file = tmpfile();
  if (!file)
    return 0;
  if (fwrite(data, 1, size, file) == size && fflush(file) == 0) {
    uint8_t zero[KeyTableBytes] = {};
    std::vector<ListedMember> members;
    std::string report;
    ListingStatus status = ReadPackageListing(file, zero, members, report);
    // Each listed member took at least a central header from the input.
    if (members.size() * 46 > size || (status != ListingStatus::Ok && report.empty()))
      __builtin_trap();
  }
  fclose(file);
  return 0;
}
