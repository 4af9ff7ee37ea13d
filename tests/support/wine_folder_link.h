// Symbolic links to folders for Win32 tests. Windows makes them with
// CreateSymbolicLinkW (given the right to). Wine 8 only claims to, and
// cannot set reparse points at all, but it shows a Unix symbolic link to a
// folder as a reparse point, as Windows shows a junction: there the link is
// made with ln, through Wine's own entry points. Wine removes what such a
// link points to when asked to remove the link, so it is taken away with rm.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wine_folder_link {

using UnixSpawn = int(__stdcall *)(char *const argv[], int wait);
using UnixFileName = char *(__cdecl *)(const wchar_t *dosName);

// Runs a Unix tool to its end with `words` and the Unix names of `paths`.
inline bool RunUnixTool(std::vector<std::string> words, const std::vector<std::string> &paths) {
  auto spawn = reinterpret_cast<UnixSpawn>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
  auto unixName = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!spawn || !unixName)
    return false;
  for (const std::string &path : paths) {
    std::wstring wide(path.begin(), path.end());
    char *name = unixName(wide.c_str());
    if (!name)
      return false;
    words.push_back(name);
    HeapFree(GetProcessHeap(), 0, name);
  }
  std::vector<char *> argv;
  for (std::string &word : words)
    argv.push_back(&word[0]);
  argv.push_back(nullptr);
  return spawn(argv.data(), 1) == 0;
}

inline bool IsLink(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Makes `link` a symbolic link to the folder `target`; false when neither
// way can.
inline bool Plant(const std::string &link, const std::string &target) {
  std::wstring wideLink(link.begin(), link.end()), wideTarget(target.begin(), target.end());
  if (CreateSymbolicLinkW(wideLink.c_str(), wideTarget.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && IsLink(link))
    return true;
  return RunUnixTool({"/bin/ln", "-s"}, {target, link}) && IsLink(link);
}

inline void Remove(const std::string &link) {
  if (!RunUnixTool({"/bin/rm", "-f"}, {link}))
    RemoveDirectoryA(link.c_str());
}

} // namespace wine_folder_link
