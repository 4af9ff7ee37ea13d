#include "script/removal_win.h"

#include <cstdio>
#include <direct.h>
#include <string>

#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "shell/programs_folder.h"

namespace {

enum : int { WidePathCapacity = 1024 };

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The ANSI and the wide calls behind one shape, so that both forms of a
// logged path are deleted by the same steps.
struct AnsiCalls {
  using Char = char;
  static DWORD Attributes(const char *p) { return GetFileAttributesA(p); }
  static BOOL SetAttributes(const char *p, DWORD a) { return SetFileAttributesA(p, a); }
  static BOOL Delete(const char *p) { return DeleteFileA(p); }
};
struct WideCalls {
  using Char = wchar_t;
  static DWORD Attributes(const wchar_t *p) { return GetFileAttributesW(p); }
  static BOOL SetAttributes(const wchar_t *p, DWORD a) { return SetFileAttributesW(p, a); }
  static BOOL Delete(const wchar_t *p) { return DeleteFileW(p); }
};

// Packages may install read-only files; the installation made them, so it
// takes them away again, clearing the attribute when the first try fails.
template <typename Calls> DeleteOutcome DeleteWith(const typename Calls::Char *path) {
  if (Calls::Delete(path))
    return DeleteOutcome::Deleted;
  DWORD error = GetLastError();
  if (IsGone(error))
    return DeleteOutcome::AlreadyGone;
  DWORD attributes = Calls::Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !(attributes & FILE_ATTRIBUTE_READONLY))
    return DeleteOutcome::Failed;
  Calls::SetAttributes(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  return Calls::Delete(path) ? DeleteOutcome::Deleted : DeleteOutcome::Failed;
}

bool ToWide(const char *utf8, wchar_t *wide) {
  return MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, WidePathCapacity) > 0;
}

DeleteOutcome DeleteLoggedFile(void *, const char *path, bool utf8) {
  QuietDriveErrors quiet;
  if (!utf8)
    return DeleteWith<AnsiCalls>(path);
  wchar_t wide[WidePathCapacity];
  return ToWide(path, wide) ? DeleteWith<WideCalls>(wide) : DeleteOutcome::Failed;
}

void RemoveEmptyFolder(void *, const char *path) {
  QuietDriveErrors quiet;
  _rmdir(path);
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
  wchar_t wide[WidePathCapacity];
  return !ToWide(folder.c_str(), wide) || IsLink(GetFileAttributesW(wide));
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
