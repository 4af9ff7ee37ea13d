// Registration of a product under the Uninstall key, and the removal of
// earlier installations through their uninstall logs.
#include "script/product_registration.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <io.h>
#include <direct.h>
#include <memory>
#include <string>

#include "app/scoped_handles.h"
#include "app/setup_state.h"
#include "app/user_interface.h"
#include "script/product_install.h"
#include "script/uninstall_log.h"

namespace {

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const int EntryNameCount = 98;

enum class RemovalMode { KeepData = 1, RemoveAll = 0 };

// "QMG <title>" for entry 1, "QMG <title>_n" for the others.
std::string EntryNameOf(int n) {
  char name[TokenCapacity];
  if (n == 1)
    snprintf(name, sizeof name, "QMG %s", ProductTitle);
  else
    snprintf(name, sizeof name, "QMG %s_%d", ProductTitle, n);
  return name;
}

// Reads a string value into `buffer`; the type is not checked, but the text
// always ends within the buffer.
bool ReadValue(HKEY key, const char *value, char *buffer, DWORD capacity) {
  DWORD size = capacity - 1;
  if (RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &size) != ERROR_SUCCESS)
    return false;
  buffer[size < capacity ? size : capacity - 1] = '\0';
  return true;
}

bool QueryFileSize(const char *path, DWORD &size) {
  size = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    return false;
  size = found.nFileSizeLow;
  return true;
}

bool HasHighBytes(const char *text) {
  for (; *text; text++)
    if (static_cast<unsigned char>(*text) >= 0x80)
      return true;
  return false;
}

// Deletes a file named in a log; true when it is gone (also when it was gone
// already). Paths with bytes of 0x80 and above may have been written as
// UTF-8 by the extraction. Packages may install read-only files; the
// installation made them, so it takes them away again.
bool DeleteLoggedFile(const char *path) {
  if (!HasHighBytes(path)) {
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND)
      return true;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
      return false;
    SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileA(path);
  }
  if (_unlink(path) == 0)
    return true;
  wchar_t wide[1024];
  if (MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, 1024) > 0 && _wunlink(wide) == 0)
    return true;
  return GetLastError() == ERROR_FILE_NOT_FOUND;
}

struct Removal {
  HKEY uninstallKey;
  std::string folder;
  RemovalMode mode;
  unsigned failures = 0;
};

bool IsKeptFile(const Removal &removal, const char *path) {
  for (const std::string &entry : KeepList)
    if (_stricmp(path, (removal.folder + "\\" + entry).c_str()) == 0)
      return true;
  return false;
}

bool UndoRecord(char kind, const char *text, void *context) {
  Removal &removal = *static_cast<Removal *>(context);
  switch (kind) {
  case 'F':
    _rmdir(text); // a folder that still holds something stays, and that is fine
    break;
  case 'K':
    if (RegDeleteKeyA(removal.uninstallKey, text) != ERROR_SUCCESS)
      removal.failures++;
    break;
  case 'D':
    if (removal.mode == RemovalMode::KeepData && IsKeptFile(removal, text))
      break;
    if (!DeleteLoggedFile(text))
      removal.failures++;
    break;
  }
  return true;
}

// Removes an installed version through its uninstall log. Reports its own
// trouble; the caller goes on either way.
void RemoveInstalledVersion(HKEY uninstallKey, const char *folder, RemovalMode mode, const char *entryName) {
  char logPath[PathCapacity];
  snprintf(logPath, sizeof logPath, "%s\\unsetup.ctl", folder);
  DWORD size = 0;
  std::unique_ptr<unsigned char[]> log;
  bool read = false;
  if (QueryFileSize(logPath, size) && size > 0) {
    ScopedFile file(CreateFileA(logPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    log.reset(new (std::nothrow) unsigned char[size]);
    DWORD got = 0;
    read = file.valid() && log && ReadFile(file.get(), log.get(), size, &got, nullptr) && got == size;
  }
  if (!read) {
    ShowMessage("UNSETUP.CTL error, no uninstall info.");
    RegDeleteKeyA(uninstallKey, entryName);
    return;
  }
  Removal removal{uninstallKey, folder, mode};
  if (mode == RemovalMode::RemoveAll)
    for (const std::string &entry : KeepList)
      DeleteFileA((removal.folder + "\\" + entry).c_str());
  if (!WalkLogBackwards(log.get(), size, UndoRecord, &removal)) {
    ShowMessage("Error in UNSETUP.CTL file.");
    RegDeleteKeyA(uninstallKey, entryName);
    return;
  }
  if (removal.failures > 0)
    ShowMessage("Warning: some items were not removed.");
}

// An installed entry's folder and version, when both can be read.
bool ReadInstalledEntry(HKEY uninstallKey, const std::string &name, char *folder, char *version) {
  ScopedRegKey entry;
  if (RegOpenKeyExA(uninstallKey, name.c_str(), 0, KEY_READ, entry.receive()) != ERROR_SUCCESS)
    return false;
  return ReadValue(entry.get(), "Folder", folder, PathCapacity) &&
         ReadValue(entry.get(), "Version", version, TitleCapacity);
}

enum class SearchOutcome { NoneHere, Replaced, Declined };

// Looks for another version installed in ProductFolder and, if the user
// agrees, removes it.
SearchOutcome ReplaceVersionInThisFolder(HKEY uninstallKey) {
  char installedFolder[PathCapacity], installedVersion[TitleCapacity];
  for (int n = 1; n <= EntryNameCount; n++) {
    std::string name = EntryNameOf(n);
    if (!ReadInstalledEntry(uninstallKey, name, installedFolder, installedVersion) ||
        _stricmp(ProductFolder, installedFolder) != 0)
      continue;
    int order = _stricmp(ProductVersion, installedVersion);
    if (order == 0)
      continue;
    if (order > 0)
      snprintf(MessageBuffer, sizeof MessageBuffer,
               "Version %s already exists in that folder.\nDo you want to replace it with version %s?",
               installedVersion, ProductVersion);
    else
      snprintf(MessageBuffer, sizeof MessageBuffer, "%s",
               "The version you're trying to install is older than\nthe already installed version.  Do you want "
               "to\nuninstall the previous version first?\n(All player data & records will be lost.)");
    if (!AskYesNoCancel(MessageBuffer))
      return SearchOutcome::Declined;
    RemoveInstalledVersion(uninstallKey, installedFolder, order > 0 ? RemovalMode::KeepData : RemovalMode::RemoveAll,
                           name.c_str());
    return SearchOutcome::Replaced;
  }
  return SearchOutcome::NoneHere;
}

void RemoveEveryInstallation(HKEY uninstallKey) {
  char installedFolder[PathCapacity], installedVersion[TitleCapacity];
  for (int n = 1; n <= EntryNameCount; n++) {
    std::string name = EntryNameOf(n);
    if (ReadInstalledEntry(uninstallKey, name, installedFolder, installedVersion))
      RemoveInstalledVersion(uninstallKey, installedFolder, RemovalMode::RemoveAll, name.c_str());
  }
}

bool EntryExists(HKEY uninstallKey, const std::string &name) {
  ScopedRegKey entry;
  return RegOpenKeyExA(uninstallKey, name.c_str(), 0, KEY_READ, entry.receive()) == ERROR_SUCCESS;
}

bool SetValue(HKEY key, const char *value, const char *data, const char *message, const char *argument) {
  if (RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE *>(data),
                     static_cast<DWORD>(strlen(data) + 1)) == ERROR_SUCCESS)
    return true;
  snprintf(PathBuffer, sizeof PathBuffer, message, argument);
  ShowUncaptionedMessage(PathBuffer);
  return false;
}

} // namespace

bool RegisterProduct() {
  if ((GetVersion() & 0xFFFF) <= 3)
    return false;
  ScopedRegKey uninstallKey;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, uninstallKey.receive(), nullptr) != ERROR_SUCCESS)
    return false;

  switch (ReplaceVersionInThisFolder(uninstallKey.get())) {
  case SearchOutcome::Declined:
    return false;
  case SearchOutcome::NoneHere:
    RemoveEveryInstallation(uninstallKey.get());
    break;
  case SearchOutcome::Replaced:
    break;
  }

  // The first free name; when all are taken the last one is reused, opened
  // for reading only, so that writing it fails and is reported.
  std::string name;
  int n = 1;
  for (; n <= EntryNameCount; n++) {
    name = EntryNameOf(n);
    if (!EntryExists(uninstallKey.get(), name))
      break;
  }
  ScopedRegKey entry;
  LONG opened = n > EntryNameCount
                    ? RegOpenKeyExA(uninstallKey.get(), name.c_str(), 0, KEY_READ, entry.receive())
                    : RegCreateKeyExA(uninstallKey.get(), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_WRITE, nullptr, entry.receive(), nullptr);
  if (opened != ERROR_SUCCESS) {
    snprintf(PathBuffer, sizeof PathBuffer, "Error creating Registry key:\n%s", name.c_str());
    ShowUncaptionedMessage(PathBuffer);
    return false;
  }
  char uninstallString[PathCapacity + 16];
  snprintf(uninstallString, sizeof uninstallString, "%s\\unsetup.exe", ProductFolder);
  if (!SetValue(entry.get(), "DisplayName", name.c_str(), "Error writing app name Registry key:\n%s", name.c_str()) ||
      !SetValue(entry.get(), "UninstallString", uninstallString, "Error writing uninstall Registry key:\n%s",
                name.c_str()) ||
      !SetValue(entry.get(), "Folder", ProductFolder, "Error writing Folder Registry key:\n%s", ProductFolder) ||
      !SetValue(entry.get(), "Version", ProductVersion, "Error writing Version Registry key:\n%s", ProductVersion))
    return false;
  snprintf(TokenBuffer, sizeof TokenBuffer, "%s", name.c_str());
  return true;
}
