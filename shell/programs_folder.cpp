#include "shell/programs_folder.h"

#include <windows.h>

#include <cstring>

#include "base/platform_version_win.h"
#include "base/scoped_handles.h"

namespace {

const char ShellFoldersKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Reads a REG_SZ or REG_EXPAND_SZ value (unexpanded) into `out`, which ends
// within its capacity whether or not the stored value has a terminator.
bool QueryRegString(HKEY key, const char *value, char *out, size_t capacity) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return false;
  if (size <= 1) {
    out[0] = '\0';
    return true;
  }
  if (size >= capacity)
    return false; // does not fit: no folder rather than a cut one
  out[size] = '\0';
  return RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE *>(out), &size) == ERROR_SUCCESS;
}

} // namespace

bool GetProgramsFolder(char *folder, size_t capacity) {
  folder[0] = '\0';
  if (!RegistryUsable())
    return false;
  bool perUser = ProgramsFolderIsPerUser();
  ScopedRegKey key;
  if (RegOpenKeyExA(perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, ShellFoldersKey, 0, KEY_QUERY_VALUE,
                    key.receive()) != ERROR_SUCCESS)
    return true;
  if (!QueryRegString(key.get(), perUser ? "Programs" : "Common Programs", folder, capacity))
    folder[0] = '\0';
  return true;
}
