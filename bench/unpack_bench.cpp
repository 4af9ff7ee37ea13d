// Times one extraction by the installer's own code: UnpackPackage with the
// uninstall log open, as SETUP.EXE runs it.
//
//   unpack_bench [--key KEY] PACKAGE DESTINATION
//
// Prints the result code, the seconds UnpackPackage took and the bytes it
// wrote per second. Exit status 0 exactly when the result is 0.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "package/unpack.h"
#include "qmgdist/package_key.h"
#include "base/uninstall_log.h"

namespace {

const char Usage[] = "usage: unpack_bench [--key KEY] PACKAGE DESTINATION   (KEY: zero, shared or a code; "
                     "default zero)\n";

// The bytes in every "D" record's file: what the extraction wrote.
uint64_t BytesWritten(const std::string &logPath) {
  FILE *file = fopen(logPath.c_str(), "rb");
  if (!file)
    return 0;
  std::vector<char> log;
  char piece[65536];
  size_t got;
  while ((got = fread(piece, 1, sizeof piece, file)) > 0)
    log.insert(log.end(), piece, piece + got);
  fclose(file);
  uint64_t total = 0;
  for (size_t at = 0; at < log.size();) {
    size_t length = strnlen(&log[at], log.size() - at);
    struct stat info;
    if (length > 1 && log[at] == 'D' && stat(std::string(&log[at + 1], length - 1).c_str(), &info) == 0)
      total += static_cast<uint64_t>(info.st_size);
    at += length + 1;
  }
  return total;
}

} // namespace

int main(int argc, char **argv) {
  const char *keyText = "zero";
  int first = 1;
  if (argc >= 3 && !strcmp(argv[1], "--key")) {
    keyText = argv[2];
    first = 3;
  }
  if (argc - first != 2) {
    fputs(Usage, argc == 1 ? stdout : stderr);
    return argc == 1 ? 0 : 2;
  }
  PackageKey key;
  std::string report;
  if (!ParsePackageKey(keyText, key, report)) {
    fprintf(stderr, "unpack_bench: %s\n", report.c_str());
    return 2;
  }
  std::string package = argv[first], destination = argv[first + 1];
  std::string logPath = destination + ".unsetup.ctl";
  if (!OpenUninstallLog(logPath.c_str())) {
    fprintf(stderr, "unpack_bench: %s: cannot create the uninstall log\n", logPath.c_str());
    return 2;
  }
  std::vector<char> path(package.begin(), package.end());
  path.resize(package.size() + 4, '\0'); // room for ".pk"
  SetActivePackageKeyTable(key.table);

  auto start = std::chrono::steady_clock::now();
  int result = UnpackPackage(path.data(), path.size(), destination.c_str());
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  CloseUninstallLog();

  uint64_t bytes = BytesWritten(logPath);
  remove(logPath.c_str());
  printf("result %d  %.3f s  %.1f MB written  %.1f MB/s\n", result, seconds, bytes / 1e6,
         seconds > 0 ? bytes / 1e6 / seconds : 0.0);
  return result == 0 ? 0 : 1;
}
