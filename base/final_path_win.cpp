#include "base/final_path_win.h"

#include "base/scoped_handles.h"

namespace {

using FinalPathCall = DWORD(WINAPI *)(HANDLE, wchar_t *, DWORD, DWORD);
using SetInformationCall = BOOL(WINAPI *)(HANDLE, int, void *, DWORD);
enum : int { FileBasicInformationClass = 0, FileDispositionInformationClass = 4 };

// Looked up rather than imported, so that the programs still start on
// Windows XP.
template <typename Call> Call KernelCall(const char *name) {
  return reinterpret_cast<Call>(reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

// A drive's root keeps its separator: "C:" alone is the drive's current
// folder.
std::wstring FolderPath(const std::wstring &folder) {
  return folder.size() == 2 && folder[1] == L':' ? folder + L"\\" : folder;
}

// The final path of what `handle` is open on, in DOS form without the
// "\\?\" prefix ("C:\QMG\x", "\\host\share\x") and without a trailing
// separator; empty when unknown.
std::wstring FinalPathOf(HANDLE handle) {
  static FinalPathCall finalPath = KernelCall<FinalPathCall>("GetFinalPathNameByHandleW");
  wchar_t buffer[1100];
  DWORD length = finalPath ? finalPath(handle, buffer, 1100, 0 /* FILE_NAME_NORMALIZED | VOLUME_NAME_DOS */) : 0;
  if (length == 0 || length >= 1100)
    return std::wstring();
  std::wstring path(buffer, length);
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0)
    path = L"\\\\" + path.substr(8);
  else if (path.compare(0, 4, L"\\\\?\\") == 0)
    path = path.substr(4);
  while (!path.empty() && IsSeparator(path.back()))
    path.pop_back();
  return path;
}

} // namespace

bool SameText(const std::wstring &a, const std::wstring &b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring WidePathOf(const char *path, bool utf8) {
  wchar_t wide[1024];
  int units = utf8 ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide, 1024)
                   : MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 1024);
  return units > 0 ? std::wstring(wide) : std::wstring();
}

bool SplitBelow(const std::wstring &path, const std::wstring &folder, std::wstring &floor, std::wstring &rest) {
  floor = folder;
  while (!floor.empty() && IsSeparator(floor.back()))
    floor.pop_back();
  if (floor.empty() || path.size() <= floor.size() + 1 || !IsSeparator(path[floor.size()]) ||
      !SameText(path.substr(0, floor.size()), floor))
    return false;
  rest = path.substr(floor.size());
  for (wchar_t &c : rest)
    if (c == L'/')
      c = L'\\';
  return true;
}

bool IsRealFolder(const std::wstring &folder) {
  DWORD attributes = GetFileAttributesW(FolderPath(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool LiesBelow(HANDLE handle, const std::wstring &folder, const std::wstring &rest) {
  QuietDriveErrors quiet;
  if (!IsRealFolder(folder))
    return false;
  for (size_t i = 1; i < rest.size(); i++)
    if (IsSeparator(rest[i]) && !IsRealFolder(folder + rest.substr(0, i)))
      return false;
  if (!KernelCall<FinalPathCall>("GetFinalPathNameByHandleW"))
    return true;
  // The folder's final path is looked up once for all the files made in it
  // (thousands in an install). It stays right while the folder is a real
  // folder, checked above each time: only a change above it could change
  // it, and that makes the comparison fail, not pass.
  static std::wstring lastFolder, lastFolderFinal;
  if (lastFolderFinal.empty() || !SameText(folder, lastFolder)) {
    ScopedFile opened(CreateFileW(FolderPath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    lastFolder = folder;
    lastFolderFinal = opened.valid() ? FinalPathOf(opened.get()) : std::wstring();
  }
  const std::wstring &folderFinal = lastFolderFinal;
  std::wstring final = FinalPathOf(handle), expected = folderFinal + rest;
  for (wchar_t &c : expected)
    if (c == L'/')
      c = L'\\';
  return !folderFinal.empty() && !final.empty() && SameText(final, expected);
}

bool DeleteThroughHandle(HANDLE handle) {
  static SetInformationCall setInformation = KernelCall<SetInformationCall>("SetFileInformationByHandle");
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return setInformation &&
         setInformation(handle, FileDispositionInformationClass, &disposition, sizeof disposition) != FALSE;
}

bool SetAttributesThroughHandle(HANDLE handle, DWORD attributes) {
  static SetInformationCall setInformation = KernelCall<SetInformationCall>("SetFileInformationByHandle");
  // Times of zero are left as they are.
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return setInformation && setInformation(handle, FileBasicInformationClass, &basic, sizeof basic) != FALSE;
}

bool ClearReadOnlyThroughHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileInformationByHandle(handle, &information) &&
         SetAttributesThroughHandle(handle, information.dwFileAttributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
}
