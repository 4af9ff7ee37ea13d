// qmgdist extract: unpacks a package with the installer's own extraction
// code, recording in a temporary uninstall log what it made, and prints
// those records and the extraction's result code.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "package/unpack.h"
#include "qmgdist/package_verbs.h"
#include "base/uninstall_log.h"

const char ExtractHelp[] =
    "  extract --key KEY PACKAGE FOLDER\n"
    "                  unpack a package into FOLDER exactly as SETUP.EXE does, then\n"
    "                  print each folder and file made (\"folder PATH\", \"file PATH\")\n"
    "                  and, last, \"result: N\", the installer's result code (0 ok,\n"
    "                  1 warnings, 2 a member failed, 3 damaged archive, 9 not a\n"
    "                  package, 50 write failed, 51 truncated). Exit 0 only for 0.\n";

namespace {

const char *ResultSentence(int result) {
  switch (result) {
  case UnpackWarning:
    return "unpacked with warnings (backslashes in names, bytes before the archive, members of an "
           "unknown method skipped, or names cut short)";
  case UnpackMemberFailed:
    return "some members were not unpacked (a CRC mismatch, damaged data, or a name that cannot be made)";
  case UnpackBrokenArchive:
    return "the archive is damaged (its central directory is not where recorded), or the destination "
           "folder cannot be made";
  case UnpackNoMemory:
  case UnpackInflateNoMemory:
    return "out of memory";
  case UnpackWriteFailed:
    return "a file could not be replaced or written (the disk may be full)";
  case UnpackTruncated:
    return "the archive ends early: it is truncated";
  case UnpackPathIsFolder:
    return "a member's file would replace a folder";
  }
  return "the extraction failed";
}

// A fresh name in the temporary folder for the uninstall log.
std::string TemporaryLogPath() {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error)
    folder = ".";
  std::random_device random;
  for (;;) {
    std::filesystem::path candidate = folder / ("qmgdist-extract-" + std::to_string(random()) + ".log");
    if (!std::filesystem::exists(candidate, error))
      return candidate.string();
  }
}

bool ReadWhole(const std::string &path, std::vector<char> &bytes) {
  FILE *file = fopen(path.c_str(), "rb");
  if (!file)
    return false;
  char piece[8192];
  size_t got;
  while ((got = fread(piece, 1, sizeof piece, file)) > 0)
    bytes.insert(bytes.end(), piece, piece + got);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

// Prints the log's records in the order they were written: each is a kind
// letter, its text and a NUL.
void PrintRecord(const char *record, size_t length, void *) {
  if (length > 0) {
    std::string text(record + 1, length - 1);
    if (record[0] == 'F')
      printf("folder %s\n", text.c_str());
    else if (record[0] == 'D')
      printf("file %s\n", text.c_str());
    else
      printf("record %c %s\n", record[0], text.c_str());
  }
}

void PrintRecords(const std::vector<char> &log) {
  WalkLogInOrder(reinterpret_cast<const unsigned char *>(log.data()), log.size(), PrintRecord, nullptr);
}

// The destination without trailing separators, except a root's.
std::string DestinationOf(const char *folder) {
  std::string destination = folder;
  while (destination.size() > 1 && (destination.back() == '/' || destination.back() == '\\') &&
         !(destination.size() == 3 && destination[1] == ':'))
    destination.pop_back();
  return destination;
}

} // namespace

int RunExtract(int argc, char **argv) {
  KeyedArguments arguments;
  std::string report;
  if (!ParseKeyedArguments(argc, argv, 2, arguments, report)) {
    return UsageError("extract", report, ExtractHelp);
  }
  std::string package = arguments.operands[0];
  std::string destination = DestinationOf(arguments.operands[1]);

  std::string logPath = TemporaryLogPath();
  if (!OpenUninstallLog(logPath.c_str())) {
    fprintf(stderr, "qmgdist extract: %s: cannot create the temporary log: %s\n", logPath.c_str(),
            strerror(errno));
    return 2;
  }
  // UnpackPackage may append ".pk" to the path in place.
  std::vector<char> archivePath(package.begin(), package.end());
  archivePath.resize(package.size() + 4, '\0');
  SetActivePackageKeyTable(arguments.key.table);
  int result = UnpackPackage(archivePath.data(), destination.c_str());
  CloseUninstallLog();

  std::vector<char> log;
  bool logRead = ReadWhole(logPath, log);
  remove(logPath.c_str());
  PrintRecords(log);
  if (!logRead)
    fprintf(stderr, "qmgdist extract: %s: cannot read the temporary log back\n", logPath.c_str());

  std::string unpacked = archivePath.data();
  if (result == UnpackNotAnArchive)
    fprintf(stderr, "qmgdist extract: %s: not found, or not a package under the %s key table "
                    "(a different --key, or not a package at all); %s was tried too\n",
            package.c_str(), arguments.key.name.c_str(), (package + ".pk").c_str());
  else if (result != UnpackOk)
    fprintf(stderr, "qmgdist extract: %s: %s\n", unpacked.c_str(), ResultSentence(result));
  else if (unpacked != package)
    fprintf(stderr, "qmgdist extract: %s was not a package; unpacked %s\n", package.c_str(), unpacked.c_str());
  printf("result: %d\n", result);
  return result == UnpackOk ? 0 : 1;
}
