#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <memory>

#include "package/key_table.h"
#include "package/unpack.h"
#include "base/uninstall_log.h"
#include "tests/support/log_records.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/zip_builder.h"

namespace {

using Paths = std::vector<std::string>;

class Unpack : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.path().empty());
    destination_ = scratch_ / "dest";
    uint16_t zero[KeyTableWordCount] = {};
    SetActivePackageKeyTable(zero);
  }

  // Unpacks `archive` (written as PKG.QPK) with the uninstall log open, and
  // returns the result; the records are left in records_.
  int Run(const std::string &archive, const std::string &fileName = "PKG.QPK") {
    ScratchFolder::Write(scratch_ / fileName, archive);
    return RunOn(scratch_ / "PKG.QPK");
  }
  int RunOn(const std::string &archivePath) {
    char path[512];
    snprintf(path, sizeof path, "%s", archivePath.c_str());
    EXPECT_TRUE(OpenUninstallLog((scratch_ / "unsetup.ctl").c_str()));
    int result = UnpackPackage(path, sizeof path, destination_.c_str());
    CloseUninstallLog();
    archiveAfter_ = path;
    records_ = Records();
    return result;
  }
  // The records with the scratch folder left out of their paths.
  Paths Records() const {
    Paths records = LogRecordsOf(ScratchFolder::Read(scratch_ / "unsetup.ctl"), scratch_.path() + "/");
    for (std::string &record : records)
      if (record.size() > 1 && record[1] == '~')
        record.erase(1, 1);
    return records;
  }

  Paths Extracted() const { return ScratchFolder::Tree(destination_); }
  void RemoveDestination() const { std::system(("rm -rf '" + destination_ + "'").c_str()); }
  // Everything the scratch folder holds besides the destination's contents.
  Paths OutsideDestination() const {
    Paths outside;
    for (const std::string &p : ScratchFolder::Tree(scratch_.path()))
      if (p.compare(0, 5, "dest/") != 0)
        outside.push_back(p);
    return outside;
  }
  std::string Content(const std::string &relative) const { return ScratchFolder::Read(destination_ + "/" + relative); }

  ScratchFolder scratch_;
  std::string destination_;
  std::string archiveAfter_;
  Paths records_;
};

TEST_F(Unpack, ScrambledPackageExtractsWithItsOwnTableOnly) {
  std::string zip = ZipBuilder().Add("readme.txt", "hello").Add("data/level1.dat", std::string(70000, 'x')).Build();
  uint16_t product[KeyTableWordCount], other[KeyTableWordCount], shared[KeyTableWordCount];
  BuildProductKeyTable(1, product);
  BuildProductKeyTable(2, other);
  BuildSharedKeyTable(shared);
  std::string package = ZipBuilder::Scrambled(zip, product);

  SetActivePackageKeyTable(product);
  EXPECT_EQ(Run(package), UnpackOk);
  EXPECT_EQ(Extracted(), (Paths{"data/", "data/level1.dat", "readme.txt"}));
  EXPECT_EQ(Content("data/level1.dat"), std::string(70000, 'x'));

  for (const uint16_t *wrong : {other, shared}) {
    SetActivePackageKeyTable(wrong);
    EXPECT_EQ(Run(package), UnpackNotAnArchive);
  }
}

TEST_F(Unpack, PlainZipExtractsUnderTheZeroTable) {
  EXPECT_EQ(Run(ZipBuilder().Add("a.txt", "plain").Build()), UnpackOk);
  EXPECT_EQ(Content("a.txt"), "plain");
}

TEST_F(Unpack, RecordsFoldersBeforeTheFilesInThem) {
  EXPECT_EQ(Run(ZipBuilder().Add("data/sound/a.wav", "RIFF").Add("data/b.txt", "b").Build()), UnpackOk);
  EXPECT_EQ(records_, (Paths{"Fdest", "Fdest/data", "Fdest/data/sound", "Ddest/data/sound/a.wav",
                             "Ddest/data/b.txt"}));
}

TEST_F(Unpack, ExistingDestinationIsNotRecordedAndNothingIsRecordedWithoutALog) {
  mkdir(destination_.c_str(), 0777);
  EXPECT_EQ(Run(ZipBuilder().Add("a.txt", "a").Build()), UnpackOk);
  EXPECT_EQ(records_, (Paths{"Ddest/a.txt"}));

  char path[512];
  snprintf(path, sizeof path, "%s", (scratch_ / "PKG.QPK").c_str());
  ScratchFolder::Write(scratch_ / "unsetup.ctl", "");
  EXPECT_EQ(UnpackPackage(path, sizeof path, (scratch_ / "other").c_str()), UnpackOk);
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "unsetup.ctl"), "");
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "other/a.txt"), "a");
}

TEST_F(Unpack, ArchivePathRules) {
  std::string zip = ZipBuilder().Add("a.txt", "a").Build();
  // Missing: ".pk" is tried and left appended.
  ScratchFolder::Write(scratch_ / "PKG.QPK.pk", zip);
  EXPECT_EQ(RunOn(scratch_ / "PKG.QPK"), UnpackOk);
  EXPECT_EQ(archiveAfter_, scratch_ / "PKG.QPK.pk");
  // Not an archive: also retried with ".pk".
  ScratchFolder::Write(scratch_ / "PKG.QPK", "not a zip at all");
  EXPECT_EQ(RunOn(scratch_ / "PKG.QPK"), UnpackOk);
  // Neither exists.
  EXPECT_EQ(RunOn(scratch_ / "NONE.QPK"), UnpackNotAnArchive);
  // The retried name is a folder.
  mkdir((scratch_ / "DIR.QPK.pk").c_str(), 0777);
  EXPECT_EQ(RunOn(scratch_ / "DIR.QPK"), UnpackPathIsFolder);
  // The retried file is not an archive either: now a member failure.
  ScratchFolder::Write(scratch_ / "JUNK.QPK.pk", "junk");
  EXPECT_EQ(RunOn(scratch_ / "JUNK.QPK"), UnpackMemberFailed);
}

TEST_F(Unpack, ResultCodesOfDamagedAndUnusualArchives) {
  ZipMember stored;
  stored.name = "stored.bin";
  stored.data = "stored bytes";
  stored.method = 0;
  ZipMember bzip2 = stored;
  bzip2.name = "bzip2.bin";
  bzip2.method = 12;
  ZipMember badCrc = stored;
  badCrc.name = "badcrc.bin";
  badCrc.crcOverride = 0x12345678;
  ZipMember described;
  described.name = "streamed.txt";
  described.data = std::string(5000, 's');
  described.flags = 0x08;
  ZipMember flagMismatch = stored;
  flagMismatch.name = "mismatch.txt";
  flagMismatch.localFlagsDiffer = true;

  std::string good = ZipBuilder().Add("first.txt", "first").Add("second.txt", std::string(3000, '2')).Build();
  std::string endOnly = ZipBuilder().Build();
  size_t directoryAt = good.find("PK\x01\x02");

  struct Case {
    const char *why;
    std::string archive;
    int result;
    Paths files;
  } cases[] = {
      {"stored and data descriptor", ZipBuilder().Add(stored).Add(described).Build(), UnpackOk,
       {"stored.bin", "streamed.txt"}},
      {"unknown method leaves an empty file", ZipBuilder().Add(bzip2).Add(stored).Build(), UnpackWarning,
       {"bzip2.bin", "stored.bin"}},
      {"wrong CRC keeps the file and goes on", ZipBuilder().Add(badCrc).Add(stored).Build(), UnpackMemberFailed,
       {"badcrc.bin", "stored.bin"}},
      {"UTF-8 flag differs between headers", ZipBuilder().Add(flagMismatch).Build(), UnpackWarning,
       {"mismatch.txt"}},
      {"end record only", endOnly, UnpackWarning, {}},
      {"bytes prepended", std::string(100, 'J') + good, UnpackWarning, {"first.txt", "second.txt"}},
      {"central directory cut short", good.substr(0, directoryAt + 50) + good.substr(good.size() - 22),
       UnpackBrokenArchive, {"first.txt"}},
      {"member data cut off", good.substr(0, 60), UnpackNotAnArchive, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    RemoveDestination();
    EXPECT_EQ(Run(c.archive), c.result);
    Paths files;
    for (const std::string &p : Extracted())
      files.push_back(p);
    EXPECT_EQ(files, c.files);
    if (!files.empty() && files.back() == "stored.bin")
      EXPECT_EQ(Content("stored.bin"), "stored bytes");
  }
}

TEST_F(Unpack, TruncatedMemberDataEndsWithTheArchive) {
  std::string zip = ZipBuilder().Add("big.txt", std::string(50000, 'b')).Build();
  size_t directoryAt = zip.find("PK\x01\x02");
  // Cut the data in half but keep a directory that still points at it.
  std::string cut = zip.substr(0, 30 + 7 + 20) + zip.substr(directoryAt);
  std::string directory = zip.substr(directoryAt);
  uint32_t newOffset = static_cast<uint32_t>(30 + 7 + 20);
  std::string fixed = cut;
  size_t endAt = fixed.size() - 22;
  for (int i = 0; i < 4; i++)
    fixed[endAt + 16 + i] = static_cast<char>(newOffset >> (8 * i));
  int result = Run(fixed);
  EXPECT_TRUE(result == UnpackMemberFailed || result == UnpackTruncated) << result;
}

TEST_F(Unpack, NamesAreMappedToWhatAWindowsFolderCanHold) {
  ZipMember backslashed;
  backslashed.name = "data\\sound\\a.wav";
  backslashed.data = "wav";
  EXPECT_EQ(Run(ZipBuilder().Add(backslashed).Build()), UnpackWarning);
  EXPECT_EQ(Extracted(), (Paths{"data/", "data/sound/", "data/sound/a.wav"}));

  RemoveDestination();
  EXPECT_EQ(Run(ZipBuilder()
                    .Add("what?.txt", "q")
                    .Add("star*and:colon.txt", "s")
                    .Add("bell\x07tab\t.txt", "c")
                    .Add("version.txt;12", "v")
                    .Add("a<b>c|d\".txt", "x")
                    .Build()),
            UnpackOk);
  EXPECT_EQ(Extracted(), (Paths{"a_b_c_d_.txt", "belltab.txt", "star_and_colon.txt", "version.txt", "what_.txt"}));
}

TEST_F(Unpack, FolderEntriesMakeFoldersAndNoFile) {
  EXPECT_EQ(Run(ZipBuilder().Folder("saves/").Folder("music/extra/").Build()), UnpackOk);
  EXPECT_EQ(Extracted(), (Paths{"music/", "music/extra/", "saves/"}));
  EXPECT_EQ(records_, (Paths{"Fdest", "Fdest/saves", "Fdest/music", "Fdest/music/extra"}));
}

TEST_F(Unpack, HostileNamesStayInsideTheDestination) {
  ZipMember utf8Escape;
  utf8Escape.name = "ok/..\\..\\escaped.txt";
  utf8Escape.data = "u";
  utf8Escape.flags = 0x0800;
  ZipMember utf8Dots;
  utf8Dots.name = "../utf8.txt";
  utf8Dots.data = "u";
  utf8Dots.flags = 0x0800;
  struct Case {
    const char *why;
    std::string name;
    int result;
    Paths files;
  } cases[] = {
      {"parent folder", "../evil.txt", UnpackMemberFailed, {}},
      {"parent folder deeper", "a/../../evil.txt", UnpackMemberFailed, {}},
      {"backslash parent", "..\\..\\evil.txt", UnpackMemberFailed, {}},
      {"absolute", "/abs/x.txt", UnpackOk, {"abs/", "abs/x.txt"}},
      {"drive letter", "C:/x.txt", UnpackOk, {"C_/", "C_/x.txt"}},
      {"drive letter backslashes", "C:\\win\\x.txt", UnpackWarning, {"C_/", "C_/win/", "C_/win/x.txt"}},
      {"current folder parts", "./a/./b.txt", UnpackOk, {"a/", "a/b.txt"}},
      {"only dots", ".", UnpackMemberFailed, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    RemoveDestination();
    EXPECT_EQ(Run(ZipBuilder().Add(c.name, "payload").Build()), c.result);
    EXPECT_EQ(Extracted(), c.files);
    EXPECT_EQ(OutsideDestination(), (Paths{"PKG.QPK", "unsetup.ctl"}));
  }
  for (const ZipMember &m : {utf8Escape, utf8Dots}) {
    SCOPED_TRACE(m.name);
    RemoveDestination();
    Run(ZipBuilder().Add(m).Build());
    EXPECT_EQ(OutsideDestination(), (Paths{"PKG.QPK", "unsetup.ctl"}));
  }
}

TEST_F(Unpack, UnicodeNamesKeepTheirCharactersInTheFileName) {
  ZipMember flagged;
  flagged.name = "menu/caf\xC3\xA9.txt";
  flagged.data = "coffee";
  flagged.flags = 0x0800;
  ZipMember extraField;
  extraField.name = "plain.txt";
  extraField.data = "x";
  extraField.madeBy = 0x0314; // Unix: no OEM conversion
  extraField.localExtra = ZipBuilder::UnicodePathField("plain.txt", "\xE6\x97\xA5.txt");
  ZipMember staleField = extraField;
  staleField.name = "stale.txt";
  staleField.localExtra = ZipBuilder::UnicodePathField("other.txt", "\xE6\x97\xA5.txt");
  EXPECT_EQ(Run(ZipBuilder().Add(flagged).Add(extraField).Add(staleField).Build()), UnpackOk);
  EXPECT_EQ(Extracted(), (Paths{"#U65e5.txt", "menu/", "menu/caf\xC3\xA9.txt", "stale.txt"}));
  EXPECT_EQ(records_[2], "Ddest/menu/caf\xC3\xA9.txt");
}

TEST_F(Unpack, ReadOnlyFilesAreReplacedAndGetTheirAttributesBack) {
  mkdir(destination_.c_str(), 0777);
  ScratchFolder::Write(destination_ + "/locked.txt", "old");
  chmod((destination_ + "/locked.txt").c_str(), 0444);
  ZipMember readOnly;
  readOnly.name = "locked.txt";
  readOnly.data = "new";
  readOnly.externalAttributes = 0x21;
  EXPECT_EQ(Run(ZipBuilder().Add(readOnly).Build()), UnpackOk);
  EXPECT_EQ(Content("locked.txt"), "new");
  struct stat info;
  ASSERT_EQ(stat((destination_ + "/locked.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0222, 0u);
  // Replaced again: still no question asked.
  EXPECT_EQ(Run(ZipBuilder().Add(readOnly).Build()), UnpackOk);
}

TEST_F(Unpack, DosTimesAreLocalTimes) {
  EXPECT_EQ(Run(ZipBuilder().Add("t.txt", "t").Build()), UnpackOk);
  struct stat info;
  ASSERT_EQ(stat((destination_ + "/t.txt").c_str(), &info), 0);
  struct tm local;
  localtime_r(&info.st_mtime, &local);
  EXPECT_EQ(local.tm_year + 1900, 2001);
  EXPECT_EQ(local.tm_mon + 1, 2);
  EXPECT_EQ(local.tm_mday, 3);
  EXPECT_EQ(local.tm_hour, 13);
  EXPECT_EQ(local.tm_min, 14);
  EXPECT_EQ(local.tm_sec, 30);
  EXPECT_EQ(info.st_atime, info.st_mtime);
}

TEST_F(Unpack, DirectoryIsReadInBlocksOfSixtyFour) {
  ZipBuilder many;
  for (int i = 0; i < 150; i++)
    many.Add("f" + std::to_string(i) + ".txt", std::to_string(i));
  EXPECT_EQ(Run(many.Build()), UnpackOk);
  EXPECT_EQ(Extracted().size(), 150u);
  EXPECT_EQ(Content("f149.txt"), "149");
}

TEST_F(Unpack, AShortWriteDeletesThePartialFileAndStops) {
  ZipBuilder zip;
  zip.Add("small.txt", "fits").Add("large.bin", std::string(300000, 'L')).Add("after.txt", "never");
  std::string archive = zip.Build();
  ScratchFolder::Write(scratch_ / "PKG.QPK", archive);
  // Writes past 64 KB fail as they would on a full disk.
  struct rlimit old, limit;
  getrlimit(RLIMIT_FSIZE, &old);
  limit = old;
  limit.rlim_cur = 65536;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  int result = RunOn(scratch_ / "PKG.QPK");
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(result, UnpackWriteFailed);
  EXPECT_EQ(Extracted(), (Paths{"small.txt"}));
}

// The cleaning drops control characters, so the test for "." and ".." must
// come after it; and Windows drops trailing dots and blanks, so ".. " and
// "..." act as ".." and "." there. Each member is skipped with 2 and the
// plain member beside it still comes out.
TEST_F(Unpack, ComponentsThatActAsDotsAfterCleaningAreRefused) {
  struct Case {
    const char *why;
    std::string name;
    uint16_t flags;
  } cases[] = {
      {"dot, control, dot as a folder", ".\x01./ESCAPED.txt", 0},
      {"dot, tab, dot as a folder entry", ".\t./", 0},
      {"dot, control, dot as the file", "a/.\x01.", 0},
      {"the same in a name flagged UTF-8", ".\x01./ESCAPED.txt", 0x0800},
      {"a UTF-8 file name that cleans to two dots", "a/.\x1f.", 0x0800},
      {"trailing blank", ".. /ESCAPED.txt", 0},
      {"three dots", "a/.../x.txt", 0},
      {"blanks only", "a/ /x.txt", 0},
      {"dots and blanks in the file name", "a/. .", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    RemoveDestination();
    ZipMember hostile;
    hostile.name = c.name;
    hostile.data = "escaped";
    hostile.flags = c.flags;
    EXPECT_EQ(Run(ZipBuilder().Add(hostile).Add("ok.txt", "ok").Build()), UnpackMemberFailed);
    Paths made = Extracted();
    EXPECT_TRUE(made == Paths({"ok.txt"}) || made == Paths({"a/", "ok.txt"})) << testing::PrintToString(made);
    EXPECT_EQ(records_.back(), "Ddest/ok.txt");
    EXPECT_EQ(OutsideDestination(), (Paths{"PKG.QPK", "unsetup.ctl"}));
  }
}

TEST_F(Unpack, NamesWithNothingLeftFailTheMember) {
  struct Case {
    const char *why;
    std::string name;
  } cases[] = {
      {"empty", ""},
      {"a NUL first", std::string("\0hidden.txt", 11)},
      {"control characters only", "\x01\x02"},
      {"a folder entry of the root", "/"},
      {"a folder entry of dots", "./"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    RemoveDestination();
    EXPECT_EQ(Run(ZipBuilder().Add(c.name, "lost").Add("ok.txt", "ok").Build()), UnpackMemberFailed);
    EXPECT_EQ(Extracted(), (Paths{"ok.txt"}));
    EXPECT_EQ(records_, (Paths{"Fdest", "Ddest/ok.txt"}));
  }
}

// A folder below the destination that is a link may lead anywhere: the
// member is refused. A file that is a link is replaced by a new file; what
// it pointed to keeps its contents and mode.
TEST_F(Unpack, ExtractionNeverPassesThroughALink) {
  mkdir(destination_.c_str(), 0777);
  mkdir((scratch_ / "elsewhere").c_str(), 0777);
  ASSERT_EQ(symlink((scratch_ / "elsewhere").c_str(), (destination_ + "/pre").c_str()), 0);
  ScratchFolder::Write(scratch_ / "target.txt", "target");
  chmod((scratch_ / "target.txt").c_str(), 0444);
  ASSERT_EQ(symlink((scratch_ / "target.txt").c_str(), (destination_ + "/linked.txt").c_str()), 0);
  ASSERT_EQ(symlink((scratch_ / "nowhere.txt").c_str(), (destination_ + "/dangling.txt").c_str()), 0);

  ZipMember readOnly;
  readOnly.name = "linked.txt";
  readOnly.data = "new";
  readOnly.externalAttributes = 0x21;
  EXPECT_EQ(Run(ZipBuilder()
                    .Add("pre/x.txt", "through the link")
                    .Folder("pre/made/")
                    .Add(readOnly)
                    .Add("dangling.txt", "fresh")
                    .Build()),
            UnpackMemberFailed);
  EXPECT_EQ(ScratchFolder::Tree(scratch_ / "elsewhere"), Paths{});
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "target.txt"), "target");
  struct stat info;
  ASSERT_EQ(stat((scratch_ / "target.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0444u);
  EXPECT_FALSE(ScratchFolder::Exists(scratch_ / "nowhere.txt"));
  for (const char *replaced : {"linked.txt", "dangling.txt"}) {
    ASSERT_EQ(lstat((destination_ + "/" + replaced).c_str(), &info), 0) << replaced;
    EXPECT_TRUE(S_ISREG(info.st_mode)) << replaced;
  }
  EXPECT_EQ(Content("linked.txt"), "new");
  EXPECT_EQ(Content("dangling.txt"), "fresh");
  EXPECT_EQ(records_, (Paths{"Ddest/linked.txt", "Ddest/dangling.txt"}));
}

TEST_F(Unpack, TheDestinationItselfMayBeALink) {
  mkdir((scratch_ / "chosen").c_str(), 0777);
  ASSERT_EQ(symlink((scratch_ / "chosen").c_str(), destination_.c_str()), 0);
  EXPECT_EQ(Run(ZipBuilder().Add("data/a.txt", "a").Build()), UnpackOk);
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "chosen/data/a.txt"), "a");
}

// Members that share archive bytes are how a small archive claims a huge
// output: every member after the first to claim some bytes is skipped.
TEST_F(Unpack, MembersThatShareArchiveBytesAreRefused) {
  ZipMember big;
  big.name = "big.txt";
  big.data = std::string(20000, 'B');
  ZipMember sameHeader;
  sameHeader.localHeaderOf = 0;
  ZipMember outer;
  outer.name = "outer.txt";
  outer.data = "outer";
  outer.method = 0;
  outer.compressedSizeOverride = 50; // runs over the next member's header
  ZipMember inner;
  inner.name = "inner.txt";
  inner.data = "inner";

  struct Case {
    const char *why;
    std::string archive;
    Paths files;
  } cases[] = {
      {"three entries name one local header", ZipBuilder().Add(big).Add(sameHeader).Add(sameHeader).Build(),
       {"big.txt"}},
      {"data that reaches into the next member", ZipBuilder().Add(outer).Add(inner).Build(), {"outer.txt"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    RemoveDestination();
    EXPECT_EQ(Run(c.archive), UnpackMemberFailed);
    EXPECT_EQ(Extracted(), c.files);
  }
  EXPECT_EQ(Content("outer.txt").compare(0, 5, "outer"), 0);
  // The same members each with bytes of their own all come out.
  RemoveDestination();
  EXPECT_EQ(Run(ZipBuilder().Add(big).Add(inner).Build()), UnpackOk);
}

// The ".pk" retry writes into the caller's buffer only within its capacity.
TEST_F(Unpack, RetriedNameStaysWithinTheBuffer) {
  ScratchFolder::Write(scratch_ / "PKG.QPK.pk", ZipBuilder().Add("a.txt", "a").Build());
  std::string name = scratch_ / "PKG.QPK";
  for (size_t room : {size_t{0}, size_t{2}, size_t{3}}) {
    SCOPED_TRACE(room);
    // Exactly the name, its NUL and `room` more bytes: the sanitizer catches
    // a write past them.
    std::unique_ptr<char[]> buffer(new char[name.size() + 1 + room]);
    memcpy(buffer.get(), name.c_str(), name.size() + 1);
    int result = UnpackPackage(buffer.get(), name.size() + 1 + room, destination_.c_str());
    EXPECT_EQ(result, room < 3 ? UnpackNotAnArchive : UnpackOk);
    EXPECT_EQ(std::string(buffer.get()), room < 3 ? name : name + ".pk");
  }
}

} // namespace
