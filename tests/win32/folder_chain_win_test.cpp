#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/folder_chain.h"

namespace {

TEST(FolderChainOnWindows, MakesTheChainFromTheDriveRoot) {
  TruncatePendingFolders(0);
  std::string top = "C:\\QMGCHAIN" + std::to_string(GetCurrentProcessId());
  std::string path = top + "\\Game";
  EXPECT_TRUE(CreateFolderChain(&path[0]));
  EXPECT_EQ(PendingFolders(), (std::vector<std::string>{top, top + "\\Game"}));
  path = top + "\\Game\\";
  EXPECT_TRUE(FolderExists(&path[0]));
  EXPECT_EQ(std::string(path.c_str()), top + "\\Game");
  std::string root = "C:\\";
  EXPECT_TRUE(FolderExists(&root[0]));
  EXPECT_EQ(root, "C:\\");
  RemoveDirectoryA((top + "\\Game").c_str());
  RemoveDirectoryA(top.c_str());
  TruncatePendingFolders(0);
}

TEST(FolderChainOnWindows, AMissingDriveCannotBeMade) {
  TruncatePendingFolders(0);
  // Find a letter that names no drive in this prefix.
  DWORD drives = GetLogicalDrives();
  char letter = 'Q';
  while (letter > 'D' && (drives & (1u << (letter - 'A'))))
    letter--;
  std::string path = std::string(1, letter) + ":\\QMG\\Game";
  EXPECT_FALSE(CreateFolderChain(&path[0]));
  EXPECT_TRUE(PendingFolders().empty());
}

} // namespace
