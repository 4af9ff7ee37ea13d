// Registration of a product under the Uninstall key, and the removal of
// earlier installations through their uninstall logs: the questions and the
// order of the registry work, on whatever platform the host stands for.
#include "script/product_registration.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/path_rules.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "base/user_interface.h"
#include "script/entry_name.h"
#include "script/product_install.h"
#include "script/removal_walk.h"

namespace {

std::string EntryNameOf(int n) { return EntryNameFor(ProductTitle, n); }

// The Uninstall key, open while a registration runs.
class OpenUninstallKey {
public:
  explicit OpenUninstallKey(const InstallHost &host) : host_(host), open_(host.openUninstallKey(host.context)) {}
  ~OpenUninstallKey() {
    if (open_)
      host_.closeUninstallKey(host_.context);
  }
  OpenUninstallKey(const OpenUninstallKey &) = delete;
  OpenUninstallKey &operator=(const OpenUninstallKey &) = delete;
  bool open() const { return open_; }

private:
  const InstallHost &host_;
  bool open_;
};

// Removes an installed version through its uninstall log. Reports its own
// trouble; the caller goes on either way.
void RemoveInstalledVersion(const InstallHost &host, const char *folder, RemovalMode mode, const char *entryName) {
  std::vector<unsigned char> log;
  if (!ReadUninstallLogOf(folder, log)) {
    ShowMessage("UNSETUP.CTL error, no uninstall info.");
    host.deleteEntry(host.context, entryName);
    return;
  }
  char programs[PathCapacity * 2];
  host.startMenu.programsFolder(host.startMenu.context, programs, sizeof programs);
  RemovalResult result = RemoveLoggedItems(log.data(), log.size(), RemovalScopeIn(folder, ProductTitle, programs),
                                           mode, KeepList, host.removalOperations(host.context));
  if (result.invalidRecord) {
    ShowMessage("Error in UNSETUP.CTL file.");
    host.deleteEntry(host.context, entryName);
    return;
  }
  if (result.failures > 0)
    ShowMessage("Warning: some items were not removed.");
}

enum class SearchOutcome { NoneHere, Replaced, Declined };

// Looks for another version installed in ProductFolder and, if the user
// agrees, removes it.
SearchOutcome ReplaceVersionInThisFolder(const InstallHost &host) {
  char installedFolder[PathCapacity], installedVersion[TitleCapacity];
  for (int n = 1; n <= EntryNameCount; n++) {
    std::string name = EntryNameOf(n);
    if (!host.readEntry(host.context, name.c_str(), installedFolder, installedVersion) ||
        !EqualIgnoringAsciiCase(ProductFolder, installedFolder))
      continue;
    int order = CompareIgnoringAsciiCase(ProductVersion, installedVersion);
    if (order == 0) {
      if (host.entryFinished(host.context, name.c_str()))
        continue;
      // An install of this version that was cut off before the end of its
      // section is no finished copy: it is replaced as by a newer version,
      // keeping the player's data, without a question.
      RemoveInstalledVersion(host, installedFolder, RemovalMode::KeepData, name.c_str());
      return SearchOutcome::Replaced;
    }
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
    RemoveInstalledVersion(host, installedFolder, order > 0 ? RemovalMode::KeepData : RemovalMode::RemoveAll,
                           name.c_str());
    return SearchOutcome::Replaced;
  }
  return SearchOutcome::NoneHere;
}

void RemoveEveryInstallation(const InstallHost &host) {
  char installedFolder[PathCapacity], installedVersion[TitleCapacity];
  for (int n = 1; n <= EntryNameCount; n++) {
    std::string name = EntryNameOf(n);
    if (host.readEntry(host.context, name.c_str(), installedFolder, installedVersion))
      RemoveInstalledVersion(host, installedFolder, RemovalMode::RemoveAll, name.c_str());
  }
}

// An install cut off before its entry was written leaves its log in the
// product folder with no entry naming it. A log there that names this
// product and outlived the removals above is such an install: what it
// lists is removed, the player's data kept, without a question.
void RemoveUnregisteredInstallation(const InstallHost &host) {
  std::vector<unsigned char> log;
  std::string title;
  if (!ReadUninstallLogOf(ProductFolder, log) || !ReadLogTitle(log.data(), log.size(), title) ||
      title != ProductTitle)
    return;
  char programs[PathCapacity * 2];
  host.startMenu.programsFolder(host.startMenu.context, programs, sizeof programs);
  RemovalResult result = RemoveLoggedItems(log.data(), log.size(), RemovalScopeIn(ProductFolder, ProductTitle, programs),
                                           RemovalMode::KeepData, KeepList, host.removalOperations(host.context));
  if (result.invalidRecord)
    ShowMessage("Error in UNSETUP.CTL file.");
  else if (result.failures > 0)
    ShowMessage("Warning: some items were not removed.");
}

bool SetValue(const InstallHost &host, const char *value, const char *data, const char *message,
              const char *argument) {
  if (host.setEntryValue(host.context, value, data))
    return true;
  snprintf(PathBuffer, sizeof PathBuffer, message, argument);
  ShowUncaptionedMessage(PathBuffer);
  return false;
}

} // namespace

bool PrepareProductEntry(const InstallHost &host, std::string &entryName) {
  OpenUninstallKey uninstallKey(host);
  if (!uninstallKey.open())
    return false;

  switch (ReplaceVersionInThisFolder(host)) {
  case SearchOutcome::Declined:
    return false;
  case SearchOutcome::NoneHere:
    RemoveEveryInstallation(host);
    break;
  case SearchOutcome::Replaced:
    break;
  }
  RemoveUnregisteredInstallation(host);

  // The first free name. When all are taken, writing the last one would
  // fail: that is reported now, before anything is made.
  for (int n = 1; n <= EntryNameCount; n++) {
    entryName = EntryNameOf(n);
    if (!host.entryExists(host.context, entryName.c_str()))
      return true;
  }
  snprintf(PathBuffer, sizeof PathBuffer, "Error writing app name Registry key:\n%s", entryName.c_str());
  ShowUncaptionedMessage(PathBuffer);
  return false;
}

bool WriteProductEntry(const InstallHost &host, const char *entryName) {
  OpenUninstallKey uninstallKey(host);
  if (!uninstallKey.open())
    return false;
  if (!host.openEntry(host.context, entryName, true)) {
    snprintf(PathBuffer, sizeof PathBuffer, "Error creating Registry key:\n%s", entryName);
    ShowUncaptionedMessage(PathBuffer);
    return false;
  }
  char uninstallString[PathCapacity + 16];
  snprintf(uninstallString, sizeof uninstallString, "%s\\unsetup.exe", ProductFolder);
  if (!SetValue(host, "DisplayName", entryName, "Error writing app name Registry key:\n%s", entryName) ||
      !SetValue(host, "UninstallString", uninstallString, "Error writing uninstall Registry key:\n%s", entryName) ||
      !SetValue(host, "Folder", ProductFolder, "Error writing Folder Registry key:\n%s", ProductFolder) ||
      !SetValue(host, "Version", ProductVersion, "Error writing Version Registry key:\n%s", ProductVersion))
    return false;
  host.writeEntryDetails(host.context, ProductFolder, ProductVersion);
  return true;
}
