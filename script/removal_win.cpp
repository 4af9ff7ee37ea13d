#include "script/removal_win.h"

#include <string>

#include "base/final_path_win.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "shell/programs_folder.h"

namespace {

enum : int { WidePathCapacity = 1024 };

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A logged path as UTF-16, taken as UTF-8 or as ANSI; empty when it does
// not convert.
std::wstring WideOf(const char *path, bool utf8) {
  wchar_t wide[WidePathCapacity];
  return MultiByteToWideChar(utf8 ? CP_UTF8 : CP_ACP, 0, path, -1, wide, WidePathCapacity) > 0 ? std::wstring(wide)
                                                                                                 : std::wstring();
}

// The file is opened as itself (a link at its name is opened, and deleted,
// as the link), checked to lie in `folder` through real folders only, and
// deleted through that handle, so nothing swapped in after the check is
// touched. Packages may install read-only files; the installation made
// them, so it takes them away again, clearing the attribute when the first
// try fails.
DeleteOutcome DeleteLoggedFile(void *, const char *path, const char *folder, bool utf8) {
  QuietDriveErrors quiet;
  std::wstring wide = WideOf(path, utf8), floor, rest;
  if (wide.empty() || !SplitBelow(wide, WideOf(folder, utf8), floor, rest))
    return DeleteOutcome::Failed;
  ScopedFile file(CreateFileW(wide.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid())
    return IsGone(GetLastError()) ? DeleteOutcome::AlreadyGone : DeleteOutcome::Failed;
  if (!LiesBelow(file.get(), floor, rest))
    return DeleteOutcome::Failed;
  if (DeleteThroughHandle(file.get()))
    return DeleteOutcome::Deleted;
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file.get(), &information) ||
      !(information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) || !ClearReadOnlyThroughHandle(file.get()))
    return DeleteOutcome::Failed;
  return DeleteThroughHandle(file.get()) ? DeleteOutcome::Deleted : DeleteOutcome::Failed;
}

// Only an empty real folder goes, never a link or junction, and one
// inside `folder` only where it really lies there.
void RemoveEmptyFolder(void *, const char *path, const char *folder) {
  QuietDriveErrors quiet;
  std::wstring wide = WideOf(path, false), floor, rest;
  ScopedFile opened(CreateFileW(wide.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION information;
  if (wide.empty() || !opened.valid() || !GetFileInformationByHandle(opened.get(), &information) ||
      !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return;
  if (folder[0] && (!SplitBelow(wide, WideOf(folder, false), floor, rest) || !LiesBelow(opened.get(), floor, rest)))
    return;
  DeleteThroughHandle(opened.get()); // fails while the folder holds anything
}

bool DeleteEntry(void *context, const char *name) {
  LONG deleted = RegDeleteKeyA(static_cast<HKEY>(context), name);
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND; // gone either way
}

bool IsLink(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Probes the folder made of the first `length` characters of `path`.
bool FolderIsLink(const char *path, size_t length, bool utf8) {
  std::string folder(path, length);
  if (!utf8)
    return IsLink(GetFileAttributesA(folder.c_str()));
  std::wstring wide = WideOf(folder.c_str(), true);
  return wide.empty() || IsLink(GetFileAttributesW(wide.c_str()));
}

bool CrossesLink(void *, const char *path, size_t from, bool utf8) {
  QuietDriveErrors quiet;
  if (FolderIsLink(path, from, utf8))
    return true;
  for (size_t i = from + 1; path[i]; i++)
    if (path[i] == '\\' && FolderIsLink(path, i, utf8))
      return true;
  return false;
}

} // namespace

RemovalScope RemovalScopeOf(const char *folder, const char *title) {
  char programs[1024];
  GetProgramsFolder(programs, sizeof programs);
  return RemovalScopeIn(folder, title, programs);
}

RemovalOperations WindowsRemovalOperations(HKEY uninstallKey) {
  return RemovalOperations{uninstallKey, DeleteLoggedFile, RemoveEmptyFolder, DeleteEntry, CrossesLink};
}
