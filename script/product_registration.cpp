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

bool SetValue(const InstallHost &host, const char *value, const char *data, const char *message,
              const char *argument) {
  if (host.setEntryValue(host.context, value, data))
    return true;
  snprintf(PathBuffer, sizeof PathBuffer, message, argument);
  ShowUncaptionedMessage(PathBuffer);
  return false;
}

} // namespace

bool RegisterProduct(const InstallHost &host) {
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

  // The first free name; when all are taken the last one is reused, opened
  // for reading only, so that writing it fails and is reported.
  std::string name;
  int n = 1;
  for (; n <= EntryNameCount; n++) {
    name = EntryNameOf(n);
    if (!host.entryExists(host.context, name.c_str()))
      break;
  }
  if (!host.openEntry(host.context, name.c_str(), n <= EntryNameCount)) {
    snprintf(PathBuffer, sizeof PathBuffer, "Error creating Registry key:\n%s", name.c_str());
    ShowUncaptionedMessage(PathBuffer);
    return false;
  }
  char uninstallString[PathCapacity + 16];
  snprintf(uninstallString, sizeof uninstallString, "%s\\unsetup.exe", ProductFolder);
  if (!SetValue(host, "DisplayName", name.c_str(), "Error writing app name Registry key:\n%s", name.c_str()) ||
      !SetValue(host, "UninstallString", uninstallString, "Error writing uninstall Registry key:\n%s",
                name.c_str()) ||
      !SetValue(host, "Folder", ProductFolder, "Error writing Folder Registry key:\n%s", ProductFolder) ||
      !SetValue(host, "Version", ProductVersion, "Error writing Version Registry key:\n%s", ProductVersion))
    return false;
  host.writeEntryDetails(host.context, ProductFolder, ProductVersion);
  snprintf(TokenBuffer, sizeof TokenBuffer, "%s", name.c_str());
  return true;
}
