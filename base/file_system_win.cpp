// Win32 file operations of SETUP.EXE.
#include "base/file_system.h"

#include <direct.h>
#include <io.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <windows.h>

#include <string>

#include "base/scoped_handles.h"

namespace {

// UTF-8 to UTF-16, at most 1024 units; empty when the text does not convert.
std::wstring WidePath(const char *utf8) {
  wchar_t wide[1024];
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, 1024);
  return units > 0 ? std::wstring(wide) : std::wstring();
}

HANDLE OpenForTimes(const char *path, bool utf8) {
  if (utf8) {
    std::wstring wide = WidePath(path);
    return CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

} // namespace

const char PathSeparator = '\\';

PathKind QueryPathKind(const char *path) {
  QuietDriveErrors quiet;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return PathKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool MakeFolder(const char *path) { return _mkdir(path) == 0; }

void NotifyFolderMade(const char *path) { SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, path, nullptr); }

FILE *CreateOutputFile(const char *path) { return fopen(path, "wb"); }

FILE *CreateOutputFileUtf8(const char *utf8Path) {
  std::wstring wide = WidePath(utf8Path);
  return wide.empty() ? nullptr : _wfopen(wide.c_str(), L"wb");
}

bool RemoveFileForReplacement(const char *path, bool utf8) {
  if (utf8) {
    std::wstring wide = WidePath(path);
    if (wide.empty())
      return false;
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES)
      return true;
    if (_waccess(wide.c_str(), 2) != 0)
      _wchmod(wide.c_str(), _S_IREAD | _S_IWRITE);
    return _wremove(wide.c_str()) == 0;
  }
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
    return true;
  if (_access(path, 2) != 0)
    _chmod(path, _S_IREAD | _S_IWRITE);
  return remove(path) == 0;
}

void CopyFileReplacing(const char *source, const char *destination) {
  CopyFileA(source, destination, FALSE);
  _chmod(destination, _S_IREAD | _S_IWRITE);
}

void DeleteFileQuietly(const char *path) { _unlink(path); }

bool AnsiToUtf8(const char *ansi, char *utf8, size_t capacity) {
  wchar_t wide[1024];
  int units = MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 1024);
  return units > 0 &&
         WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, static_cast<int>(capacity), nullptr, nullptr) > 0;
}

void RestoreTimeAndAttributes(const char *path, bool utf8, uint16_t dosDate, uint16_t dosTime,
                              bool setAttributes, uint8_t attributes) {
  FILETIME local, utc;
  bool converted = DosDateTimeToFileTime(dosDate, dosTime, &local);
  if (converted && !LocalFileTimeToFileTime(&local, &utc))
    utc = local;
  ScopedFile file(OpenForTimes(path, utf8));
  if (setAttributes) {
    if (utf8)
      SetFileAttributesW(WidePath(path).c_str(), attributes & 0x7F);
    else
      SetFileAttributesA(path, attributes & 0x7F);
  }
  if (file.valid() && converted)
    SetFileTime(file.get(), nullptr, &utc, &utc);
}

void SetFolderAttributes(const char *path, uint8_t attributes) { SetFileAttributesA(path, attributes & 0x7F); }

unsigned VolumeMaxComponentLength(const char *path) {
  char root[4] = {path[0], path[0] ? path[1] : '\0', '\\', '\0'};
  DWORD longest = 255;
  QuietDriveErrors quiet;
  if (root[1] != ':' || !GetVolumeInformationA(root, nullptr, 0, nullptr, &longest, nullptr, nullptr, 0))
    return 255;
  return longest;
}

void ConvertOemToAnsi(char *name) { OemToCharA(name, name); }

bool SeekFile(FILE *file, uint64_t offset) { return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0; }

int64_t FileSizeOf(FILE *file) { return _filelengthi64(_fileno(file)); }
