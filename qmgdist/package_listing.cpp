#include "qmgdist/package_listing.h"

#include <cerrno>
#include <cstring>

#include "base/file_system.h"
#include "package/zip_records.h"

namespace {

enum : size_t { EndSearchSize = 66000 };

// Reads `size` bytes at `offset` and descrambles them.
bool ReadAt(FILE *file, uint64_t offset, std::vector<uint8_t> &bytes, size_t size, const uint8_t *key) {
  bytes.resize(size);
  if (!SeekFile(file, offset) || fread(bytes.data(), 1, size, file) != size)
    return false;
  ScrambleAt(bytes.data(), size, offset, key);
  return true;
}

ListingStatus Damaged(const std::string &what, std::string &report) {
  report = what;
  return ListingStatus::Damaged;
}

} // namespace

ListingStatus ReadPackageListing(FILE *file, const uint8_t key[KeyTableBytes], std::vector<ListedMember> &members,
                                 std::string &report) {
  int64_t size = FileSizeOf(file);
  std::vector<uint8_t> tail;
  size_t tailSize = size < 0 ? 0 : size < int64_t{EndSearchSize} ? static_cast<size_t>(size) : EndSearchSize;
  if (size < 0 || !ReadAt(file, static_cast<uint64_t>(size) - tailSize, tail, tailSize, key)) {
    report = std::string("cannot read: ") + strerror(errno);
    return ListingStatus::ReadFailed;
  }
  // The last end record signature with a whole record after it.
  size_t at = tailSize >= EndRecordSize ? tailSize - EndRecordSize + 1 : 0;
  while (at > 0 && Le32(&tail[at - 1]) != EndRecordSignature)
    at--;
  if (at == 0) {
    report = "no end record";
    return ListingStatus::NotAPackage;
  }
  const uint8_t *end = &tail[at - 1];
  uint64_t endAt = static_cast<uint64_t>(size) - tailSize + (at - 1);
  uint32_t announced = Le16(end + end_record::EntriesTotal);
  uint32_t directorySize = Le32(end + end_record::DirectorySize);
  uint64_t directoryAt = Le32(end + end_record::DirectoryOffset);
  std::vector<uint8_t> directory;
  if (directoryAt + directorySize > endAt)
    return Damaged("its central directory is not where its end record says", report);
  if (!ReadAt(file, directoryAt, directory, directorySize, key)) {
    report = std::string("cannot read: ") + strerror(errno);
    return ListingStatus::ReadFailed;
  }

  size_t offset = 0;
  for (uint32_t count = 0; count < announced; count++) {
    std::string damaged = "entry " + std::to_string(count + 1) + " of its central directory is damaged";
    if (directory.size() - offset < CentralHeaderSize || Le32(&directory[offset]) != CentralHeaderSignature)
      return Damaged(damaged, report);
    const uint8_t *header = &directory[offset];
    size_t nameLength = Le16(header + central::NameLength);
    size_t recordSize = CentralHeaderSize + nameLength + Le16(header + central::ExtraLength) +
                        Le16(header + central::CommentLength);
    if (directory.size() - offset < recordSize)
      return Damaged(damaged, report);
    ListedMember member;
    member.name.assign(reinterpret_cast<const char *>(header + CentralHeaderSize), nameLength);
    member.size = Le32(header + central::UncompressedSize);
    member.packed = Le32(header + central::CompressedSize);
    member.method = Le16(header + central::Method);
    member.dosTime = Le16(header + 12);
    member.dosDate = Le16(header + 14);
    member.attributes = header[central::ExternalAttributes];
    members.push_back(member);
    offset += recordSize;
  }
  return ListingStatus::Ok;
}
