// qmgdist list: the members of a package, as its central directory lists
// them (package_listing.h).
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "qmgdist/package_listing.h"
#include "qmgdist/package_verbs.h"

const char ListHelp[] =
    "  list --key KEY PACKAGE\n"
    "                  show the members of a package: size, packed size, method,\n"
    "                  modification time, DOS attributes (r read-only, h hidden,\n"
    "                  s system, d folder, a archive) and name.\n";

namespace {

const char *MethodName(uint16_t method) {
  switch (method) {
  case 0:
    return "stored";
  case 8:
    return "deflated";
  case 9:
    return "deflate64";
  case 12:
    return "bzip2";
  case 14:
    return "lzma";
  }
  return "other";
}

std::string AttributeLetters(uint8_t attributes) {
  const char letters[] = "rhs-da";
  std::string shown;
  for (int bit = 0; bit < 6; bit++)
    if (bit != 3)
      shown += (attributes & (1 << bit)) ? letters[bit] : '-';
  return shown;
}

struct FileCloser {
  void operator()(FILE *file) const { fclose(file); }
};

// One line per member, then the totals.
void PrintMembers(const std::vector<ListedMember> &members) {
  printf("%10s %10s  %-8s  %-19s  %-5s  %s\n", "size", "packed", "method", "modified", "attrs", "name");
  uint64_t total = 0;
  for (const ListedMember &member : members) {
    char when[32];
    snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", 1980 + (member.dosDate >> 9),
             (member.dosDate >> 5) & 15, member.dosDate & 31, member.dosTime >> 11, (member.dosTime >> 5) & 63,
             (member.dosTime & 31) * 2);
    printf("%10" PRIu32 " %10" PRIu32 "  %-8s  %-19s  %-5s  %s\n", member.size, member.packed,
           MethodName(member.method), when, AttributeLetters(member.attributes).c_str(), member.name.c_str());
    total += member.size;
  }
  printf("%zu members, %" PRIu64 " bytes\n", members.size(), total);
}

} // namespace

int RunList(int argc, char **argv) {
  KeyedArguments arguments;
  std::string report;
  if (!ParseKeyedArguments(argc, argv, 1, arguments, report))
    return UsageError("list", report, ListHelp);
  std::string package = arguments.operands[0];
  std::unique_ptr<FILE, FileCloser> file(fopen(package.c_str(), "rb"));
  if (!file) {
    fprintf(stderr, "qmgdist list: %s: cannot open: %s\n", package.c_str(), strerror(errno));
    return 2;
  }
  std::vector<ListedMember> members;
  switch (ReadPackageListing(file.get(), arguments.key.bytes, members, report)) {
  case ListingStatus::Ok:
    PrintMembers(members);
    return 0;
  case ListingStatus::NotAPackage:
    fprintf(stderr, "qmgdist list: %s: not a package under the %s key table (a different --key, or not a "
                    "package at all)\n", package.c_str(), arguments.key.name.c_str());
    break;
  case ListingStatus::Damaged:
    fprintf(stderr, "qmgdist list: %s: cannot read the archive: %s\n", package.c_str(), report.c_str());
    break;
  case ListingStatus::ReadFailed:
    fprintf(stderr, "qmgdist list: %s: %s\n", package.c_str(), report.c_str());
    break;
  }
  return 2;
}
