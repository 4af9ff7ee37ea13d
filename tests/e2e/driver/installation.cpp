#include "installation.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "setup_driver.h"
#include "tests/support/log_records.h"

namespace setup_driver {

namespace {

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

std::vector<std::string> ReadUninstallLog(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return LogRecordsOf(bytes.str());
}

std::string UninstallValue(const std::string &entry, const char *name) {
  char data[1024] = "";
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\" + entry).c_str(), name, RRF_RT_REG_SZ,
                   nullptr, data, &size) != ERROR_SUCCESS)
    return "(none)";
  return data;
}

std::string UninstallNumber(const std::string &entry, const char *name) {
  DWORD data = 0, size = sizeof data;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\" + entry).c_str(), name, RRF_RT_REG_DWORD,
                   nullptr, &data, &size) != ERROR_SUCCESS)
    return "(none)";
  return std::to_string(data);
}

bool WaitForUninstallerRemoval(const std::string &program, DWORD timeout) {
  const std::string folder = program.substr(0, program.find_last_of('\\'));
  auto settled = [&folder] {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
      return !Exists(folder);
    FindClose(search);
    return true;
  };
  const DWORD started = GetTickCount();
  while (Exists(program) || !settled()) {
    if (GetTickCount() - started >= timeout)
      return !Exists(program);
    Sleep(50);
  }
  return true;
}

void ListTree(const std::string &folder, std::set<std::string> &found) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..")
      continue;
    std::string path = folder + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      found.insert(path + "\\");
      ListTree(path, found);
    } else {
      found.insert(path);
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}

void PrintTree(const std::string &folder, const char *indent) {
  std::set<std::string> found;
  ListTree(folder, found);
  for (const std::string &path : found)
    printf("%s%s\n", indent, path.c_str());
}

std::string ProgramsGroup() {
  char programs[MAX_PATH] = "";
  DWORD size = sizeof programs;
  RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
               "Common Programs", RRF_RT_REG_SZ, nullptr, programs, &size);
  return std::string(programs) + "\\Quillmarsh Games";
}

bool ReadShortcut(const std::string &path, Shortcut &shortcut) {
  IShellLinkA *link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void **>(&link))))
    return false;
  IPersistFile *file = nullptr;
  bool read = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
    std::wstring wide = Widen(path);
    if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
      char text[MAX_PATH] = "";
      link->GetPath(text, MAX_PATH, nullptr, 0);
      shortcut.target = text;
      link->GetWorkingDirectory(text, MAX_PATH);
      shortcut.folder = text;
      link->GetDescription(text, MAX_PATH);
      shortcut.description = text;
      read = true;
    }
    file->Release();
  }
  link->Release();
  return read;
}

bool PrintInstallation(const std::string &installFolder) {
  CoInitialize(nullptr);
  bool complete = true;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((installFolder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    printf("nothing installed in %s\n", installFolder.c_str());
    return false;
  }
  do {
    std::string folder = installFolder + "\\" + entry.cFileName;
    std::vector<std::string> log = ReadUninstallLog(folder + "\\unsetup.ctl");
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || log.empty())
      continue;
    printf("product: %s in %s\n", log[0].substr(1).c_str(), folder.c_str());
    unsigned files = 0, folders = 0;
    for (size_t i = 1; i < log.size(); i++) {
      std::string path = log[i].substr(1);
      switch (log[i][0]) {
      case 'K':
        printf("  registry: HKLM\\%s\\%s\n", UninstallKey, path.c_str());
        for (const char *name : {"DisplayName", "UninstallString", "Folder", "Version", "Publisher", "DisplayVersion",
                                 "InstallLocation", "DisplayIcon"})
          printf("    %s = %s\n", name, UninstallValue(path, name).c_str());
        for (const char *name : {"NoModify", "NoRepair", "EstimatedSize", "InstallFinished"})
          printf("    %s = %s\n", name, UninstallNumber(path, name).c_str());
        break;
      case 'F':
      case 'D': {
        bool present = Exists(path);
        complete = complete && present;
        (log[i][0] == 'F' ? folders : files)++;
        bool shortcut = path.size() > 4 && path.compare(path.size() - 4, 4, ".lnk") == 0;
        Shortcut link;
        if (shortcut && ReadShortcut(path, link))
          printf("  shortcut: %s -> %s (in %s)\n", path.c_str(), link.target.c_str(), link.folder.c_str());
        else
          printf("  %s: %s%s\n", log[i][0] == 'F' ? "folder" : "file", path.c_str(), present ? "" : "  (MISSING)");
        break;
      }
      }
    }
    printf("  %u files, %u folders in its uninstall log\n", files, folders);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return complete;
}

} // namespace setup_driver
