// Package extraction. The order of work:
//   1. find the end-of-central-directory record in the archive's last 66000
//      bytes, and from it where the central directory really starts;
//   2. read the central directory in blocks of 64 entries;
//   3. for each entry, find its local header, map its name to a path inside
//      the destination (making and recording folders), replace the file,
//      copy or inflate its data through a 32 KB window with a running
//      CRC-32, then restore its DOS time and attributes.
// Every archive byte is read through ArchiveReader, the descrambling layer.
// Memory is bounded: one 8 KB block, one 32 KB window, a 128 KB scratch
// area for one member's name and extra field, a 256 KB buffer for the one
// output file open at a time, 64 directory entries, and the span of archive
// bytes of each member met (to refuse members that overlap).
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

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <string>

#include <zlib.h>

#include "base/file_system.h"
#include "package/archive_reader.h"
#include "package/member_names.h"
#include "package/zip_records.h"
#include "base/uninstall_log.h"

namespace {

uint8_t ActiveKey[KeyTableBytes];

enum : size_t {
  MembersPerBlock = 64,
  WindowSize = 32768,
  EndRecordSearch = 66000,
  FieldLimit = 65536, // a name or an extra field is at most 65535 bytes
  ScratchSize = 2 * FieldLimit,
  OutputBufferSize = 256 * 1024,
};

struct Member {
  uint32_t localOffset, compressedSize, uncompressedSize, crc;
  uint8_t version, host, attributes;
  uint16_t flags;
};

struct Buffers {
  std::unique_ptr<uint8_t[]> block, window, scratch;
  std::unique_ptr<char[]> output;
};

struct Extraction {
  ArchiveReader reader;
  Buffers *buffers;
  std::string root; // the destination with one "/" to join names to
  int result = UnpackOk;
  bool stopped = false; // the disk is full
  int64_t extraBytes = 0;
  int64_t removedExtraBytes = 0; // what the first member's second try took away
  bool firstMember = true;
  // The old-FAT answer of the destination's volume, asked once per call.
  int oldFat = -1;
  // The archive bytes each member met so far takes, local header to the end
  // of its data, by start: no two members may share any.
  std::map<uint64_t, uint64_t> spans;
};

void Raise(Extraction &x, int code) {
  if (code > x.result)
    x.result = code;
}

// Drops one trailing separator (keeping a drive root), makes the folder if
// it is missing and records it. The root joins member names with "/".
bool SetUpDestination(Extraction &x, const char *destination) {
  std::string folder = destination;
  bool driveRoot = folder.size() == 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
  if (!driveRoot && folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
    folder.pop_back();
  if (QueryPathKind(folder.c_str()) != PathKind::Folder) {
    if (!MakeFolder(folder.c_str()))
      return false;
    WriteLogRecord('F', folder.c_str());
  }
  // A drive root keeps its own separator: "C:" alone would mean the drive's
  // current folder, not its root.
  x.root = driveRoot ? folder : folder + "/";
  return true;
}

bool OnOldFat(Extraction &x) {
  if (x.oldFat < 0)
    x.oldFat = VolumeMaxComponentLength(x.root.c_str()) < 13;
  return x.oldFat == 1;
}

bool LocalHeaderAt(Extraction &x, uint64_t offset, uint8_t header[LocalHeaderSize]) {
  ArchiveSeek(x.reader, offset);
  return ArchiveRead(x.reader, header, LocalHeaderSize) && Le32(header) == LocalHeaderSignature;
}

// Finds the member's local header, with the second tries for archives whose
// prepended bytes turn out not to shift the members.
bool FindLocalHeader(Extraction &x, const Member &m, uint8_t header[LocalHeaderSize]) {
  bool first = x.firstMember;
  x.firstMember = false;
  if (LocalHeaderAt(x, m.localOffset + x.extraBytes, header))
    return true;
  bool secondTry = false;
  if (first && x.extraBytes != 0) {
    secondTry = true;
    if (LocalHeaderAt(x, m.localOffset, header)) {
      x.removedExtraBytes = x.extraBytes;
      x.extraBytes = 0;
      Raise(x, UnpackMemberFailed);
      return true;
    }
  } else if (!first && x.removedExtraBytes != 0) {
    secondTry = true;
    if (LocalHeaderAt(x, m.localOffset + x.removedExtraBytes, header)) {
      Raise(x, UnpackMemberFailed);
      return true;
    }
  }
  x.result = secondTry ? UnpackBrokenArchive : UnpackMemberFailed;
  return false;
}

// Makes the member's folders below the root, recording each one made.
// Returns the folder path ("" for the root itself) or false when a folder
// cannot be made. `lastMade` tells whether the deepest one was made now.
bool MakeMemberFolders(Extraction &x, const MappedName &mapped, std::string &folder, bool &lastMade) {
  folder = x.root;
  lastMade = false;
  for (size_t i = 0; i < mapped.folders.size(); i++) {
    if (i > 0)
      folder += '/';
    folder += mapped.folders[i];
    if (folder.size() > FolderPathLimit)
      return false;
    // A link below the root could lead anywhere: the member is refused
    // rather than written through it.
    EntryKind kind = QueryEntryKind(folder.c_str());
    if (kind == EntryKind::File || kind == EntryKind::Link)
      return false;
    lastMade = kind == EntryKind::Missing;
    if (lastMade) {
      if (!MakeFolder(folder.c_str()))
        return false;
      WriteLogRecord('F', folder.c_str());
    }
  }
  return true;
}

std::string WithNativeSeparators(std::string path) {
  for (char &c : path)
    if (c == '/')
      c = PathSeparator;
  return path;
}

std::string LastComponent(const std::string &name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

struct OutputFile {
  std::string path;
  bool utf8 = false;
  FILE *file = nullptr;
};

// Works out the member's output path, making its folders. False when the
// member produces no file (a folder entry, a volume label, or a failure,
// which has been raised).
bool PrepareOutputPath(Extraction &x, const Member &m, const std::string &stored, const uint8_t *extra,
                       size_t extraLength, OutputFile &out) {
  std::string name = stored;
  if (name.size() > MemberNameLimit) {
    name.resize(MemberNameLimit);
    Raise(x, UnpackWarning);
  }
  if (NameIsOem(m.host, m.version)) {
    std::unique_ptr<char[]> converted(new char[name.size() + 1]);
    memcpy(converted.get(), name.c_str(), name.size() + 1);
    ConvertOemToAnsi(converted.get());
    name = converted.get();
  }
  bool utf8Flag = (m.flags & FlagUtf8Names) != 0;
  std::string utf8Name;
  if (utf8Flag)
    utf8Name = stored;
  if (utf8Flag || FindUnicodePath(extra, extraLength, stored, utf8Name)) {
    name = EscapeUtf8Name(utf8Name);
    if (name.size() > MemberNameLimit) {
      name.resize(MemberNameLimit);
      Raise(x, UnpackWarning);
    }
  }
  if (IsVolumeLabel(m.host, m.attributes))
    return false;
  if (name.find('/') == std::string::npos && name.find('\\') != std::string::npos) {
    for (char &c : name)
      if (c == '\\')
        c = '/';
    for (char &c : utf8Name)
      if (c == '\\')
        c = '/';
    Raise(x, UnpackWarning);
  }

  bool oldFat = OnOldFat(x);
  MappedName mapped;
  std::string folder;
  bool lastMade;
  if (!MapMemberName(name, oldFat, mapped) || !MakeMemberFolders(x, mapped, folder, lastMade)) {
    Raise(x, UnpackMemberFailed);
    return false;
  }
  if (mapped.folders.empty() && mapped.file.empty()) {
    Raise(x, UnpackMemberFailed); // nothing left of the name to make
    return false;
  }
  if (mapped.folderEntry) {
    if (lastMade && (m.attributes & 0x6F))
      SetFolderAttributes(folder.c_str(), m.attributes);
    return false;
  }
  if (mapped.file.empty()) {
    Raise(x, UnpackMemberFailed);
    return false;
  }
  std::string joint = folder.size() > x.root.size() ? "/" : "";
  // Names flagged as UTF-8 keep their real characters in the file name; the
  // file goes into the folder made above, under the same cleaning rules.
  std::string realName = utf8Flag && !oldFat ? CleanComponent(LastComponent(utf8Name), true, false) : "";
  if (IsOnlyDotsAndBlanks(realName)) {
    Raise(x, UnpackMemberFailed);
    return false;
  }
  if (!realName.empty()) {
    char folderUtf8[4 * 512];
    if (!AnsiToUtf8(folder.c_str(), folderUtf8, sizeof folderUtf8)) {
      Raise(x, UnpackMemberFailed);
      return false;
    }
    out.path = WithNativeSeparators(folderUtf8 + joint + realName);
    out.utf8 = true;
  } else {
    out.path = WithNativeSeparators(folder + joint + mapped.file);
  }
  return true;
}

// Writes a piece of output after passing it through the running CRC.
bool WriteOutput(FILE *file, const uint8_t *data, size_t size, uLong &crc) {
  crc = crc32(crc, data, static_cast<uInt>(size));
  return fwrite(data, 1, size, file) == size;
}

enum class DataOutcome { Done, WriteFailed };

DataOutcome CopyStored(Extraction &x, FILE *file, uint32_t size, uLong &crc, int &dataResult) {
  uint32_t remaining = size;
  while (remaining > 0) {
    const uint8_t *chunk;
    size_t got = ArchiveNextChunk(x.reader, std::min<size_t>(remaining, WindowSize), &chunk);
    if (got == 0) {
      dataResult = UnpackTruncated;
      break;
    }
    if (!WriteOutput(file, chunk, got, crc))
      return DataOutcome::WriteFailed;
    remaining -= static_cast<uint32_t>(got);
  }
  return DataOutcome::Done;
}

DataOutcome Inflate(Extraction &x, FILE *file, uint32_t compressedSize, uLong &crc, int &dataResult) {
  uint8_t *window = x.buffers->window.get();
  z_stream stream = {};
  int status = inflateInit2(&stream, -MAX_WBITS);
  if (status != Z_OK) {
    dataResult = status == Z_MEM_ERROR ? UnpackInflateNoMemory : UnpackMemberFailed;
    return DataOutcome::Done;
  }
  uint32_t remaining = compressedSize;
  DataOutcome outcome = DataOutcome::Done;
  stream.next_out = window;
  stream.avail_out = WindowSize;
  for (;;) {
    if (stream.avail_in == 0 && remaining > 0) {
      const uint8_t *chunk;
      size_t got = ArchiveNextChunk(x.reader, remaining, &chunk);
      if (got == 0) {
        dataResult = UnpackTruncated;
        break;
      }
      stream.next_in = const_cast<Bytef *>(chunk);
      stream.avail_in = static_cast<uInt>(got);
      remaining -= static_cast<uint32_t>(got);
    }
    status = inflate(&stream, Z_NO_FLUSH);
    size_t produced = WindowSize - stream.avail_out;
    if (produced > 0 && (stream.avail_out == 0 || status == Z_STREAM_END || status != Z_OK)) {
      if (!WriteOutput(file, window, produced, crc)) {
        outcome = DataOutcome::WriteFailed;
        break;
      }
      stream.next_out = window;
      stream.avail_out = WindowSize;
    }
    if (status == Z_STREAM_END)
      break;
    if (status == Z_MEM_ERROR) {
      dataResult = UnpackInflateNoMemory;
      break;
    }
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && remaining == 0) {
      dataResult = UnpackMemberFailed; // the data ended before the stream did
      break;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) {
      dataResult = UnpackMemberFailed;
      break;
    }
  }
  inflateEnd(&stream);
  return outcome;
}

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

void ExtractMember(Extraction &x, const Member &central) {
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
    Raise(x, UnpackWarning);

  uint8_t *scratch = x.buffers->scratch.get();
  size_t nameLength = Le16(header + local::NameLength);
  size_t extraLength = Le16(header + local::ExtraLength);
  uint8_t *extra = scratch + FieldLimit;
  if (!ArchiveRead(x.reader, scratch, nameLength) || !ArchiveRead(x.reader, extra, extraLength)) {
    Raise(x, UnpackTruncated);
    return;
  }
  if (!ClaimSpan(x, headerAt, x.reader.position + compressedSize)) {
    Raise(x, UnpackMemberFailed);
    return;
  }
  std::string stored(reinterpret_cast<const char *>(scratch), nameLength);
  // A NUL inside a stored name ends it, as it would in any C string.
  stored.resize(strnlen(stored.c_str(), stored.size()));

  OutputFile out;
  if (!PrepareOutputPath(x, central, stored, extra, extraLength, out))
    return;
  if (!RemoveFileForReplacement(out.path.c_str(), out.utf8)) {
    Raise(x, UnpackWriteFailed);
    return;
  }
  out.file = CreateNewOutputFile(out.path.c_str(), out.utf8);
  if (!out.file) {
    Raise(x, UnpackWriteFailed);
    return;
  }
  // The 32 KB pieces gather in a larger buffer: fewer, larger writes.
  setvbuf(out.file, x.buffers->output.get(), _IOFBF, OutputBufferSize);
  WriteLogRecord('D', out.path.c_str());

  uLong runningCrc = crc32(0, nullptr, 0);
  int dataResult = UnpackOk;
  DataOutcome outcome = DataOutcome::Done;
  if (method == MethodStored) {
    outcome = CopyStored(x, out.file, compressedSize, runningCrc, dataResult);
  } else if (method == MethodDeflated) {
    outcome = Inflate(x, out.file, compressedSize, runningCrc, dataResult);
  } else {
    fclose(out.file);
    Raise(x, UnpackWarning);
    return;
  }
  bool closed = fclose(out.file) == 0;
  if (outcome == DataOutcome::WriteFailed || !closed) {
    // A short write means the disk is full: drop the partial file and stop.
    RemoveFileForReplacement(out.path.c_str(), out.utf8);
    Raise(x, UnpackWriteFailed);
    x.stopped = true;
    return;
  }
  uint8_t attributes = central.attributes | ((central.attributes & 0x10) ? 0 : 0x20);
  RestoreTimeAndAttributes(out.path.c_str(), out.utf8, Le16(header + local::Date), Le16(header + local::Time),
                           (attributes & 0x5F) != 0, attributes);
  if (runningCrc != crc)
    Raise(x, UnpackMemberFailed);
  if (dataResult == UnpackInflateNoMemory || dataResult == UnpackTruncated)
    Raise(x, dataResult);
  else if (dataResult != UnpackOk)
    Raise(x, UnpackMemberFailed);
}

// Reads up to 64 central directory entries from the reader's position.
// Sets `ended` when the directory ends within this block.
size_t ReadMemberBlock(Extraction &x, Member block[MembersPerBlock], uint32_t &entriesRead,
                       uint32_t entriesAnnounced, bool &ended) {
  size_t count = 0;
  ended = false;
  while (count < MembersPerBlock) {
    uint8_t header[CentralHeaderSize];
    if (!ArchiveRead(x.reader, header, 4) || Le32(header) != CentralHeaderSignature) {
      if (entriesRead < entriesAnnounced)
        Raise(x, UnpackBrokenArchive);
      ended = true;
      break;
    }
    if (!ArchiveRead(x.reader, header + 4, CentralHeaderSize - 4) ||
        !ArchiveSkip(x.reader, uint64_t{Le16(header + central::NameLength)} +
                                   Le16(header + central::ExtraLength) + Le16(header + central::CommentLength))) {
      Raise(x, UnpackTruncated);
      ended = true;
      break;
    }
    Member &m = block[count++];
    entriesRead++;
    uint16_t madeBy = Le16(header + central::VersionMadeBy);
    m.version = static_cast<uint8_t>(madeBy);
    m.host = static_cast<uint8_t>(madeBy >> 8);
    m.flags = Le16(header + central::Flags);
    m.crc = Le32(header + central::Crc);
    m.compressedSize = Le32(header + central::CompressedSize);
    m.uncompressedSize = Le32(header + central::UncompressedSize);
    m.attributes = static_cast<uint8_t>(Le32(header + central::ExternalAttributes));
    m.localOffset = Le32(header + central::LocalHeaderOffset);
  }
  return count;
}

bool CentralHeaderAt(Extraction &x, int64_t offset) {
  uint8_t signature[4];
  if (offset < 0)
    return false;
  ArchiveSeek(x.reader, static_cast<uint64_t>(offset));
  return ArchiveRead(x.reader, signature, 4) && Le32(signature) == CentralHeaderSignature;
}

// Finds the end record in the archive's tail. Returns its offset, or -1
// with `truncated` set when the archive ends inside the record.
int64_t FindEndRecord(Extraction &x, bool &truncated) {
  truncated = false;
  uint64_t span = x.reader.size < uint64_t{EndRecordSearch} ? x.reader.size : uint64_t{EndRecordSearch};
  uint64_t start = x.reader.size - span;
  uint8_t *tail = x.buffers->scratch.get();
  ArchiveSeek(x.reader, start);
  if (!ArchiveRead(x.reader, tail, static_cast<size_t>(span)))
    return -1;
  for (size_t i = span >= 4 ? span - 4 + 1 : 0; i-- > 0;) {
    if (Le32(tail + i) != EndRecordSignature)
      continue;
    if (i + EndRecordSize > span) {
      truncated = true;
      continue;
    }
    truncated = false;
    return static_cast<int64_t>(start + i);
  }
  return -1;
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

  bool truncated;
  int64_t endAt = FindEndRecord(x, truncated);
  if (endAt < 0)
    return !retry ? UnpackNotAnArchive : truncated ? UnpackTruncated : UnpackMemberFailed;
  uint8_t end[EndRecordSize];
  ArchiveSeek(x.reader, static_cast<uint64_t>(endAt));
  if (!ArchiveRead(x.reader, end, EndRecordSize))
    return UnpackTruncated;

  if (Le16(end + end_record::DiskNumber) != 0)
    Raise(x, UnpackWarning);
  uint32_t directorySize = Le32(end + end_record::DirectorySize);
  uint32_t directoryOffset = Le32(end + end_record::DirectoryOffset);
  uint32_t entries = Le16(end + end_record::EntriesTotal);
  if (directoryOffset == 0 && directorySize == 0) {
    Raise(x, UnpackWarning); // an archive without members
    return x.result;
  }
  x.extraBytes = (endAt - static_cast<int64_t>(directorySize)) - static_cast<int64_t>(directoryOffset);
  if (x.extraBytes < 0)
    Raise(x, UnpackMemberFailed); // bytes missing at the start
  else if (x.extraBytes > 0)
    Raise(x, directoryOffset == 0 ? UnpackMemberFailed : UnpackWarning);

  if (!CentralHeaderAt(x, int64_t{directoryOffset} + x.extraBytes)) {
    if (!CentralHeaderAt(x, directoryOffset)) {
      Raise(x, UnpackBrokenArchive);
      return x.result;
    }
    x.extraBytes = 0;
    Raise(x, UnpackMemberFailed);
  }
  uint64_t directoryAt = static_cast<uint64_t>(int64_t{directoryOffset} + x.extraBytes);

  Member block[MembersPerBlock];
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

void SetActivePackageKeyTable(const uint16_t table[KeyTableWordCount]) { KeyTableBytesOf(table, ActiveKey); }

int UnpackPackage(char *archivePath, size_t capacity, const char *destination) {
  Buffers buffers;
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

int UnpackPackage(char *archivePath, const char *destination) {
  return UnpackPackage(archivePath, strlen(archivePath) + 4, destination);
}
