// qmgdist list: the members of a package, from its central directory,
// read through the descrambling layer.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "package/zip_records.h"
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

// Reads `size` bytes at `offset` and descrambles them.
bool ReadAt(FILE *file, uint64_t offset, std::vector<uint8_t> &bytes, size_t size, const uint8_t *key) {
  bytes.resize(size);
  if (!SeekFile(file, offset) || fread(bytes.data(), 1, size, file) != size)
    return false;
  ScrambleAt(bytes.data(), size, offset, key);
  return true;
}

// The central directory, found through the end record in the last 66000
// bytes. False, with one sentence in `report`.
bool ReadDirectory(FILE *file, const std::string &package, const KeyedArguments &arguments,
                   std::vector<uint8_t> &directory, uint32_t &announced, std::string &report) {
  int64_t size = FileSizeOf(file);
  std::vector<uint8_t> tail;
  size_t tailSize = size < 66000 ? static_cast<size_t>(size < 0 ? 0 : size) : 66000;
  if (size < 0 || !ReadAt(file, static_cast<uint64_t>(size) - tailSize, tail, tailSize, arguments.key.bytes)) {
    report = package + ": cannot read: " + strerror(errno);
    return false;
  }
  size_t at = tailSize >= EndRecordSize ? tailSize - EndRecordSize + 1 : 0;
  while (at > 0 && Le32(&tail[at - 1]) != EndRecordSignature)
    at--;
  if (at == 0) {
    report = package + ": not a package under the " + arguments.key.name +
             " key table (a different --key, or not a package at all)";
    return false;
  }
  const uint8_t *end = &tail[at - 1];
  uint64_t endAt = static_cast<uint64_t>(size) - tailSize + (at - 1);
  announced = Le16(end + end_record::EntriesTotal);
  uint32_t directorySize = Le32(end + end_record::DirectorySize);
  uint64_t directoryAt = Le32(end + end_record::DirectoryOffset);
  if (directoryAt + directorySize > endAt ||
      !ReadAt(file, directoryAt, directory, directorySize, arguments.key.bytes)) {
    report = package + ": cannot read the archive: its central directory is not where its end record says";
    return false;
  }
  return true;
}

// One line per central directory entry, then the totals. False when an
// entry is damaged (the lines before it are printed).
bool ListMembers(const std::vector<uint8_t> &directory, uint32_t announced, std::string &report) {
  printf("%10s %10s  %-8s  %-19s  %-5s  %s\n", "size", "packed", "method", "modified", "attrs", "name");
  uint64_t total = 0;
  uint32_t count = 0;
  size_t at = 0;
  for (; count < announced; count++) {
    if (directory.size() - at < CentralHeaderSize || Le32(&directory[at]) != CentralHeaderSignature) {
      report = "entry " + std::to_string(count + 1) + " of the central directory is damaged";
      return false;
    }
    const uint8_t *header = &directory[at];
    size_t nameLength = Le16(header + central::NameLength);
    size_t recordSize = CentralHeaderSize + nameLength + Le16(header + central::ExtraLength) +
                        Le16(header + central::CommentLength);
    if (directory.size() - at < recordSize) {
      report = "entry " + std::to_string(count + 1) + " of the central directory is damaged";
      return false;
    }
    uint16_t time = Le16(header + 12), date = Le16(header + 14);
    char when[32];
    snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", 1980 + (date >> 9), (date >> 5) & 15, date & 31,
             time >> 11, (time >> 5) & 63, (time & 31) * 2);
    uint32_t size = Le32(header + central::UncompressedSize);
    printf("%10" PRIu32 " %10" PRIu32 "  %-8s  %-19s  %-5s  %s\n", size, Le32(header + central::CompressedSize),
           MethodName(Le16(header + central::Method)), when,
           AttributeLetters(header[central::ExternalAttributes]).c_str(),
           std::string(reinterpret_cast<const char *>(header + CentralHeaderSize), nameLength).c_str());
    total += size;
    at += recordSize;
  }
  printf("%" PRIu32 " members, %" PRIu64 " bytes\n", count, total);
  return true;
}

} // namespace

int RunList(int argc, char **argv) {
  KeyedArguments arguments;
  std::string report;
  if (!ParseKeyedArguments(argc, argv, 1, arguments, report))
    return UsageError("list", report, ListHelp);
  std::string package = arguments.operands[0];
  std::unique_ptr<FILE, FileCloser> file(fopen(package.c_str(), "rb"));
  std::vector<uint8_t> directory;
  uint32_t announced = 0;
  if (!file) {
    report = package + ": cannot open: " + strerror(errno);
  } else if (ReadDirectory(file.get(), package, arguments, directory, announced, report) &&
             ListMembers(directory, announced, report)) {
    return 0;
  } else if (report.compare(0, package.size(), package) != 0) {
    report = package + ": cannot read the archive: " + report;
  }
  fprintf(stderr, "qmgdist list: %s\n", report.c_str());
  return 2;
}
