// The ZIP writer pack uses: what it writes, read back field by field and
// unpacked by the installer's own extraction.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "base/uninstall_log.h"
#include "package/key_table.h"
#include "package/scramble.h"
#include "package/unpack.h"
#include "package/zip_records.h"
#include "qmgdist/member_name_check.h"
#include "qmgdist/zip_writer.h"
#include "tests/support/scratch_folder.h"

namespace {

std::string Random(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char &c : bytes)
    c = static_cast<char>(random());
  return bytes;
}

std::string Text(size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; i++)
    text += "level " + std::to_string(i) + ": reeds and lilies " + std::to_string(i * 7919 % 1000) + "\n";
  text.resize(size);
  return text;
}

struct Member {
  std::string name, content;
};

// A member of a written archive, from its central directory entry.
struct Central {
  std::string name;
  uint16_t madeBy, needed, flags, method;
  uint32_t crc, packed, size, attributes, offset;
};

class ZipWriter : public testing::Test {
protected:
  void SetUp() override { ASSERT_FALSE(scratch_.path().empty()); }

  // Writes the members (files, or folders when the name ends in "/") as an
  // archive scrambled with `key`; returns the archive's bytes, or the
  // report after "failed: ".
  std::string Write(const std::vector<Member> &members, int level, unsigned threads, const uint8_t *key) {
    std::vector<ZipEntry> entries;
    for (const Member &member : members) {
      ZipEntry entry;
      entry.name = member.name;
      entry.folder = member.name.back() == '/';
      entry.path = scratch_ / ("source-" + std::to_string(entries.size()));
      if (!entry.folder)
        ScratchFolder::Write(entry.path, member.content);
      entry.size = member.content.size();
      entry.dosDate = (21 << 9) | (2 << 5) | 3;
      entry.dosTime = (4 << 11) | (5 << 5) | 3;
      entry.attributes = entry.folder ? 0x10 : 0x21;
      entries.push_back(entry);
    }
    return WriteEntries(entries, level, threads, key);
  }

  std::string WriteEntries(const std::vector<ZipEntry> &entries, int level, unsigned threads, const uint8_t *key) {
    std::string path = scratch_ / "out.zip";
    FILE *file = fopen(path.c_str(), "wb");
    ZipOptions options;
    options.level = level;
    options.threads = threads;
    options.key = key;
    std::string report;
    bool ok = WriteZipArchive(file, path, entries, options, report);
    fclose(file);
    return ok ? ScratchFolder::Read(path) : "failed: " + report;
  }

  // The central directory of a plain archive, checked against the end
  // record, which must close the file.
  static std::vector<Central> Directory(const std::string &archive) {
    std::vector<Central> found;
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(archive.data());
    EXPECT_GE(archive.size(), size_t{EndRecordSize});
    if (archive.size() < EndRecordSize)
      return found;
    const uint8_t *end = bytes + archive.size() - EndRecordSize;
    EXPECT_EQ(Le32(end), EndRecordSignature) << "the end record closes the file";
    size_t at = Le32(end + end_record::DirectoryOffset);
    EXPECT_EQ(at + Le32(end + end_record::DirectorySize), archive.size() - EndRecordSize);
    for (unsigned i = 0; i < Le16(end + end_record::EntriesTotal); i++) {
      const uint8_t *h = bytes + at;
      Central c;
      c.name.assign(reinterpret_cast<const char *>(h + CentralHeaderSize), Le16(h + central::NameLength));
      c.madeBy = Le16(h + central::VersionMadeBy);
      c.needed = Le16(h + 6);
      c.flags = Le16(h + central::Flags);
      c.method = Le16(h + central::Method);
      c.crc = Le32(h + central::Crc);
      c.packed = Le32(h + central::CompressedSize);
      c.size = Le32(h + central::UncompressedSize);
      c.attributes = Le32(h + central::ExternalAttributes);
      c.offset = Le32(h + central::LocalHeaderOffset);
      EXPECT_EQ(Le16(h + central::ExtraLength) + Le16(h + central::CommentLength), 0) << c.name;
      // The local header says the same, with no extra field and no data
      // descriptor.
      const uint8_t *l = bytes + c.offset;
      EXPECT_EQ(Le32(l), LocalHeaderSignature) << c.name;
      EXPECT_EQ(Le16(l + local::Flags), c.flags) << c.name;
      EXPECT_EQ(Le16(l + local::Method), c.method) << c.name;
      EXPECT_EQ(Le32(l + local::Crc), c.crc) << c.name;
      EXPECT_EQ(Le32(l + local::CompressedSize), c.packed) << c.name;
      EXPECT_EQ(Le32(l + local::UncompressedSize), c.size) << c.name;
      EXPECT_EQ(Le16(l + local::ExtraLength), 0) << c.name;
      found.push_back(c);
      at += CentralHeaderSize + c.name.size();
    }
    return found;
  }

  // Unpacks a package with the installer's extraction under `table`.
  int Unpack(const std::string &package, const uint16_t table[KeyTableWordCount]) {
    std::string path = scratch_ / "P.QPK";
    ScratchFolder::Write(path, package);
    std::system(("chmod -R u+w '" + scratch_ / "dest" + "' 2>/dev/null; rm -rf '" + scratch_ / "dest" + "'").c_str());
    SetActivePackageKeyTable(table);
    char buffer[1024];
    snprintf(buffer, sizeof buffer, "%s", path.c_str());
    EXPECT_TRUE(OpenUninstallLog((scratch_ / "unsetup.ctl").c_str()));
    int result = UnpackPackage(buffer, sizeof buffer, (scratch_ / "dest").c_str());
    CloseUninstallLog();
    return result;
  }

  ScratchFolder scratch_;
};

TEST_F(ZipWriter, EachFileIsDeflatedOrStoredWhicheverIsSmallerAndUnpacksExactly) {
  // Files of one piece and of several, that shrink and that do not; the
  // last one of several pieces does not shrink, so its deflated data is
  // replaced by the file and the archive cut where it now ends.
  struct Case {
    Member member;
    uint16_t method; // at level 6; level 0 stores everything
  } cases[] = {
      {{"data/", ""}, MethodStored},
      {{"data/EMPTY.SAV", ""}, MethodStored},
      {{"data/TINY.TXT", "ab"}, MethodStored},
      {{"data/LEVELS.TXT", Text(200000)}, MethodDeflated},
      {{"data/NOISE.BIN", Random(20000, 1)}, MethodStored},
      {{"data/MAP.TXT", Text(3 * ZipPieceSize + 12345)}, MethodDeflated},
      {{"data/MUSIC.OGG", Random(2 * ZipPieceSize + 999, 2)}, MethodStored},
      {{"readme \xC3\xA9.txt", "caf\xC3\xA9"}, MethodStored},
      {{"zz/SOUND.WAV", Random(ZipPieceSize + 1, 3)}, MethodStored},
  };
  std::vector<Member> members;
  for (const Case &c : cases)
    members.push_back(c.member);
  uint16_t table[KeyTableWordCount];
  BuildProductKeyTable(1, table);
  uint8_t key[KeyTableBytes], zero[KeyTableBytes] = {};
  KeyTableBytesOf(table, key);

  for (int level : {0, 6}) {
    SCOPED_TRACE("level " + std::to_string(level));
    std::string plain = Write(members, level, 2, zero);
    std::vector<Central> directory = Directory(plain);
    ASSERT_EQ(directory.size(), members.size());
    for (size_t i = 0; i < members.size(); i++) {
      SCOPED_TRACE(members[i].name);
      const Central &c = directory[i];
      bool folder = members[i].name.back() == '/';
      EXPECT_EQ(c.name, members[i].name);
      EXPECT_EQ(c.madeBy, 0x003F);
      EXPECT_EQ(c.needed, 20);
      EXPECT_EQ(c.method, level == 0 ? uint16_t{MethodStored} : cases[i].method);
      EXPECT_EQ(c.flags & FlagUtf8Names, members[i].name[0] == 'r' ? FlagUtf8Names : 0);
      EXPECT_EQ(c.flags & FlagDataDescriptor, 0);
      EXPECT_EQ(c.size, members[i].content.size());
      if (c.method == MethodStored)
        EXPECT_EQ(c.packed, c.size);
      else
        EXPECT_LT(c.packed, c.size);
      EXPECT_EQ(c.attributes, folder ? 0x10u : 0x21u);
    }

    // Scrambled with a product's table, the installer unpacks every file.
    std::string package = Write(members, level, 2, key);
    ASSERT_EQ(package.size(), plain.size());
    EXPECT_EQ(Unpack(package, table), UnpackOk);
    for (const Member &member : members)
      if (member.name.back() != '/')
        EXPECT_EQ(ScratchFolder::Read(scratch_ / "dest/" + member.name), member.content) << member.name;
  }
}

TEST_F(ZipWriter, TheBytesDoNotDependOnTheNumberOfThreads) {
  std::vector<Member> members;
  for (int i = 0; i < 40; i++)
    members.push_back({"f" + std::to_string(100 + i), i % 3 ? Text(150 * i * i) : Random(777 * i, i)});
  members.push_back({"g/", ""});
  members.push_back({"g/big", Text(2 * ZipPieceSize) + Random(ZipPieceSize, 9) + Text(ZipPieceSize / 2)});
  uint8_t zero[KeyTableBytes] = {};
  for (int level : {1, 9}) {
    SCOPED_TRACE("level " + std::to_string(level));
    std::string one = Write(members, level, 1, zero);
    ASSERT_EQ(one.compare(0, 4, "PK\x03\x04"), 0) << one.substr(0, 200);
    for (unsigned threads : {2u, 3u, 8u})
      EXPECT_TRUE(Write(members, level, threads, zero) == one) << threads << " threads";
    uint16_t none[KeyTableWordCount] = {};
    EXPECT_EQ(Unpack(one, none), UnpackOk);
    EXPECT_EQ(ScratchFolder::Read(scratch_ / "dest/g/big"), members.back().content);
  }
}

TEST_F(ZipWriter, AFileThatChangesSizeWhileItIsPackedFailsNamingIt) {
  // The size recorded when the tree was read against what the file holds
  // when it is packed: shorter (shrank) or longer (grew), in a file of one
  // piece and in one of several.
  std::string small = Text(5000), large = Text(2 * ZipPieceSize + 100);
  struct Case {
    const std::string *content;
    uint64_t recorded;
  } cases[] = {
      {&small, 6000}, {&small, 4000}, {&large, large.size() + 1}, {&large, large.size() - 1}, {&large, 100},
  };
  uint8_t zero[KeyTableBytes] = {};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.content->size()) + " bytes recorded as " + std::to_string(c.recorded));
    ZipEntry entry;
    entry.name = "LEVELS.DAT";
    entry.path = scratch_ / "LEVELS.DAT";
    ScratchFolder::Write(entry.path, *c.content);
    entry.size = c.recorded;
    EXPECT_EQ(WriteEntries({entry}, 6, 2, zero),
              "failed: " + entry.path + ": the file changed while it was packed; pack again");
  }
  ZipEntry missing;
  missing.name = "GONE.DAT";
  missing.path = scratch_ / "GONE.DAT";
  missing.size = 10;
  EXPECT_EQ(WriteEntries({missing}, 6, 1, zero), "failed: " + missing.path + ": cannot read: No such file or directory");
}

TEST_F(ZipWriter, NamesCarryTheUtf8FlagOnlyWhenValidUtf8AndNotPlainAscii) {
  struct Case {
    const char *name;
    bool flagged;
  } cases[] = {
      {"README.TXT", false},
      {"levels/caf\xC3\xA9.txt", true},
      {"\xE2\x82\xAC.txt", true},          // the euro sign
      {"\xF0\x9F\x90\xB8", true},          // beyond U+FFFF
      {"caf\xE9.txt", false},              // Latin-1
      {"\xC3", false},                     // cut short
      {"\xC0\xAF", false},                 // an overlong "/"
      {"\xED\xA0\x80", false},             // a surrogate
      {"\xF4\x90\x80\x80", false},         // beyond U+10FFFF
  };
  for (const Case &c : cases)
    EXPECT_EQ(CarriesUtf8Flag(c.name), c.flagged) << c.name;
}

} // namespace
