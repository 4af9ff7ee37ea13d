// Registration of a product under the Uninstall key, and the removal of
// earlier installations through their uninstall logs.
#include "script/product_registration.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/platform_version_win.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "base/user_interface.h"
#include "script/entry_details_win.h"
#include "script/entry_name.h"
#include "script/product_install.h"
#include "script/removal_walk.h"
#include "script/removal_win.h"

namespace {

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string EntryNameOf(int n) { return EntryNameFor(ProductTitle, n); }

// Reads a string value into `buffer`; the type is not checked, but the text
// always ends within the buffer.
bool ReadValue(HKEY key, const char *value, char *buffer, DWORD capacity) {
  DWORD size = capacity - 1;
  if (RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &size) != ERROR_SUCCESS)
    return false;
  buffer[size < capacity ? size : capacity - 1] = '\0';
  return true;
}

// Removes an installed version through its uninstall log. Reports its own
// trouble; the caller goes on either way.
void RemoveInstalledVersion(HKEY uninstallKey, const char *folder, RemovalMode mode, const char *entryName) {
  std::vector<unsigned char> log;
  if (!ReadUninstallLogOf(folder, log)) {
    ShowMessage("UNSETUP.CTL error, no uninstall info.");
    RegDeleteKeyA(uninstallKey, entryName);
    return;
  }
  RemovalResult result = RemoveLoggedItems(log.data(), log.size(), RemovalScopeOf(folder, ProductTitle), mode,
                                           KeepList, WindowsRemovalOperations(uninstallKey));
  if (result.invalidRecord) {
    ShowMessage("Error in UNSETUP.CTL file.");
    RegDeleteKeyA(uninstallKey, entryName);
    return;
  }
  if (result.failures > 0)
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
  if (!RegistryUsable())
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
  WriteEntryDetails(entry.get(), ProductFolder, ProductVersion);
  snprintf(TokenBuffer, sizeof TokenBuffer, "%s", name.c_str());
  return true;
}
