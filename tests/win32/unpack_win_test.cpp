// Extraction against a Windows file system (under Wine): attributes, times,
// read-only replacement, the records with Windows paths, names that Windows
// would take as "." or "..", and folders that are links.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "package/unpack.h"
#include "base/uninstall_log.h"
#include "tests/support/log_records.h"
#include "tests/support/wine_folder_link.h"
#include "tests/support/zip_builder.h"

namespace {

using Paths = std::vector<std::string>;

// What a folder holds, by name, sorted.
Paths Entries(const std::string &folder) {
  Paths names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..")
      names.push_back(name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

using wine_folder_link::IsLink;
bool PlantFolderLink(const std::string &link, const std::string &target) {
  return wine_folder_link::Plant(link, target);
}
void RemoveFolderLink(const std::string &link) { wine_folder_link::Remove(link); }

class UnpackOnWindows : public testing::Test {
protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "qmg-unpack-" + std::to_string(GetCurrentProcessId()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(root_.c_str(), nullptr);
    destination_ = root_ + "\\Prod";
    uint16_t zero[KeyTableWordCount] = {};
    SetActivePackageKeyTable(zero);
  }
  void TearDown() override {
    std::string command = "cmd /c rmdir /s /q \"" + root_ + "\" >nul 2>&1";
    for (const char *name : {"\\Prod\\locked.txt", "\\Prod\\hidden.txt", "\\Prod\\system.dat"})
      SetFileAttributesA((root_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    system(command.c_str());
  }

  int Run(const std::string &archive) {
    std::ofstream(root_ + "\\PKG.QPK", std::ios::binary) << archive;
    char path[512];
    snprintf(path, sizeof path, "%s\\PKG.QPK", root_.c_str());
    EXPECT_TRUE(OpenUninstallLog((root_ + "\\unsetup.ctl").c_str()));
    int result = UnpackPackage(path, sizeof path, destination_.c_str());
    CloseUninstallLog();
    return result;
  }
  Paths Records() const {
    std::ifstream in(root_ + "\\unsetup.ctl", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return LogRecordsOf(bytes.str());
  }

  DWORD Attributes(const std::string &relative) const {
    return GetFileAttributesA((destination_ + "\\" + relative).c_str());
  }
  std::string Content(const std::string &relative) const {
    std::ifstream in(destination_ + "\\" + relative, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string root_, destination_;
};

TEST_F(UnpackOnWindows, RecordsUseBackslashesUpToTheDestinationAndSlashesBelowIt) {
  EXPECT_EQ(Run(ZipBuilder().Add("data/sound/a.wav", "RIFF").Build()), UnpackOk);
  EXPECT_EQ(Records(), (Paths{"F" + destination_, "F" + destination_ + "/data", "F" + destination_ + "/data/sound",
                              "D" + destination_ + "\\data\\sound\\a.wav"}));
  EXPECT_EQ(Content("data\\sound\\a.wav"), "RIFF");
}

TEST_F(UnpackOnWindows, AttributesComeBack) {
  struct Case {
    const char *name;
    uint32_t stored;
    DWORD expected;
  } cases[] = {
      {"plain.txt", 0x20, FILE_ATTRIBUTE_ARCHIVE},
      {"noarchive.txt", 0x00, FILE_ATTRIBUTE_ARCHIVE},
      {"readonly.txt", 0x01, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
      {"hidden.txt", 0x22, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
      {"system.dat", 0x24, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
  };
  ZipBuilder zip;
  for (const Case &c : cases) {
    ZipMember m;
    m.name = c.name;
    m.data = c.name;
    m.externalAttributes = c.stored;
    zip.Add(m);
  }
  EXPECT_EQ(Run(zip.Build()), UnpackOk);
  for (const Case &c : cases) {
    DWORD mask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    EXPECT_EQ(Attributes(c.name) & mask, c.expected) << c.name;
  }
  SetFileAttributesA((destination_ + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(UnpackOnWindows, ReadOnlyFileIsReplaced) {
  CreateDirectoryA(destination_.c_str(), nullptr);
  std::ofstream(destination_ + "\\locked.txt") << "old";
  SetFileAttributesA((destination_ + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ZipMember m;
  m.name = "locked.txt";
  m.data = "new";
  m.externalAttributes = 0x21;
  EXPECT_EQ(Run(ZipBuilder().Add(m).Build()), UnpackOk);
  EXPECT_EQ(Content("locked.txt"), "new");
  EXPECT_TRUE(Attributes("locked.txt") & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Run(ZipBuilder().Add(m).Build()), UnpackOk) << "and replaced again";
}

TEST_F(UnpackOnWindows, DosTimeIsLocalTimeForWriteAndAccess) {
  EXPECT_EQ(Run(ZipBuilder().Add("t.txt", "t").Build()), UnpackOk);
  HANDLE file = CreateFileA((destination_ + "\\t.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME accessed, written;
  GetFileTime(file, nullptr, &accessed, &written);
  CloseHandle(file);
  FILETIME local;
  SYSTEMTIME when;
  FileTimeToLocalFileTime(&written, &local);
  FileTimeToSystemTime(&local, &when);
  EXPECT_EQ(when.wYear, 2001);
  EXPECT_EQ(when.wMonth, 2);
  EXPECT_EQ(when.wDay, 3);
  EXPECT_EQ(when.wHour, 13);
  EXPECT_EQ(when.wMinute, 14);
  EXPECT_EQ(when.wSecond, 30);
  EXPECT_EQ(CompareFileTime(&accessed, &written), 0);
  // The creation time is left alone, but Wine on a Linux file system has no
  // creation time of its own to show (it reports another of the times), so
  // it is not checked here.
}

TEST_F(UnpackOnWindows, Utf8NamesAreCreatedWithTheirRealCharacters) {
  ZipMember m;
  m.name = "caf\xC3\xA9.txt";
  m.data = "coffee";
  m.flags = 0x0800;
  EXPECT_EQ(Run(ZipBuilder().Add(m).Build()), UnpackOk);
  std::wstring wide(destination_.begin(), destination_.end());
  EXPECT_NE(GetFileAttributesW((wide + L"\\caf\u00e9.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Records().back(), "D" + destination_ + "\\caf\xC3\xA9.txt");
}

TEST_F(UnpackOnWindows, DriveRootDestinationKeepsItsBackslash) {
  // Unpacking into "X:\" must not turn into the drive's current folder.
  std::string drive = root_.substr(0, 3);
  ASSERT_EQ(drive[1], ':');
  std::string name = "qmg-root-" + std::to_string(GetCurrentProcessId()) + ".txt";
  std::ofstream(root_ + "\\PKG.QPK", std::ios::binary) << ZipBuilder().Add(name, "r").Build();
  char path[512];
  snprintf(path, sizeof path, "%s\\PKG.QPK", root_.c_str());
  EXPECT_EQ(UnpackPackage(path, sizeof path, drive.c_str()), UnpackOk);
  EXPECT_NE(GetFileAttributesA((drive + name).c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA((drive + name).c_str());
}

// Windows drops trailing dots and blanks from a name, so ".. " is ".." there;
// and the cleaning drops control characters, so "." 0x01 "." becomes "..".
// Such members are skipped, and nothing is made beside the destination.
TEST_F(UnpackOnWindows, NamesThatWindowsTakesAsDotsStayInside) {
  struct Case {
    const char *why;
    std::string name;
    uint16_t flags;
  } cases[] = {
      {"trailing blank", ".. /ESCAPED.txt", 0},
      {"trailing dot", ".../ESCAPED.txt", 0},
      {"dot, control, dot", ".\x01./ESCAPED.txt", 0},
      {"dot, tab, dot, blank", ".\t. /ESCAPED.txt", 0},
      {"dot, control, dot flagged UTF-8", ".\x01./ESCAPED.txt", 0x0800},
      {"backslashes and a trailing blank", "..\\.. \\ESCAPED.txt", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    ZipMember hostile;
    hostile.name = c.name;
    hostile.data = "escaped";
    hostile.flags = c.flags;
    int result = Run(ZipBuilder().Add(hostile).Add("ok.txt", "ok").Build());
    EXPECT_TRUE(result == UnpackMemberFailed) << result;
    EXPECT_EQ(Entries(root_), (Paths{"PKG.QPK", "Prod", "unsetup.ctl"}));
    EXPECT_EQ(Content("ok.txt"), "ok");
    EXPECT_EQ(Records().back(), "D" + destination_ + "\\ok.txt");
  }
}

// A folder below the destination that is a link (a junction or symbolic
// link, or under Wine a Unix symbolic link) is never passed through, and a
// link to a folder where a file should go is left alone.
TEST_F(UnpackOnWindows, FolderLinksBelowTheDestinationAreNotFollowed) {
  CreateDirectoryA(destination_.c_str(), nullptr);
  CreateDirectoryA((root_ + "\\elsewhere").c_str(), nullptr);
  if (!PlantFolderLink(destination_ + "\\pre", root_ + "\\elsewhere"))
    GTEST_SKIP() << "this system can make no symbolic link to a folder";
  ASSERT_TRUE(PlantFolderLink(destination_ + "\\taken.txt", root_ + "\\elsewhere"));

  EXPECT_EQ(Run(ZipBuilder().Add("pre/x.txt", "through the link").Folder("pre/made/").Add("ok.txt", "ok").Build()),
            UnpackMemberFailed);
  EXPECT_EQ(Entries(root_ + "\\elsewhere"), Paths{});
  EXPECT_EQ(Records(), (Paths{"D" + destination_ + "\\ok.txt"}));

  EXPECT_EQ(Run(ZipBuilder().Add("taken.txt", "over the link").Build()), UnpackWriteFailed);
  EXPECT_TRUE(IsLink(destination_ + "\\taken.txt"));
  EXPECT_NE(GetFileAttributesA((root_ + "\\elsewhere").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Entries(root_ + "\\elsewhere"), Paths{});

  RemoveFolderLink(destination_ + "\\pre");
  RemoveFolderLink(destination_ + "\\taken.txt");
}

} // namespace
