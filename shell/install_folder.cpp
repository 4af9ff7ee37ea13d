#include "shell/install_folder.h"

#include <windows.h>

#include <cstring>

#include "base/platform_version_win.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"

const char DefaultInstallFolder[] = "C:\\QMG";

namespace {

const char FolderKey[] = "Software\\QuillmarshGames";
const char FolderValue[] = "DefaultInstallPath";

bool OpenFolderKey(REGSAM access, ScopedRegKey &key) {
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, FolderKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         access, nullptr, key.receive(), nullptr) == ERROR_SUCCESS;
}

} // namespace

void LoadInstallFolder() {
  strcpy(InstallFolder, DefaultInstallFolder);
  ScopedRegKey key;
  if (!RegistryUsable() || !OpenFolderKey(KEY_QUERY_VALUE, key))
    return;
  char stored[PathCapacity];
  DWORD type = 0, size = sizeof stored;
  if (RegQueryValueExA(key.get(), FolderValue, nullptr, &type, reinterpret_cast<BYTE *>(stored),
                       &size) != ERROR_SUCCESS)
    return;
  // Only a non-empty string that ends within the buffer is taken; anything
  // else (another type, no terminator, too long) leaves the default.
  if (type != REG_SZ || size == 0 || memchr(stored, '\0', size) == nullptr || stored[0] == '\0')
    return;
  strcpy(InstallFolder, stored);
}

void SaveInstallFolder() {
  ScopedRegKey key;
  if (!RegistryUsable() || !OpenFolderKey(KEY_READ | KEY_WRITE, key))
    return;
  RegSetValueExA(key.get(), FolderValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(InstallFolder),
                 static_cast<DWORD>(strlen(InstallFolder) + 1));
}
