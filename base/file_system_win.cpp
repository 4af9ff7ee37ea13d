// Win32 file operations of SETUP.EXE.
#include "base/file_system.h"

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "base/access_rules.h"
#include "base/final_path_win.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"

namespace {

// FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic link or junction itself
// rather than what it points to.
HANDLE OpenForTimes(const std::wstring &path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}


// A security descriptor made from SDDL text, freed at scope end; null when
// the text does not convert (the object is then made without one: the
// permissions harden, they are not needed to install).
class AccessDescriptor {
public:
  explicit AccessDescriptor(const char *sddl) {
    if (sddl)
      ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor_, nullptr);
  }
  ~AccessDescriptor() {
    if (descriptor_)
      LocalFree(descriptor_);
  }
  AccessDescriptor(const AccessDescriptor &) = delete;
  AccessDescriptor &operator=(const AccessDescriptor &) = delete;
  PSECURITY_DESCRIPTOR get() const { return descriptor_; }

private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// Splits `path` into the install folder, without a trailing separator
// ("C:" for "C:\\"), and the rest, which starts with a separator. False
// when no install folder is set or `path` does not lie strictly inside it.
bool SplitAtInstallFolder(const std::wstring &path, std::wstring &floor, std::wstring &rest) {
  return SplitBelow(path, WidePathOf(InstallFolder, false), floor, rest);
}

// The check every object made below the install folder passes: see
// file_system.h. `handle` is open on `path` itself.
bool LiesWhereMeant(const std::wstring &path, HANDLE handle) {
  std::wstring floor, rest;
  return !SplitAtInstallFolder(path, floor, rest) || LiesBelow(handle, floor, rest);
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

EntryKind QueryEntryKind(const char *path) {
  QuietDriveErrors quiet;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return EntryKind::Missing;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    return EntryKind::Link;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File;
}

bool MakeFolder(const char *path) { return _mkdir(path) == 0; }

bool MakeOwnedFolder(const char *path) {
  AccessDescriptor descriptor(OwnedFolderAccess);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
  return CreateDirectoryA(path, descriptor.get() ? &attributes : nullptr) != FALSE;
}

void NotifyFolderMade(const char *path) { SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, path, nullptr); }

FILE *CreateOutputFile(const char *path) {
  return RemoveFileForReplacement(path, false) ? CreateNewOutputFile(path, false) : nullptr;
}

bool FolderLiesWhereMeant(const char *path) {
  std::wstring wide = WidePathOf(path, false), floor, rest;
  if (wide.empty())
    return false;
  // Above the install folder, links are the administrator's own.
  if (!SplitAtInstallFolder(wide, floor, rest)) {
    while (wide.size() > 3 && IsSeparator(wide.back()))
      wide.pop_back();
    return !SameText(wide, floor) || IsRealFolder(floor);
  }
  ScopedFile folder(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return folder.valid() && IsRealFolder(wide) && LiesWhereMeant(wide, folder.get());
}

FILE *CreateNewOutputFile(const char *path, bool utf8) {
  std::wstring wide = WidePathOf(path, utf8);
  if (wide.empty())
    return nullptr;
  // CREATE_NEW fails when the name exists; with FILE_FLAG_OPEN_REPARSE_POINT
  // a dangling symbolic link counts as existing instead of being followed to
  // create its target.
  std::wstring floor, rest;
  AccessDescriptor access(IsProgramFile(path) && SplitAtInstallFolder(wide, floor, rest) ? ProgramFileAccess
                                                                                         : nullptr);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, access.get(), FALSE};
  HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, 0, access.get() ? &attributes : nullptr,
                              CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return nullptr;
  // Made somewhere else than its path says (through a link swapped in
  // above it): taken away again, and not written.
  if (!LiesWhereMeant(wide, handle)) {
    DeleteThroughHandle(handle);
    CloseHandle(handle);
    return nullptr;
  }
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  FILE *file = _fdopen(descriptor, "wb");
  if (!file)
    _close(descriptor);
  return file;
}

bool RemoveFileForReplacement(const char *path, bool utf8) {
  std::wstring wide = WidePathOf(path, utf8);
  if (wide.empty())
    return false;
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return true;
  // A folder stays, and so does a link to one: removing a junction is safe
  // on Windows, but Wine shows a Unix symbolic link to a folder as one and
  // removing it there removes the folder it points to.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    return false;
  // A link to a file goes as it is, never what it points to.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    return DeleteFileW(wide.c_str()) != 0;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(wide.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  return DeleteFileW(wide.c_str()) != 0;
}

void CopyFileReplacing(const char *source, const char *destination) {
  QuietDriveErrors quiet;
  ScopedFile in(CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.valid())
    return;
  FILE *out = CreateOutputFile(destination);
  if (!out)
    return;
  static char chunk[64 * 1024];
  bool copied = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.get(), chunk, sizeof chunk, &got, nullptr) || (got > 0 && fwrite(chunk, 1, got, out) != got)) {
      copied = false;
      break;
    }
    if (got == 0)
      break;
  }
  copied = fflush(out) == 0 && copied;
  // The copy keeps the source's last-write time, as copies do.
  FILETIME written;
  if (copied && GetFileTime(in.get(), nullptr, nullptr, &written))
    SetFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out))), nullptr, nullptr, &written);
  fclose(out);
  if (!copied)
    RemoveFileForReplacement(destination, false);
}

void DeleteFileQuietly(const char *path) {
  std::wstring wide = WidePathOf(path, false);
  QuietDriveErrors quiet;
  // Opened as itself and deleted through the handle once it is known to
  // lie where its path says, as files are created.
  ScopedFile file(wide.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileW(wide.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file.valid() && LiesWhereMeant(wide, file.get()))
    DeleteThroughHandle(file.get());
}

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
  std::wstring wide = WidePathOf(path, utf8);
  if (wide.empty())
    return;
  // Through the handle, once it is known to be the file just written, so
  // that a junction swapped in meanwhile re-modes nothing elsewhere.
  ScopedFile file(OpenForTimes(wide));
  if (!file.valid() || !LiesWhereMeant(wide, file.get()))
    return;
  if (converted)
    SetFileTime(file.get(), nullptr, &utc, &utc);
  if (setAttributes)
    SetAttributesThroughHandle(file.get(), attributes & 0x27); // read-only, hidden, system, archive
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
