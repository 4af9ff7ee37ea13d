#include "unsetup/uninstall_run_win.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "base/path_rules.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "base/user_interface.h"
#include "script/removal_walk.h"
#include "script/removal_win.h"
#include "base/uninstall_log.h"
#include "unsetup/self_removal_win.h"
#include "unsetup/uninstall_prompts.h"

namespace {

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char NoUninstallInfo[] = "UNSETUP.CTL error, no uninstall info.";
const char BadLog[] = "Error in UNSETUP.CTL file.";

// The removal walk's platform operations as the uninstaller gives them: the
// installer's own, with three differences. The program file is left for the
// copy that removes it after the end; an entry is deleted only when its
// "Folder" value names this folder, so that a log naming another product's
// entry removes only its own files; and the shell hears of every folder and
// shortcut that went.
struct Uninstaller {
  RemovalOperations platform;
  HKEY uninstallKey;
  std::string program; // normalised, like the paths the walk passes
  std::string folder;
  std::string group;
  bool programListed = false;
};

bool Exists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

DeleteOutcome DeleteFileOp(void *context, const char *path, const char *folder, bool utf8) {
  Uninstaller &self = *static_cast<Uninstaller *>(context);
  if (!utf8 && EqualIgnoringAsciiCase(path, self.program)) {
    self.programListed = true;
    return DeleteOutcome::Deleted;
  }
  DeleteOutcome outcome = self.platform.deleteFile(self.platform.context, path, folder, utf8);
  if (outcome == DeleteOutcome::Deleted && !utf8 && !self.group.empty() &&
      PathIsDirectlyInside(path, self.group.c_str()))
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHA, path, nullptr);
  return outcome;
}

void RemoveEmptyFolderOp(void *context, const char *path, const char *folder) {
  Uninstaller &self = *static_cast<Uninstaller *>(context);
  bool existed = Exists(path);
  self.platform.removeEmptyFolder(self.platform.context, path, folder);
  if (existed && !Exists(path))
    SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHA, path, nullptr);
}

// True when the entry is not there (nothing to delete) or names `folder`.
bool EntryNamesFolderOrIsGone(HKEY uninstallKey, const char *name, const std::string &folder) {
  ScopedRegKey entry;
  LONG opened = RegOpenKeyExA(uninstallKey, name, 0, KEY_READ, entry.receive());
  if (opened == ERROR_FILE_NOT_FOUND)
    return true;
  if (opened != ERROR_SUCCESS)
    return false;
  char value[PathCapacity];
  DWORD size = sizeof value - 1;
  if (RegQueryValueExA(entry.get(), "Folder", nullptr, nullptr, reinterpret_cast<BYTE *>(value), &size) !=
      ERROR_SUCCESS)
    return false;
  value[size < sizeof value ? size : sizeof value - 1] = '\0';
  std::string normal;
  return NormaliseFullPath(value, normal) && EqualIgnoringAsciiCase(normal, folder);
}

bool DeleteEntryOp(void *context, const char *name) {
  Uninstaller &self = *static_cast<Uninstaller *>(context);
  return EntryNamesFolderOrIsGone(self.uninstallKey, name, self.folder) &&
         self.platform.deleteEntry(self.platform.context, name);
}

bool CrossesLinkOp(void *context, const char *path, size_t from, bool utf8) {
  Uninstaller &self = *static_cast<Uninstaller *>(context);
  return self.platform.crossesLink(self.platform.context, path, from, utf8);
}

// This program's full path, in its long form, as the log names it.
bool OwnProgramPath(std::string &program) {
  char path[PathCapacity], longPath[PathCapacity];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path)
    return false;
  DWORD longLength = GetLongPathNameA(path, longPath, sizeof longPath);
  return NormaliseFullPath(longLength > 0 && longLength < sizeof longPath ? longPath : path, program) &&
         program.find('\\') != std::string::npos;
}

// True when the folder holds anything besides `program` (when that is still
// to go).
bool HoldsOtherFiles(const std::string &folder, const std::string &program, bool programToGo) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  std::string programName = program.substr(program.find_last_of('\\') + 1);
  bool others = false;
  do {
    std::string name = entry.cFileName;
    if (name != "." && name != ".." && !(programToGo && EqualIgnoringAsciiCase(name, programName)))
      others = true;
  } while (!others && FindNextFileA(search, &entry));
  FindClose(search);
  return others;
}

void RemoveEmptyGroupFolder(const std::string &group) {
  if (!group.empty() && RemoveDirectoryA(group.c_str()))
    SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHA, group.c_str(), nullptr);
}

} // namespace

int RunUninstall() {
  std::string program;
  std::vector<unsigned char> log;
  if (!OwnProgramPath(program)) {
    ShowMessage(NoUninstallInfo);
    return 1;
  }
  std::string folder = program.substr(0, program.find_last_of('\\'));
  if (!ReadUninstallLogOf(folder.c_str(), log)) {
    ShowMessage(NoUninstallInfo);
    return 1;
  }
  std::string title;
  if (!ReadLogTitle(log.data(), log.size(), title)) {
    ShowMessage(BadLog);
    return 1;
  }
  if (!AskYesNo(("Do you want to remove " + title + "?").c_str()))
    return 1;

  ScopedRegKey uninstallKey;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_ALL_ACCESS, uninstallKey.receive());
  RemovalScope scope = RemovalScopeOf(folder.c_str(), title.c_str());
  Uninstaller self{WindowsRemovalOperations(uninstallKey.get()), uninstallKey.get(), program, folder,
                   scope.startMenuGroup};
  RemovalOperations operations{&self, DeleteFileOp, RemoveEmptyFolderOp, DeleteEntryOp, CrossesLinkOp};
  RemovalResult result = RemoveLoggedItems(log.data(), log.size(), scope, RemovalMode::RemoveAll, {}, operations);
  if (result.invalidRecord) {
    ShowMessage(BadLog);
    return 2;
  }
  // The installer records the group folder in the log of the product that
  // made it; a product whose shortcuts went into a group that was already
  // there may not list it. It must not outlive the last game in it.
  RemoveEmptyGroupFolder(scope.startMenuGroup);

  unsigned failures = result.failures;
  bool kept = HoldsOtherFiles(folder, program, self.programListed);
  if (self.programListed && !StartSelfRemoval(program, folder))
    failures++;
  if (failures > 0) {
    ShowMessage("Warning: some items were not removed.");
    return 2;
  }
  std::string text = title + " has been removed.";
  if (kept)
    text += "\nFiles that Setup did not install are kept in " + folder + ".";
  ShowMessage(text.c_str());
  return 0;
}
