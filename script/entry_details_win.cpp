#include "script/entry_details_win.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/path_rules.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"

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

// What this run wrote since the last entry was completed.
struct KeptRecords {
  std::vector<std::string> files;               // D records in log order, each once
  std::set<std::string> seen;                   // upper-cased, for "each once"
  std::map<std::string, std::string> shortcuts; // upper-cased shortcut path: its program
};
KeptRecords Kept;

std::string Upper(std::string text) {
  for (char &c : text)
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return text;
}

void KeepRecord(char kind, const char *text, void *) {
  std::string normal;
  if ((kind != 'D' && kind != 'd') || !NormaliseFullPath(text, normal))
    return;
  if (Kept.seen.insert(Upper(normal)).second)
    Kept.files.push_back(normal);
}

// A path the details may look up: inside the product folder, and no device
// path ("\\.\", "\\?\"), which could name anything.
bool MayLookUp(const std::string &path, const char *productFolder) {
  bool device = path.size() > 3 && path[0] == '\\' && path[1] == '\\' && (path[2] == '.' || path[2] == '?');
  return !device && PathIsInside(path.c_str(), productFolder);
}

// The size of a file this run wrote, taken as ANSI and then, for a name
// with bytes of 0x80 and above, as UTF-8 (as the extraction writes those).
uint64_t WrittenFileSize(const std::string &path) {
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

} // namespace

void WriteEntryDetails(HKEY entry, const char *productFolder, const char *version) {
  SetText(entry, "Publisher", Publisher);
  SetText(entry, "DisplayVersion", version);
  SetText(entry, "InstallLocation", productFolder);
  SetText(entry, "DisplayIcon", std::string(productFolder) + "\\unsetup.exe");
  SetNumber(entry, "NoModify", 1);
  SetNumber(entry, "NoRepair", 1);
}

void KeepRecordsForEntryDetails() { ObserveLogRecords(KeepRecord, nullptr); }

void NoteShortcutProgram(const char *shortcut, const char *program) {
  std::string normal;
  if (NormaliseFullPath(shortcut, normal))
    Kept.shortcuts[Upper(normal)] = program;
}

void WriteEntryDetailsAfterCommands(const char *entryName, const char *productFolder) {
  KeptRecords kept;
  std::swap(kept, Kept);
  ScopedRegKey entry;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\" + entryName).c_str(), 0, KEY_SET_VALUE,
                    entry.receive()) != ERROR_SUCCESS)
    return;
  uint64_t bytes = 0;
  std::string icon;
  for (const std::string &path : kept.files) {
    if (MayLookUp(path, productFolder))
      bytes += WrittenFileSize(path);
    // The first shortcut names the product's main program; only a program
    // inside the product folder is shown as its icon.
    auto shortcut = kept.shortcuts.find(Upper(path));
    if (icon.empty() && shortcut != kept.shortcuts.end()) {
      std::string program;
      if (NormaliseFullPath(shortcut->second.c_str(), program) && MayLookUp(program, productFolder))
        icon = program;
    }
  }
  uint64_t kilobytes = (bytes + 1023) / 1024;
  SetNumber(entry.get(), "EstimatedSize", kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kilobytes));
  if (!icon.empty())
    SetText(entry.get(), "DisplayIcon", icon);
}
