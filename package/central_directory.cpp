#include "package/central_directory.h"

namespace {

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

bool LocalHeaderAt(Extraction &x, uint64_t offset, uint8_t header[LocalHeaderSize]) {
  ArchiveSeek(x.reader, offset);
  return ArchiveRead(x.reader, header, LocalHeaderSize) && Le32(header) == LocalHeaderSignature;
}

} // namespace

bool LocateDirectory(Extraction &x, bool retry, uint64_t &directoryAt, uint32_t &entries, int &passResult) {
  bool truncated;
  int64_t endAt = FindEndRecord(x, truncated);
  if (endAt < 0) {
    passResult = !retry ? UnpackNotAnArchive : truncated ? UnpackTruncated : UnpackMemberFailed;
    return false;
  }
  uint8_t end[EndRecordSize];
  ArchiveSeek(x.reader, static_cast<uint64_t>(endAt));
  if (!ArchiveRead(x.reader, end, EndRecordSize)) {
    passResult = UnpackTruncated;
    return false;
  }

  if (Le16(end + end_record::DiskNumber) != 0)
    RaiseResult(x, UnpackWarning);
  uint32_t directorySize = Le32(end + end_record::DirectorySize);
  uint32_t directoryOffset = Le32(end + end_record::DirectoryOffset);
  entries = Le16(end + end_record::EntriesTotal);
  if (directoryOffset == 0 && directorySize == 0) {
    RaiseResult(x, UnpackWarning); // an archive without members
    passResult = x.result;
    return false;
  }
  x.extraBytes = (endAt - static_cast<int64_t>(directorySize)) - static_cast<int64_t>(directoryOffset);
  if (x.extraBytes < 0)
    RaiseResult(x, UnpackMemberFailed); // bytes missing at the start
  else if (x.extraBytes > 0)
    RaiseResult(x, directoryOffset == 0 ? UnpackMemberFailed : UnpackWarning);

  if (!CentralHeaderAt(x, int64_t{directoryOffset} + x.extraBytes)) {
    if (!CentralHeaderAt(x, directoryOffset)) {
      RaiseResult(x, UnpackBrokenArchive);
      passResult = x.result;
      return false;
    }
    x.extraBytes = 0;
    RaiseResult(x, UnpackMemberFailed);
  }
  directoryAt = static_cast<uint64_t>(int64_t{directoryOffset} + x.extraBytes);
  return true;
}

size_t ReadMemberBlock(Extraction &x, ZipMember block[MembersPerBlock], uint32_t &entriesRead,
                       uint32_t entriesAnnounced, bool &ended) {
  size_t count = 0;
  ended = false;
  while (count < MembersPerBlock) {
    uint8_t header[CentralHeaderSize];
    if (!ArchiveRead(x.reader, header, 4) || Le32(header) != CentralHeaderSignature) {
      if (entriesRead < entriesAnnounced)
        RaiseResult(x, UnpackBrokenArchive);
      ended = true;
      break;
    }
    if (!ArchiveRead(x.reader, header + 4, CentralHeaderSize - 4) ||
        !ArchiveSkip(x.reader, uint64_t{Le16(header + central::NameLength)} +
                                   Le16(header + central::ExtraLength) + Le16(header + central::CommentLength))) {
      RaiseResult(x, UnpackTruncated);
      ended = true;
      break;
    }
    ZipMember &m = block[count++];
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

// The second tries are for archives whose prepended bytes turn out not to
// shift the members: the first member decides, and the later ones follow.
bool FindLocalHeader(Extraction &x, const ZipMember &m, uint8_t header[LocalHeaderSize]) {
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
      RaiseResult(x, UnpackMemberFailed);
      return true;
    }
  } else if (!first && x.removedExtraBytes != 0) {
    secondTry = true;
    if (LocalHeaderAt(x, m.localOffset + x.removedExtraBytes, header)) {
      RaiseResult(x, UnpackMemberFailed);
      return true;
    }
  }
  // A header not where recorded replaces the result so far.
  x.result = secondTry ? UnpackBrokenArchive : UnpackMemberFailed;
  return false;
}
