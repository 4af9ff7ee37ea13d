// Builds small ZIP archives in memory for extraction tests, member by
// member, with every field a test may want to get wrong on purpose.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "package/scramble.h"

struct ZipMember {
  std::string name;
  std::string data;
  uint16_t method = 8;           // 0 stored, 8 deflated, anything else as given
  uint16_t flags = 0;            // bit 3: data descriptor, bit 11: UTF-8 names
  uint16_t madeBy = 0x0014;      // host in the high byte (0 FAT), version in the low
  uint32_t externalAttributes = 0x20;
  uint16_t dosTime = (13 << 11) | (14 << 5) | (30 / 2); // 13:14:30
  uint16_t dosDate = ((2001 - 1980) << 9) | (2 << 5) | 3; // 2001-02-03
  std::string localExtra;
  int64_t crcOverride = -1;      // a wrong CRC in both headers
  bool localFlagsDiffer = false; // flip the UTF-8 bit in the local header only
  // Sizes that claim more (or less) packed data than follows, in both headers.
  int64_t compressedSizeOverride = -1;
  // When set, the member has no local header of its own: its directory entry
  // names the local header (and data) of the member with this index.
  int localHeaderOf = -1;
};

class ZipBuilder {
public:
  ZipBuilder &Add(const ZipMember &member) {
    members_.push_back(member);
    return *this;
  }
  ZipBuilder &Add(const std::string &name, const std::string &data) {
    ZipMember m;
    m.name = name;
    m.data = data;
    return Add(m);
  }
  ZipBuilder &Folder(const std::string &name) {
    ZipMember m;
    m.name = name;
    m.method = 0;
    m.externalAttributes = 0x10;
    return Add(m);
  }

  std::string Build() const {
    std::string out, directory;
    std::vector<uint32_t> offsets;
    for (const ZipMember &member : members_) {
      const ZipMember &m = member.localHeaderOf >= 0 ? members_[static_cast<size_t>(member.localHeaderOf)] : member;
      std::string packed = m.method == 8 ? Deflate(m.data) : m.data;
      uint32_t crc = m.crcOverride >= 0 ? static_cast<uint32_t>(m.crcOverride)
                                        : static_cast<uint32_t>(crc32(0, Bytes(m.data), Len(m.data)));
      uint32_t packedSize = m.compressedSizeOverride >= 0 ? static_cast<uint32_t>(m.compressedSizeOverride)
                                                          : static_cast<uint32_t>(packed.size());
      bool descriptor = (m.flags & 0x08) != 0;
      if (member.localHeaderOf >= 0) {
        Put32(directory, 0x02014B50);
        PutCentralFields(directory, m, crc, packedSize, offsets[static_cast<size_t>(member.localHeaderOf)]);
        offsets.push_back(offsets[static_cast<size_t>(member.localHeaderOf)]);
        continue;
      }
      uint32_t offset = static_cast<uint32_t>(out.size());
      offsets.push_back(offset);
      uint16_t localFlags = m.localFlagsDiffer ? m.flags ^ 0x0800 : m.flags;
      Put32(out, 0x04034B50);
      Put16(out, 20);
      Put16(out, localFlags);
      Put16(out, m.method);
      Put16(out, m.dosTime);
      Put16(out, m.dosDate);
      Put32(out, descriptor ? 0 : crc);
      Put32(out, descriptor ? 0 : packedSize);
      Put32(out, descriptor ? 0 : static_cast<uint32_t>(m.data.size()));
      Put16(out, static_cast<uint16_t>(m.name.size()));
      Put16(out, static_cast<uint16_t>(m.localExtra.size()));
      out += m.name + m.localExtra + packed;
      if (descriptor) {
        Put32(out, 0x08074B50);
        Put32(out, crc);
        Put32(out, packedSize);
        Put32(out, static_cast<uint32_t>(m.data.size()));
      }
      Put32(directory, 0x02014B50);
      PutCentralFields(directory, m, crc, packedSize, offset);
    }
    uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    out += directory;
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint16_t>(members_.size()));
    Put16(out, static_cast<uint16_t>(members_.size()));
    Put32(out, static_cast<uint32_t>(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, 0);
    return out;
  }

  // The Unicode Path extra field for a member whose stored name is `stored`.
  static std::string UnicodePathField(const std::string &stored, const std::string &utf8, bool crcMatches = true) {
    std::string field;
    Put16(field, 0x7075);
    Put16(field, static_cast<uint16_t>(5 + utf8.size()));
    field += '\x01';
    uint32_t crc = static_cast<uint32_t>(crc32(0, Bytes(stored), Len(stored)));
    Put32(field, crcMatches ? crc : crc ^ 1);
    return field + utf8;
  }

  static std::string Scrambled(std::string archive, const uint16_t table[KeyTableWordCount]) {
    uint8_t key[KeyTableBytes];
    KeyTableBytesOf(table, key);
    ScrambleAt(reinterpret_cast<uint8_t *>(&archive[0]), archive.size(), 0, key);
    return archive;
  }

  static void Put16(std::string &s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  }
  static void Put32(std::string &s, uint32_t v) {
    Put16(s, static_cast<uint16_t>(v));
    Put16(s, static_cast<uint16_t>(v >> 16));
  }

private:
  static void PutCentralFields(std::string &directory, const ZipMember &m, uint32_t crc, uint32_t packedSize,
                               uint32_t offset) {
    Put16(directory, m.madeBy);
    Put16(directory, 20);
    Put16(directory, m.flags);
    Put16(directory, m.method);
    Put16(directory, m.dosTime);
    Put16(directory, m.dosDate);
    Put32(directory, crc);
    Put32(directory, packedSize);
    Put32(directory, static_cast<uint32_t>(m.data.size()));
    Put16(directory, static_cast<uint16_t>(m.name.size()));
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put32(directory, m.externalAttributes);
    Put32(directory, offset);
    directory += m.name;
  }

  static const Bytef *Bytes(const std::string &s) { return reinterpret_cast<const Bytef *>(s.data()); }
  static uInt Len(const std::string &s) { return static_cast<uInt>(s.size()); }

  static std::string Deflate(const std::string &data) {
    z_stream z = {};
    deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, Len(data)) + 16, '\0');
    z.next_in = const_cast<Bytef *>(Bytes(data));
    z.avail_in = Len(data);
    z.next_out = reinterpret_cast<Bytef *>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
  }

  std::vector<ZipMember> members_;
};
