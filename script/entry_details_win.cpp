#include "script/entry_details_win.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/path_rules.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "script/removal_win.h"

namespace {

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char Publisher[] = "Quillmarsh Games";

void SetText(HKEY entry, const char *value, const std::string &data) {
  RegSetValueExA(entry, value, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
}

void SetNumber(HKEY entry, const char *value, DWORD data) {
  RegSetValueExA(entry, value, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&data), sizeof data);
}

struct LoggedFiles {
  std::vector<std::string> files; // in log order, each once
  std::set<std::string> seen;     // upper-cased, for "each once"
};

void CollectFile(const char *record, size_t length, void *context) {
  LoggedFiles &logged = *static_cast<LoggedFiles *>(context);
  std::string normal;
  if (length < 2 || (record[0] != 'D' && record[0] != 'd') ||
      !NormaliseFullPath(std::string(record + 1, length - 1).c_str(), normal))
    return;
  std::string key = normal;
  for (char &c : key)
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  if (logged.seen.insert(key).second)
    logged.files.push_back(normal);
}

// The size of a file named in the log, taken as ANSI and then, for a name
// with bytes of 0x80 and above, as UTF-8 (as the extraction writes those).
uint64_t LoggedFileSize(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  bool found = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != 0;
  if (!found) {
    wchar_t wide[1024];
    found = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, wide, 1024) > 0 &&
            GetFileAttributesExW(wide, GetFileExInfoStandard, &data) != 0;
  }
  if (!found || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool IsShortcut(const std::string &path) {
  return path.size() > 4 && EqualIgnoringAsciiCase(path.substr(path.size() - 4), ".lnk");
}

// The program a shortcut file starts, through the shell link object.
std::string ShortcutTarget(const std::string &shortcut) {
  std::string target;
  IShellLinkA *link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void **>(&link))))
    return target;
  IPersistFile *file = nullptr;
  wchar_t wide[MAX_PATH];
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))) &&
      MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH) > 0 &&
      SUCCEEDED(file->Load(wide, STGM_READ))) {
    char path[MAX_PATH];
    if (SUCCEEDED(link->GetPath(path, sizeof path, nullptr, 0)))
      target = path;
  }
  if (file)
    file->Release();
  link->Release();
  return target;
}

} // namespace

void WriteEntryDetails(HKEY entry, const char *productFolder, const char *version) {
  SetText(entry, "Publisher", Publisher);
  SetText(entry, "DisplayVersion", version);
  SetText(entry, "InstallLocation", productFolder);
  SetText(entry, "DisplayIcon", std::string(productFolder) + "\\unsetup.exe");
  SetNumber(entry, "NoModify", 1);
  SetNumber(entry, "NoRepair", 1);
}

void WriteEntryDetailsAfterCommands(const char *entryName, const char *productFolder) {
  std::vector<unsigned char> log;
  if (!ReadUninstallLogOf(productFolder, log))
    return;
  ScopedRegKey entry;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\" + entryName).c_str(), 0, KEY_SET_VALUE,
                    entry.receive()) != ERROR_SUCCESS)
    return;
  LoggedFiles logged;
  WalkLogInOrder(log.data(), log.size(), CollectFile, &logged);
  uint64_t bytes = 0;
  std::string icon;
  for (const std::string &path : logged.files) {
    bytes += LoggedFileSize(path);
    // The first shortcut names the product's main program; only a program
    // inside the product folder is shown as its icon.
    if (icon.empty() && IsShortcut(path)) {
      std::string target = ShortcutTarget(path);
      if (!target.empty() && PathIsInside(target.c_str(), productFolder))
        icon = target;
    }
  }
  uint64_t kilobytes = (bytes + 1023) / 1024;
  SetNumber(entry.get(), "EstimatedSize", kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kilobytes));
  if (!icon.empty())
    SetText(entry.get(), "DisplayIcon", icon);
}
