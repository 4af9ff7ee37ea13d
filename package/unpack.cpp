// Package extraction. The order of work:
//   1. find the end-of-central-directory record in the archive's last 66000
//      bytes, and from it where the central directory really starts;
//   2. read the central directory in blocks of 64 entries;
//   3. for each entry, find its local header, map its name to a path inside
//      the destination (making and recording folders), replace the file,
//      copy or inflate its data through a 32 KB window with a running
//      CRC-32, then restore its DOS time and attributes.
// Every archive byte is read through ArchiveReader, the descrambling layer.
// This file is the pass that ties the steps together and decides the
// result; the directory walk, the member's output file and its data have
// files of their own (package/extraction.h names them).
//
// Results (the largest wins, except that a member whose local header cannot
// be found replaces the result so far; a full disk stops the call):
//   0 all extracted, every CRC matching
//   1 warning: backslash names, bytes prepended, end record naming another
//     disk, a method other than stored or deflated (left empty), a name cut
//     to 259 characters, a UTF-8 flag differing between the two headers, an
//     archive without members
//   2 a member failed: CRC mismatch, damaged data, a name or folder that
//     could not be mapped or made (a component acting as "..", nothing left
//     of the name, a link in the way), a local header not where recorded,
//     archive bytes shared with an earlier member, bytes missing at the
//     start of the archive
//   3 the central directory is not where recorded, or ends before the
//     announced count; the destination could not be made
//   4 no memory for the buffers   6 no memory while inflating
//   9 not found, or not a ZIP archive (also after the ".pk" retry)
//  50 a file could not be replaced or created, or the disk is full
//  51 the archive ended unexpectedly   76 the archive path is a folder
#include "package/unpack.h"

#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>

#include <zlib.h>

#include "base/file_system.h"
#include "package/central_directory.h"
#include "package/extraction.h"
#include "package/member_data.h"
#include "package/member_output.h"
#include "package/zip_records.h"

namespace {

uint8_t ActiveKey[KeyTableBytes];

// Takes [start, end) for a member unless it crosses the span of one met
// before. Members that share bytes (several directory entries naming one
// local header, or data reaching into another member) are how a small
// archive claims to unpack into something vastly larger; they are refused.
bool ClaimSpan(Extraction &x, uint64_t start, uint64_t end) {
  auto next = x.spans.lower_bound(start);
  if (next != x.spans.end() && next->first < end)
    return false;
  if (next != x.spans.begin() && std::prev(next)->second > start)
    return false;
  x.spans.emplace(start, end);
  return true;
}

void ExtractMember(Extraction &x, const ZipMember &central) {
  uint8_t header[LocalHeaderSize];
  if (!FindLocalHeader(x, central, header))
    return;
  uint64_t headerAt = x.reader.position - LocalHeaderSize;
  uint16_t flags = Le16(header + local::Flags);
  uint16_t method = Le16(header + local::Method);
  uint32_t crc = Le32(header + local::Crc);
  uint32_t compressedSize = Le32(header + local::CompressedSize);
  if (flags & FlagDataDescriptor) {
    crc = central.crc;
    compressedSize = central.compressedSize;
  }
  if ((flags ^ central.flags) & FlagUtf8Names)
    RaiseResult(x, UnpackWarning);

  uint8_t *scratch = x.buffers->scratch.get();
  size_t nameLength = Le16(header + local::NameLength);
  size_t extraLength = Le16(header + local::ExtraLength);
  uint8_t *extra = scratch + FieldLimit;
  if (!ArchiveRead(x.reader, scratch, nameLength) || !ArchiveRead(x.reader, extra, extraLength)) {
    RaiseResult(x, UnpackTruncated);
    return;
  }
  if (!ClaimSpan(x, headerAt, x.reader.position + compressedSize)) {
    RaiseResult(x, UnpackMemberFailed);
    return;
  }
  std::string stored(reinterpret_cast<const char *>(scratch), nameLength);
  // A NUL inside a stored name ends it, as it would in any C string.
  stored.resize(strnlen(stored.c_str(), stored.size()));

  OutputFile out;
  if (!PrepareOutputPath(x, central, stored, extra, extraLength, out) || !CreateMemberFile(x, out))
    return;

  uLong runningCrc = crc32(0, nullptr, 0);
  int dataResult = UnpackOk;
  DataOutcome outcome = DataOutcome::Done;
  if (method == MethodStored) {
    outcome = CopyStored(x, out.file, compressedSize, runningCrc, dataResult);
  } else if (method == MethodDeflated) {
    outcome = Inflate(x, out.file, compressedSize, runningCrc, dataResult);
  } else {
    CloseMemberFile(out);
    RaiseResult(x, UnpackWarning);
    return;
  }
  bool closed = CloseMemberFile(out);
  if (outcome == DataOutcome::WriteFailed || !closed) {
    // A short write means the disk is full: drop the partial file and stop.
    DropMemberFile(out);
    RaiseResult(x, UnpackWriteFailed);
    x.stopped = true;
    return;
  }
  FinishMemberFile(out, header, central.attributes | ((central.attributes & 0x10) ? 0 : 0x20));
  if (runningCrc != crc)
    RaiseResult(x, UnpackMemberFailed);
  if (dataResult == UnpackInflateNoMemory || dataResult == UnpackTruncated)
    RaiseResult(x, dataResult);
  else if (dataResult != UnpackOk)
    RaiseResult(x, UnpackMemberFailed);
}

int ArchivePass(Extraction &x, const char *archivePath, const char *destination, bool retry) {
  FILE *file = fopen(archivePath, "rb");
  if (!file)
    return UnpackNotAnArchive;
  std::unique_ptr<FILE, int (*)(FILE *)> closer(file, fclose);
  setvbuf(file, nullptr, _IONBF, 0);
  int64_t size = FileSizeOf(file);
  if (size < 0)
    return UnpackNotAnArchive;
  x.reader.file = file;
  x.reader.size = static_cast<uint64_t>(size);
  x.reader.key = ActiveKey;
  x.reader.block = x.buffers->block.get();
  x.reader.blockLength = 0;

  if (!SetUpDestination(x, destination))
    return UnpackBrokenArchive;

  uint64_t directoryAt;
  uint32_t entries;
  int passResult;
  if (!LocateDirectory(x, retry, directoryAt, entries, passResult))
    return passResult;

  ZipMember block[MembersPerBlock];
  uint32_t entriesRead = 0;
  bool ended = false;
  while (!ended) {
    ArchiveSeek(x.reader, directoryAt);
    size_t count = ReadMemberBlock(x, block, entriesRead, entries, ended);
    directoryAt = x.reader.position;
    for (size_t i = 0; i < count && !x.stopped; i++)
      ExtractMember(x, block[i]);
    if (x.stopped)
      break;
  }
  return x.result;
}

} // namespace

void RaiseResult(Extraction &x, int code) {
  if (code > x.result)
    x.result = code;
}

void SetActivePackageKeyTable(const uint16_t table[KeyTableWordCount]) { KeyTableBytesOf(table, ActiveKey); }

int UnpackPackage(char *archivePath, size_t capacity, const char *destination) {
  ExtractionBuffers buffers;
  buffers.block.reset(new (std::nothrow) uint8_t[ArchiveBlockSize + 4]);
  buffers.window.reset(new (std::nothrow) uint8_t[WindowSize]);
  buffers.scratch.reset(new (std::nothrow) uint8_t[ScratchSize]);
  buffers.output.reset(new (std::nothrow) char[OutputBufferSize]);
  if (!buffers.block || !buffers.window || !buffers.scratch || !buffers.output)
    return UnpackNoMemory;

  if (QueryPathKind(archivePath) == PathKind::File) {
    Extraction first;
    first.buffers = &buffers;
    int result = ArchivePass(first, archivePath, destination, false);
    if (result != UnpackNotAnArchive)
      return result;
  }
  static const char Retry[] = ".pk";
  size_t length = strnlen(archivePath, capacity);
  if (length + sizeof Retry > capacity)
    return UnpackNotAnArchive; // no room for the retried name: it cannot be opened
  memcpy(archivePath + length, Retry, sizeof Retry);
  switch (QueryPathKind(archivePath)) {
  case PathKind::Missing:
    return UnpackNotAnArchive;
  case PathKind::Folder:
    return UnpackPathIsFolder;
  case PathKind::File:
    break;
  }
  Extraction second;
  second.buffers = &buffers;
  return ArchivePass(second, archivePath, destination, true);
}
