// qmgdist extract: unpacks a package with the installer's own extraction
// code, recording in an uninstall log in a private temporary folder what it
// made, and prints those records and the extraction's result code.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/uninstall_log.h"
#include "package/unpack.h"
#include "qmgdist/package_verbs.h"
#include "qmgdist/private_folder.h"

const char ExtractHelp[] =
    "  extract --key KEY PACKAGE FOLDER\n"
    "                  unpack a package into FOLDER exactly as SETUP.EXE does, then\n"
    "                  print each folder and file made (\"folder PATH\", \"file PATH\")\n"
    "                  and, last, \"result: N\", the installer's result code:\n"
    "                     0 every member unpacked, every CRC matching\n"
    "                     1 warnings: backslashes in names, bytes before the archive,\n"
    "                       a member of an unknown method left empty, a name cut\n"
    "                       short, or a package without members\n"
    "                     2 a member failed: CRC mismatch, damaged data, or a name\n"
    "                       or folder that cannot be made\n"
    "                     3 the archive is damaged, or FOLDER cannot be made\n"
    "                     4 not enough memory for the buffers\n"
    "                     6 not enough memory while inflating\n"
    "                     9 not a package under this key table\n"
    "                    50 a file could not be created or written (the work stops\n"
    "                       when a write fails)\n"
    "                    51 the archive ends early: it is truncated\n"
    "                    76 PACKAGE.pk, tried after PACKAGE, is a folder\n"
    "                  SETUP.EXE stops the product's installation for any result\n"
    "                  but 0. Exit 0 for result 0, 1 for any other result, 2 when\n"
    "                  PACKAGE cannot be opened.\n";

namespace {

const char *ResultSentence(int result) {
  switch (result) {
  case UnpackWarning:
    return "unpacked with warnings (backslashes in names, bytes before the archive, members of an "
           "unknown method left empty, names cut short, or a package without members)";
  case UnpackMemberFailed:
    return "some members were not unpacked (a CRC mismatch, damaged data, or a name or folder that cannot "
           "be made)";
  case UnpackBrokenArchive:
    return "the archive is damaged (its central directory is not where recorded), or the destination "
           "folder cannot be made";
  case UnpackNoMemory:
    return "not enough memory for the extraction's buffers";
  case UnpackInflateNoMemory:
    return "not enough memory while inflating a member";
  case UnpackWriteFailed:
    return "a file could not be created or replaced (a read-only folder or file, a file in use, a name too "
           "long, a full disk, ...)";
  case UnpackTruncated:
    return "the archive ends early: it is truncated";
  case UnpackPathIsFolder:
    return "is a folder, not a package (it was tried because the name without \".pk\" is missing or not a "
           "package)";
  }
  return "the extraction failed";
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
// letter, its text and a NUL. Returns the text of the last "D" record.
void PrintRecord(const char *record, size_t length, void *context) {
  if (length == 0)
    return;
  std::string text(record + 1, length - 1);
  if (record[0] == 'F') {
    printf("folder %s\n", text.c_str());
  } else if (record[0] == 'D') {
    printf("file %s\n", text.c_str());
    *static_cast<std::string *>(context) = text;
  } else {
    printf("record %c %s\n", record[0], text.c_str());
  }
}

std::string PrintRecords(const std::vector<char> &log) {
  std::string lastFile;
  WalkLogInOrder(reinterpret_cast<const unsigned char *>(log.data()), log.size(), PrintRecord, &lastFile);
  return lastFile;
}

// What can be told about a result of 50. The extraction logs a file right
// before creating it and, when creating or writing it fails, removes what
// it made and stops: a last logged file that is gone is the one that could
// not be made.
std::string WriteFailureSentence(const std::string &lastFile, const std::string &destination) {
  // A UTF-8 name cannot be probed through the ANSI path functions, so only
  // a plain ASCII one is taken as the file that could not be made.
  bool ascii = std::all_of(lastFile.begin(), lastFile.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (lastFile.empty() || !ascii || QueryPathKind(lastFile.c_str()) != PathKind::Missing)
    return ResultSentence(UnpackWriteFailed);
  std::error_code error;
  std::filesystem::space_info space = std::filesystem::space(destination, error);
  std::string why = !error && space.available == 0 ? "the disk is full"
                                                    : "the extraction does not pass on the system's reason";
  return lastFile + " could not be created or written (" + why + "); any partial file was removed and the "
                    "extraction stopped there";
}

// Whether the extraction can be handed the package: it, or the name with
// ".pk" that the extraction tries next, opens. A package that cannot be
// opened at all is a file error of this command, not an extraction result.
bool PackageOpens(const std::string &package, std::string &report) {
  for (const std::string &candidate : {package, package + ".pk"}) {
    PathKind kind = QueryPathKind(candidate.c_str());
    if (kind == PathKind::Folder) {
      if (candidate != package)
        return true; // the extraction's own result 76 tells this one
      if (report.empty())
        report = candidate + ": is a folder, not a package";
      continue;
    }
    if (FILE *file = fopen(candidate.c_str(), "rb")) {
      fclose(file);
      return true;
    }
    if (report.empty())
      report = candidate + ": cannot open: " + strerror(errno);
  }
  report += "; " + package + ".pk was tried too";
  return false;
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

  if (!PackageOpens(package, report)) {
    fprintf(stderr, "qmgdist extract: %s\n", report.c_str());
    return 2;
  }
  std::string privateFolder;
  if (!MakePrivateFolder(privateFolder, report)) {
    fprintf(stderr, "qmgdist extract: %s\n", report.c_str());
    return 2;
  }
  std::string logPath = privateFolder + "/extract.log";
  if (!OpenUninstallLog(logPath.c_str())) {
    fprintf(stderr, "qmgdist extract: %s: cannot create the temporary log: %s\n", logPath.c_str(),
            strerror(errno));
    RemovePrivateFolder(privateFolder);
    return 2;
  }
  // UnpackPackage may append ".pk" to the path in place.
  std::vector<char> archivePath(package.begin(), package.end());
  archivePath.resize(package.size() + 4, '\0');
  SetActivePackageKeyTable(arguments.key.table);
  int result = UnpackPackage(archivePath.data(), archivePath.size(), destination.c_str());
  CloseUninstallLog();

  std::vector<char> log;
  bool logRead = ReadWhole(logPath, log);
  remove(logPath.c_str());
  RemovePrivateFolder(privateFolder);
  std::string lastFile = PrintRecords(log);
  if (!logRead)
    fprintf(stderr, "qmgdist extract: %s: cannot read the temporary log back\n", logPath.c_str());

  std::string unpacked = archivePath.data();
  if (result == UnpackNotAnArchive)
    fprintf(stderr, "qmgdist extract: %s: not a package under the %s key table "
                    "(a different --key, or not a package at all); %s was tried too\n",
            package.c_str(), arguments.key.name.c_str(), (package + ".pk").c_str());
  else if (result == UnpackWriteFailed)
    fprintf(stderr, "qmgdist extract: %s: %s\n", unpacked.c_str(), WriteFailureSentence(lastFile, destination).c_str());
  else if (result != UnpackOk)
    fprintf(stderr, "qmgdist extract: %s: %s\n", unpacked.c_str(), ResultSentence(result));
  else if (unpacked != package)
    fprintf(stderr, "qmgdist extract: %s was not a package; unpacked %s\n", package.c_str(), unpacked.c_str());
  printf("result: %d\n", result);
  return result == UnpackOk ? 0 : 1;
}
