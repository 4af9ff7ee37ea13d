// Paths are UTF-8 here and go to the system through its wide calls, so a
// name outside the ANSI code page is read, packed and named in reports like
// any other.
#include "qmgdist/pack_files.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "qmgdist/zip_writer.h"

namespace {

std::wstring Wide(const std::string &text, UINT codePage = CP_UTF8) {
  int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0)
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Utf8(const std::wstring &wide) {
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                   nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  if (length > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr,
                        nullptr);
  return text;
}

std::string Reason(DWORD error) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.'))
    length--;
  return length ? std::string(text, length) : "error " + std::to_string(error);
}

// Reports of the calls made through the Win32 API go out through errno, as
// those of the C runtime do (LastSystemReason).
void SetErrnoFromLastError() {
  DWORD error = GetLastError();
  errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
          : error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
                                                                             : EIO;
}

// The modification time as local time, by the C runtime's rules for that
// date, as the POSIX half does: the same tree gives the same DOS times on
// both systems.
void DosTimeOfWriteTime(const FILETIME &written, uint16_t &dosDate, uint16_t &dosTime) {
  uint64_t ticks = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  __time64_t when = static_cast<__time64_t>(ticks / 10000000) - 11644473600LL;
  struct tm local;
  DosTimeOf(_localtime64_s(&local, &when) == 0 ? &local : nullptr, dosDate, dosTime);
}

// The full path, upper-cased: Windows names one file by one such path
// (links in the tree are not followed, so no other name reaches it).
std::string IdentityOf(const std::wstring &path) {
  wchar_t full[32768];
  DWORD length = GetFullPathNameW(path.c_str(), 32768, full, nullptr);
  if (length == 0 || length >= 32768)
    return Utf8(path);
  CharUpperBuffW(full, length);
  return Utf8(std::wstring(full, length));
}

SourceEntry EntryOf(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const FILETIME &written,
                    const std::wstring &path) {
  SourceEntry entry;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    entry.kind = SourceKind::Other;
  else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    entry.kind = SourceKind::Folder;
  else if (attributes & FILE_ATTRIBUTE_DEVICE)
    entry.kind = SourceKind::Other;
  else
    entry.kind = SourceKind::File;
  entry.size = entry.kind == SourceKind::File ? (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow : 0;
  entry.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  DosTimeOfWriteTime(written, entry.dosDate, entry.dosTime);
  entry.identity = IdentityOf(path);
  return entry;
}

} // namespace

std::string SourcePathFromArgument(const char *argument) { return Utf8(Wide(argument, CP_ACP)); }

SourceEntry InspectSourcePath(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  std::wstring wide = Wide(path);
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    SetErrnoFromLastError();
    return SourceEntry();
  }
  SourceEntry entry = EntryOf(data.dwFileAttributes & ~FILE_ATTRIBUTE_REPARSE_POINT, data.nFileSizeHigh,
                              data.nFileSizeLow, data.ftLastWriteTime, wide);
  return entry;
}

bool ListSourceFolder(const std::string &folder, std::vector<SourceEntry> &entries, std::string &report) {
  std::wstring wideFolder = Wide(folder);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((wideFolder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND)
      return true;
    report = folder + ": cannot read the folder: " + Reason(error);
    return false;
  }
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..")
      continue;
    entries.push_back(EntryOf(found.dwFileAttributes, found.nFileSizeHigh, found.nFileSizeLow,
                              found.ftLastWriteTime, wideFolder + L"\\" + name));
    entries.back().name = Utf8(name);
  } while (FindNextFileW(search, &found));
  DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) {
    report = folder + ": cannot read the folder: " + Reason(error);
    return false;
  }
  return true;
}

FILE *OpenSourceFile(const std::string &path) { return _wfopen(Wide(path).c_str(), L"rb"); }

std::string LastSystemReason() { return strerror(errno); }

FILE *CreateFileBeside(const std::string &target, std::string &path, std::string &report) {
  DWORD seed = GetCurrentProcessId() ^ GetTickCount();
  for (unsigned attempt = 0; attempt < 1000; attempt++) {
    char suffix[32];
    snprintf(suffix, sizeof suffix, ".part-%08lx", static_cast<unsigned long>(seed + attempt * 7919u));
    std::string candidate = target + suffix;
    // CREATE_NEW fails when the name exists, so the file is new and ours.
    HANDLE handle = CreateFileW(Wide(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
        continue;
      report = target + ": cannot create a temporary file in its folder: " + Reason(error);
      return nullptr;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    FILE *file = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
    if (!file) {
      report = candidate + ": cannot write: " + strerror(errno);
      if (descriptor >= 0)
        _close(descriptor);
      else
        CloseHandle(handle);
      DeleteFileW(Wide(candidate).c_str());
      return nullptr;
    }
    path = candidate;
    return file;
  }
  report = target + ": cannot create a temporary file in its folder: every name tried exists";
  return nullptr;
}

bool TruncateOpenFile(FILE *file, uint64_t size) {
  return fflush(file) == 0 && _chsize_s(_fileno(file), static_cast<__int64>(size)) == 0;
}

bool ReplaceFileWith(const std::string &from, const std::string &to) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING))
    return true;
  SetErrnoFromLastError();
  return false;
}

void RemoveFileQuietly(const std::string &path) { DeleteFileW(Wide(path).c_str()); }
