// The extraction on archives made by real ZIP producers and on damaged and
// hostile ones, all built by tests/fixtures/make_zip_fixtures.py into
// QMG_ZIP_FIXTURES (the zip_fixtures test) and described by its manifest.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "package/key_table.h"
#include "package/scramble.h"
#include "package/unpack.h"
#include "base/uninstall_log.h"
#include "tests/support/json_value.h"
#include "tests/support/log_records.h"
#include "tests/support/fixed_time.h"
#include "tests/support/scratch_folder.h"

namespace {

using Paths = std::vector<std::string>;

const JsonValue &Manifest() {
  static JsonValue manifest;
  static bool read = false;
  if (!read) {
    read = true;
    std::string error;
    manifest = JsonReader::Parse(ScratchFolder::Read(std::string(QMG_ZIP_FIXTURES) + "/manifest.json"), error);
  }
  return manifest;
}

const JsonValue *Archive(const std::string &file) {
  for (const JsonValue &archive : Manifest()["archives"].items)
    if (archive["file"].text == file)
      return &archive;
  return nullptr;
}

class UnpackFixtures : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(Manifest()["archives"].items.empty())
        << QMG_ZIP_FIXTURES "/manifest.json is missing or unreadable: run the tests with ctest, whose "
                            "zip_fixtures test builds it, or tests/fixtures/make_zip_fixtures.py "
        << QMG_ZIP_FIXTURES;
    destination_ = scratch_ / "dest";
  }

  // Unpacks a fixture, scrambled with `table` first unless it is null, with
  // the uninstall log open.
  int Run(const std::string &file, const uint16_t *table = nullptr) {
    std::system(("chmod -R u+w '" + destination_ + "' 2>/dev/null; rm -rf '" + destination_ + "'").c_str());
    std::string archive = std::string(QMG_ZIP_FIXTURES) + "/" + file;
    uint16_t zero[KeyTableWordCount] = {};
    if (table) {
      std::string bytes = ScratchFolder::Read(archive);
      uint8_t key[KeyTableBytes];
      KeyTableBytesOf(table, key);
      ScrambleAt(reinterpret_cast<uint8_t *>(&bytes[0]), bytes.size(), 0, key);
      archive = scratch_ / "PKG.QPK";
      ScratchFolder::Write(archive, bytes);
    }
    SetActivePackageKeyTable(table ? table : zero);
    char path[1024];
    snprintf(path, sizeof path, "%s", archive.c_str());
    EXPECT_TRUE(OpenUninstallLog((scratch_ / "unsetup.ctl").c_str()));
    int result = UnpackPackage(path, sizeof path, destination_.c_str());
    CloseUninstallLog();
    return result;
  }

  // Whatever the names held, nothing but the log and the package lies
  // beside the destination.
  void ExpectNothingOutsideTheDestination() {
    for (const std::string &path : ScratchFolder::Tree(scratch_.path()))
      if (path.compare(0, 5, "dest/") != 0)
        EXPECT_TRUE(path == "dest/" || path == "unsetup.ctl" || path == "PKG.QPK") << path;
  }

  std::string Content(const std::string &relative) { return ScratchFolder::Read(destination_ + "/" + relative); }

  ScratchFolder scratch_;
  std::string destination_;
};

// Every member of every producer's archive comes out with its contents,
// its folders, the DOS time and the read-only attribute; the same once the
// archive is scrambled with a product's table.
TEST_F(UnpackFixtures, ProducersArchivesUnpackAsTheManifestSays) {
  uint16_t product[KeyTableWordCount];
  BuildProductKeyTable(1, product);
  const char *files[] = {"infozip_tree.zip", "infozip_streamed.zip", "infozip_stdin.zip", "infozip_stdin_zip64.zip",
                         "zipfile_tree.zip", "zipfile_streamed.zip", "bsdtar_tree.zip", "7z_tree.zip",
                         "folder_only.zip"};
  for (const char *file : files) {
    const JsonValue *archive = Archive(file);
    ASSERT_NE(archive, nullptr) << file;
    for (const uint16_t *table : {static_cast<const uint16_t *>(nullptr), static_cast<const uint16_t *>(product)}) {
      SCOPED_TRACE(std::string(file) + (table ? " scrambled" : " plain"));
      EXPECT_EQ(Run(file, table), UnpackOk);
      Paths expected;
      for (const JsonValue &member : (*archive)["members"].items)
        expected.push_back(member["name"].text);
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(ScratchFolder::Tree(destination_), expected);

      for (const JsonValue &member : (*archive)["members"].items) {
        const std::string &name = member["name"].text;
        if (member["kind"].text != "file")
          continue;
        SCOPED_TRACE(name);
        EXPECT_EQ(Content(name), member["content"].text);
        struct stat info;
        ASSERT_EQ(stat((destination_ + "/" + name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mtime, FixedLocalTime());
        bool readOnly = false;
        for (const JsonValue &attribute : member["dos_attributes"].items)
          readOnly |= attribute.text == "read_only";
        EXPECT_EQ((info.st_mode & S_IWUSR) == 0, readOnly);
      }
      ExpectNothingOutsideTheDestination();
    }
  }
}

// Damaged archives: the result code, and which members still come out
// whole.
TEST_F(UnpackFixtures, DamagedArchivesGiveTheirResultAndKeepTheWholeMembers) {
  struct Case {
    const char *file;
    int result;
    Paths tree;
  } cases[] = {
      {"bad_crc.zip", UnpackMemberFailed, {"bad.txt", "good.txt"}},
      {"member_cut.zip", UnpackMemberFailed, {"cut.txt", "good.txt"}},
      {"member_past_end.zip", UnpackTruncated, {"good.txt", "past_end.txt"}},
      {"archive_cut.zip", UnpackNotAnArchive, {}},
      {"directory_cut.zip", UnpackTruncated, {"good.txt"}},
      {"prepended_junk.zip", UnpackWarning, {"good.txt", "second.txt"}},
      {"method_12.zip", UnpackWarning, {"packed.txt", "plain.txt"}},
      {"empty.zip", UnpackWarning, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    const JsonValue *archive = Archive(c.file);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(Run(c.file), c.result);
    EXPECT_EQ(ScratchFolder::Tree(destination_), c.tree);
    for (const JsonValue &member : (*archive)["members"].items)
      if (member["intact"].boolean && ScratchFolder::Exists(destination_ + "/" + member["name"].text))
        EXPECT_EQ(Content(member["name"].text), member["content"].text) << member["name"].text;
    ExpectNothingOutsideTheDestination();
  }
}

// Names that climb out, start at a root or a drive, or hold characters a
// Windows file name cannot: the plain member beside them always comes out,
// and nothing is made outside the destination.
TEST_F(UnpackFixtures, AwkwardNamesStayInsideTheDestination) {
  struct Case {
    const char *file;
    int result;
    Paths made; // besides ok.txt
  } cases[] = {
      {"name_backslash.zip", UnpackWarning, {"data/", "data/sound/", "data/sound/a.wav"}},
      {"name_colon.zip", UnpackOk, {"a_b.txt"}},
      {"name_question.zip", UnpackOk, {"what_.txt"}},
      {"name_star.zip", UnpackOk, {"star_.txt"}},
      {"name_control.zip", UnpackOk, {"ctlname.txt"}},
      {"name_dotdot.zip", UnpackMemberFailed, {}},
      {"name_dotdot_inner.zip", UnpackMemberFailed, {}},
      {"name_dotdot_backslash.zip", UnpackMemberFailed, {}},
      {"name_dot.zip", UnpackOk, {"docs/", "docs/a.txt"}},
      {"name_absolute.zip", UnpackOk, {"abs/", "abs/x.txt"}},
      {"name_drive.zip", UnpackOk, {"C_/", "C_/x.txt"}},
      {"name_utf8_backslash_dotdot.zip", UnpackMemberFailed, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_NE(Archive(c.file), nullptr);
    EXPECT_EQ(Run(c.file), c.result);
    Paths expected = c.made;
    expected.push_back("ok.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ScratchFolder::Tree(destination_), expected);
    EXPECT_EQ(Content("ok.txt"), "ok\n");
    for (const std::string &path : c.made)
      if (path.back() != '/')
        EXPECT_EQ(Content(path), "awkward name\n");
    ExpectNothingOutsideTheDestination();
  }
}

// tests/fixtures/known_answer_01.qpk was made once by "qmgdist pack --key 01"
// from a small tree and is kept as it came out. Every build must extract it
// byte for byte, with the same records: a change to the key tables, the
// descrambling or the ZIP walk that would break packages already shipped
// fails here.
TEST_F(UnpackFixtures, KnownPackageExtractsByteForByte) {
  std::string source = __FILE__;
  std::string package = source.substr(0, source.rfind("/native/")) + "/fixtures/known_answer_01.qpk";
  ASSERT_TRUE(ScratchFolder::Exists(package)) << package;
  uint16_t product[KeyTableWordCount];
  BuildProductKeyTable(1, product);
  SetActivePackageKeyTable(product);
  char path[1024];
  snprintf(path, sizeof path, "%s", package.c_str());
  ASSERT_TRUE(OpenUninstallLog((scratch_ / "unsetup.ctl").c_str()));
  int result = UnpackPackage(path, sizeof path, destination_.c_str());
  CloseUninstallLog();
  EXPECT_EQ(result, UnpackOk);

  std::string levels;
  for (int i = 0; i < 40; i++) {
    levels += "level " + std::to_string(i) + ": ";
    for (int k = 0; k < i % 7 + 1; k++)
      levels += "reeds ";
    levels += "\n";
  }
  struct File {
    const char *name;
    std::string content;
    bool readOnly;
  } files[] = {
      {"README.TXT", "Reed Runner\r\nA known package.\r\n", false},
      {"data/EMPTY.SAV", "", false},
      {"data/LOCKED.CFG", "locked settings\n", true},
      {"data/levels/LEVELS.DAT", levels, false},
  };
  EXPECT_EQ(ScratchFolder::Tree(destination_),
            (Paths{"README.TXT", "data/", "data/EMPTY.SAV", "data/LOCKED.CFG", "data/levels/",
                   "data/levels/LEVELS.DAT", "empty/"}));
  for (const File &file : files) {
    SCOPED_TRACE(file.name);
    std::string full = destination_ + "/" + file.name;
    EXPECT_EQ(ScratchFolder::Read(full), file.content);
    struct stat info;
    ASSERT_EQ(stat(full.c_str(), &info), 0);
    EXPECT_EQ((info.st_mode & S_IWUSR) == 0, file.readOnly);
    struct tm local;
    localtime_r(&info.st_mtime, &local);
    EXPECT_EQ(std::vector<int>({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                local.tm_sec}),
              std::vector<int>({2001, 2, 3, 13, 14, 30}));
  }
  EXPECT_EQ(LogRecordsOf(ScratchFolder::Read(scratch_ / "unsetup.ctl"), scratch_.path() + "/"),
            (Paths{"F~dest", "D~dest/README.TXT", "F~dest/data", "D~dest/data/EMPTY.SAV", "D~dest/data/LOCKED.CFG",
                   "F~dest/data/levels", "D~dest/data/levels/LEVELS.DAT", "F~dest/empty"}));
}

} // namespace
