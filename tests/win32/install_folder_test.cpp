#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/setup_state.h"
#include "shell/install_folder.h"

namespace {

const char Key[] = "Software\\QuillmarshGames";

class RememberedFolder : public testing::Test {
protected:
  void SetUp() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key); }
  void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key); }

  static void Store(DWORD type, const void *data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, Key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "DefaultInstallPath", 0, type, static_cast<const BYTE *>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static std::string Loaded() {
    strcpy(InstallFolder, "garbage");
    LoadInstallFolder();
    return InstallFolder;
  }
};

TEST_F(RememberedFolder, FirstRunOffersTheDefaultAndLeavesAnEmptyKey) {
  EXPECT_EQ(Loaded(), "C:\\QMG");
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, Key, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD values = 99;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                   nullptr, nullptr);
  EXPECT_EQ(values, 0u);
  RegCloseKey(key);
}

TEST_F(RememberedFolder, SavedFolderIsOfferedNextTime) {
  for (const char *folder : {"D:\\Games", "D:\\", "C:\\Program Files\\Quillmarsh Games"}) {
    strcpy(InstallFolder, folder);
    SaveInstallFolder();
    EXPECT_EQ(Loaded(), folder);
  }
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, Key, 0, KEY_READ, &key), ERROR_SUCCESS);
  char stored[64];
  DWORD type = 0, size = sizeof stored;
  ASSERT_EQ(RegQueryValueExA(key, "DefaultInstallPath", nullptr, &type, reinterpret_cast<BYTE *>(stored), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, strlen("C:\\Program Files\\Quillmarsh Games") + 1) << "stored with its terminator";
}

TEST_F(RememberedFolder, AValueThatIsNotAProperStringFallsBackToTheDefault) {
  DWORD number = 42;
  Store(REG_DWORD, &number, sizeof number);
  EXPECT_EQ(Loaded(), "C:\\QMG");

  Store(REG_BINARY, "D:\\Games", 8); // no terminator
  EXPECT_EQ(Loaded(), "C:\\QMG");

  std::string tooLong = "D:\\" + std::string(600, 'x');
  Store(REG_SZ, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1));
  EXPECT_EQ(Loaded(), "C:\\QMG");

  Store(REG_SZ, "", 1);
  EXPECT_EQ(Loaded(), "C:\\QMG");

  std::string longest = "D:\\" + std::string(508, 'y'); // 511 characters fit
  Store(REG_SZ, longest.c_str(), static_cast<DWORD>(longest.size() + 1));
  EXPECT_EQ(Loaded(), longest);
}

} // namespace
