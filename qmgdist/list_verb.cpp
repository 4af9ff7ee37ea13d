// qmgdist list: the members of a package. The package is descrambled into a
// temporary ZIP file, which libzip then reads.
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "qmgdist/package_verbs.h"

const char ListHelp[] =
    "  list --key KEY PACKAGE\n"
    "                  show the members of a package: size, packed size, method,\n"
    "                  modification time, DOS attributes (r read-only, h hidden,\n"
    "                  s system, d folder, a archive) and name.\n";

namespace {

const char *MethodName(zip_uint16_t method) {
  switch (method) {
  case ZIP_CM_STORE:
    return "stored";
  case ZIP_CM_DEFLATE:
    return "deflated";
  case ZIP_CM_DEFLATE64:
    return "deflate64";
  case ZIP_CM_BZIP2:
    return "bzip2";
  case ZIP_CM_LZMA:
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

void ListMembers(zip_t *archive) {
  printf("%10s %10s  %-8s  %-19s  %-5s  %s\n", "size", "packed", "method", "modified", "attrs", "name");
  zip_int64_t count = zip_get_num_entries(archive, 0);
  uint64_t total = 0;
  for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); i++) {
    zip_stat_t info;
    if (zip_stat_index(archive, i, 0, &info) != 0) {
      printf("(member %" PRIu64 " unreadable: %s)\n", static_cast<uint64_t>(i), zip_strerror(archive));
      continue;
    }
    zip_uint8_t system = 0;
    zip_uint32_t external = 0;
    zip_file_get_external_attributes(archive, i, 0, &system, &external);
    char when[32] = "?";
    struct tm local;
    if (localtime_r(&info.mtime, &local))
      strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    printf("%10" PRIu64 " %10" PRIu64 "  %-8s  %-19s  %-5s  %s\n", static_cast<uint64_t>(info.size),
           static_cast<uint64_t>(info.comp_size), MethodName(info.comp_method), when,
           AttributeLetters(static_cast<uint8_t>(external)).c_str(), info.name);
    total += info.size;
  }
  printf("%" PRId64 " members, %" PRIu64 " bytes\n", static_cast<int64_t>(count), total);
}

} // namespace

int RunList(int argc, char **argv) {
  KeyedArguments arguments;
  std::string report;
  if (!ParseKeyedArguments(argc, argv, 1, arguments, report)) {
    return UsageError("list", report, ListHelp);
  }
  const char *package = arguments.operands[0];
  const char *temporary = getenv("TMPDIR");
  std::string zipPath = std::string(temporary && *temporary ? temporary : "/tmp") + "/qmgdist-list-XXXXXX";
  int descriptor = mkstemp(&zipPath[0]);
  if (descriptor < 0) {
    fprintf(stderr, "qmgdist list: %s: cannot create a temporary file: %s\n", zipPath.c_str(), strerror(errno));
    return 2;
  }
  // Written through the descriptor mkstemp made: the name is never opened
  // again for writing, so nothing put in its place is written through.
  FILE *zip = fdopen(descriptor, "wb");
  if (!zip) {
    fprintf(stderr, "qmgdist list: %s: cannot write the temporary file: %s\n", zipPath.c_str(), strerror(errno));
    close(descriptor);
    remove(zipPath.c_str());
    return 2;
  }
  bool copied = CopyScrambled(package, zip, zipPath, arguments.key.bytes, report);
  fclose(zip);
  int status = 2;
  if (copied) {
    int error = 0;
    if (zip_t *archive = zip_open(zipPath.c_str(), ZIP_RDONLY, &error)) {
      ListMembers(archive);
      zip_discard(archive);
      status = 0;
    } else if (error == ZIP_ER_NOZIP) {
      report = std::string(package) + ": not a package under the " + arguments.key.name +
               " key table (a different --key, or not a package at all)";
    } else {
      zip_error_t detail;
      zip_error_init_with_code(&detail, error);
      report = std::string(package) + ": cannot read the archive: " + zip_error_strerror(&detail);
      zip_error_fini(&detail);
    }
  }
  remove(zipPath.c_str());
  if (status != 0)
    fprintf(stderr, "qmgdist list: %s\n", report.c_str());
  return status;
}
