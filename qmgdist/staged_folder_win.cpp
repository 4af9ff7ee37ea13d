#include "qmgdist/staged_folder.h"

#include <windows.h>

#include <cstdio>

namespace {

// `out` without a final separator.
std::string Target(const std::string &out) {
  std::string path = out;
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\') && path[path.size() - 2] != ':')
    path.pop_back();
  return path;
}

// A new folder beside `out` named after it; CreateDirectoryA fails when the
// name exists, so the folder it makes is new.
bool MakeBeside(const std::string &out, const char *what, std::string &made) {
  std::string target = Target(out);
  size_t cut = target.find_last_of("\\/:");
  std::string parent = cut == std::string::npos ? "" : target.substr(0, cut + 1);
  std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
  DWORD seed = GetCurrentProcessId() ^ GetTickCount();
  for (unsigned attempt = 0; attempt < 1000; attempt++) {
    char suffix[16];
    snprintf(suffix, sizeof suffix, "-%06lx", static_cast<unsigned long>((seed + attempt * 7919u) & 0xFFFFFF));
    std::string candidate = parent + "." + name + "." + what + suffix;
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      made = candidate;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return false;
}

std::string Reason() { return "error " + std::to_string(GetLastError()); }

} // namespace

bool MakeStagingFolder(const std::string &out, std::string &staging, std::string &report) {
  if (MakeBeside(out, "building", staging))
    return true;
  report = out + ": cannot make a folder beside it to build in: " + Reason();
  return false;
}

bool PutFolderInPlace(const std::string &staging, const std::string &out, std::string &report) {
  std::string target = Target(out);
  if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (MoveFileA(staging.c_str(), target.c_str()))
      return true;
    report = out + ": cannot put the new distribution in place: " + Reason();
    return false;
  }
  // MoveFile does not replace a folder: the old one is moved to a name of
  // its own first (the empty folder made for the name is removed again).
  std::string aside;
  if (!MakeBeside(out, "old", aside) || !RemoveDirectoryA(aside.c_str()) || !MoveFileA(target.c_str(), aside.c_str())) {
    report = out + ": cannot move the old distribution aside: " + Reason();
    return false;
  }
  if (!MoveFileA(staging.c_str(), target.c_str())) {
    report = out + ": cannot put the new distribution in place: " + Reason();
    MoveFileA(aside.c_str(), target.c_str());
    return false;
  }
  DiscardFolder(aside);
  return true;
}

void DiscardFolder(const std::string &folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..")
        continue;
      std::string path = folder + "\\" + name;
      // A junction or link is removed itself, never followed.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DiscardFolder(path);
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(path.c_str());
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}
