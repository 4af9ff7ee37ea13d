#include "script/install_host_win.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "base/platform_version_win.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "script/entry_details_win.h"
#include "script/removal_win.h"
#include "shell/shortcut_win.h"

namespace {

const char UninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The key open during one registration, and the entry whose values are
// being written. One installation runs at a time, on one thread.
ScopedRegKey UninstallKey;
ScopedRegKey Entry;

bool OpenUninstall(void *) {
  if (!RegistryUsable())
    return false;
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                         nullptr, UninstallKey.receive(), nullptr) == ERROR_SUCCESS;
}

void CloseUninstall(void *) {
  Entry.reset();
  UninstallKey.reset();
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

bool ReadEntry(void *, const char *name, char *folder, char *version) {
  ScopedRegKey entry;
  if (RegOpenKeyExA(UninstallKey.get(), name, 0, KEY_READ, entry.receive()) != ERROR_SUCCESS)
    return false;
  return ReadValue(entry.get(), "Folder", folder, PathCapacity) &&
         ReadValue(entry.get(), "Version", version, TitleCapacity);
}

bool EntryExists(void *, const char *name) {
  ScopedRegKey entry;
  return RegOpenKeyExA(UninstallKey.get(), name, 0, KEY_READ, entry.receive()) == ERROR_SUCCESS;
}

bool OpenEntry(void *, const char *name, bool create) {
  Entry.reset();
  LONG opened = create ? RegCreateKeyExA(UninstallKey.get(), name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                         nullptr, Entry.receive(), nullptr)
                       : RegOpenKeyExA(UninstallKey.get(), name, 0, KEY_READ, Entry.receive());
  return opened == ERROR_SUCCESS;
}

bool SetEntryValue(void *, const char *value, const char *data) {
  return RegSetValueExA(Entry.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE *>(data),
                        static_cast<DWORD>(strlen(data) + 1)) == ERROR_SUCCESS;
}

bool DeleteEntry(void *, const char *name) { return RegDeleteKeyA(UninstallKey.get(), name) == ERROR_SUCCESS; }

RemovalOperations Removal(void *) { return WindowsRemovalOperations(UninstallKey.get()); }

void WriteDetails(void *, const char *productFolder, const char *version) {
  WriteEntryDetails(Entry.get(), productFolder, version);
}

void CompleteDetails(void *, const char *entryName, const char *productFolder) {
  WriteEntryDetailsAfterCommands(entryName, productFolder);
}

// A value of its own, so that the four values read back stay as they are.
const char FinishedValue[] = "InstallFinished";

void MarkFinished(void *, const char *name) {
  ScopedRegKey entry;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(UninstallKeyPath) + "\\" + name).c_str(), 0, KEY_SET_VALUE,
                    entry.receive()) != ERROR_SUCCESS)
    return;
  DWORD finished = 1;
  RegSetValueExA(entry.get(), FinishedValue, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&finished),
                 sizeof finished);
}

bool EntryFinished(void *, const char *name) {
  ScopedRegKey entry;
  return RegOpenKeyExA(UninstallKey.get(), name, 0, KEY_READ, entry.receive()) == ERROR_SUCCESS &&
         RegQueryValueExA(entry.get(), FinishedValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The shell's Start Menu, noting the program of each shortcut made for the
// entry's icon.
ShellLinkOutcome SaveNotedShellLink(void *context, const char *linkPath, const char *programPath,
                                    const char *workingFolder, const char *description) {
  ShellLinkOutcome outcome =
      WindowsStartMenu().saveShellLink(context, linkPath, programPath, workingFolder, description);
  if (outcome == ShellLinkOutcome::Saved)
    NoteShortcutProgram(linkPath, programPath);
  return outcome;
}

StartMenuHost StartMenu() {
  StartMenuHost host = WindowsStartMenu();
  host.saveShellLink = SaveNotedShellLink;
  return host;
}

} // namespace

const InstallHost &WindowsInstallHost() {
  static const InstallHost host = {StartMenu(),  nullptr,         OpenUninstall, CloseUninstall, ReadEntry,
                                   EntryExists,  OpenEntry,       SetEntryValue, DeleteEntry,    Removal,
                                   WriteDetails, CompleteDetails, MarkFinished,  EntryFinished};
  static const bool keeping = (KeepRecordsForEntryDetails(), true);
  (void)keeping;
  return host;
}
