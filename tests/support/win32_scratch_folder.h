// A scratch folder for Win32 tests, made under a given parent (the temporary
// folder by default) and removed with everything in it at the end.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>

class Win32ScratchFolder {
public:
  explicit Win32ScratchFolder(const std::string &stem, std::string parent = "") {
    if (parent.empty()) {
      char temp[MAX_PATH];
      GetTempPathA(MAX_PATH, temp);
      parent = temp;
    }
    if (!parent.empty() && parent.back() != '\\')
      parent += '\\';
    path_ = parent + stem + std::to_string(GetCurrentProcessId());
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~Win32ScratchFolder() { RemoveTree(path_); }
  Win32ScratchFolder(const Win32ScratchFolder &) = delete;
  Win32ScratchFolder &operator=(const Win32ScratchFolder &) = delete;

  const std::string &path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "\\" + name; }

  // Makes a folder (its parent must exist) or a file below the scratch folder.
  void Folder(const std::string &name) const { CreateDirectoryA((*this / name).c_str(), nullptr); }
  void File(const std::string &name, const std::string &bytes = "") const {
    std::ofstream(*this / name, std::ios::binary) << bytes;
  }

  static bool IsFolder(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  static void RemoveTree(const std::string &path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
          continue;
        std::string inner = path + "\\" + name;
        SetFileAttributesA(inner.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(inner);
        else
          DeleteFileA(inner.c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
  }

private:
  std::string path_;
};
