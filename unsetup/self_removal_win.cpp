#include "unsetup/self_removal_win.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

#include "base/final_path_win.h"

namespace {

const char FinishArgument[] = "/finish-removal";
const wchar_t FinishArgumentWide[] = L"/finish-removal";

// Closes what it holds at scope end unless released.
class HeldHandle {
public:
  explicit HeldHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~HeldHandle() {
    if (valid())
      CloseHandle(handle_);
  }
  HeldHandle(const HeldHandle &) = delete;
  HeldHandle &operator=(const HeldHandle &) = delete;
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

private:
  HANDLE handle_;
};

// Opened for deletion, inheritable, without following a link at the path's
// last component. A folder is opened sharing no delete access, so that it
// can be neither deleted nor renamed while the handle is open; the program
// file is opened for reading too, since the copy is read through it.
HANDLE OpenForDeletion(const std::string &path, bool folder) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (folder ? 0 : FILE_SHARE_DELETE);
  DWORD access = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | (folder ? 0 : FILE_READ_DATA);
  return CreateFileA(path.c_str(), access, share, &inherit, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0), nullptr);
}

// Writes the copy, a new file, from the program handle the uninstaller
// holds, never from the path: what the path names could have been swapped
// since. The handle must be on the program file in the product folder
// itself, reached through no link.
bool CopyFromHandle(HANDLE program, const std::string &programPath, const std::string &folder,
                    const std::string &copy) {
  std::wstring floor, rest;
  if (!SplitBelow(WidePathOf(programPath.c_str(), false), WidePathOf(folder.c_str(), false), floor, rest) || !LiesBelow(program, floor, rest))
    return false;
  HeldHandle out(CreateFileA(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER start = {};
  if (!out.valid() || !SetFilePointerEx(program, start, nullptr, FILE_BEGIN))
    return false;
  static char chunk[64 * 1024];
  for (;;) {
    DWORD got = 0, written = 0;
    if (!ReadFile(program, chunk, sizeof chunk, &got, nullptr))
      return false;
    if (got == 0)
      return true;
    if (!WriteFile(out.get(), chunk, got, &written, nullptr) || written != got)
      return false;
  }
}

bool AttributesOf(HANDLE handle, DWORD &attributes) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information))
    return false;
  attributes = information.dwFileAttributes;
  return true;
}

// A fresh folder of a new name in the temporary folder, with the temporary
// folder itself in `parent`.
bool MakeFreshTempFolder(std::string &parent, std::string &folder) {
  char temp[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp)
    return false;
  parent = temp;
  for (unsigned attempt = 0; attempt < 100; attempt++) {
    char name[64];
    snprintf(name, sizeof name, "qmg-unsetup-%08lx-%08lx-%u", static_cast<unsigned long>(GetCurrentProcessId()),
             static_cast<unsigned long>(GetTickCount()), attempt);
    folder = parent + name;
    if (CreateDirectoryA(folder.c_str(), nullptr))
      return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return false;
}

std::string HandleText(HANDLE handle) {
  char text[32];
  snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
  return text;
}

bool StartCopy(const std::string &copy, const std::string &workFolder, HANDLE process, HANDLE program, HANDLE folder) {
  std::string commandLine = "\"" + copy + "\" " + FinishArgument + " " + HandleText(process) + " " +
                            HandleText(program) + " " + HandleText(folder);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(copy.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, workFolder.c_str(), &startup,
                      &started))
    return false;
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

// Deletes what the handle names once it is closed; a read-only file loses
// that attribute first. A folder that is not empty stays.
void DeleteHeldObject(HANDLE handle) {
  if (!DeleteThroughHandle(handle) && ClearReadOnlyThroughHandle(handle))
    DeleteThroughHandle(handle);
}

bool ParseHandle(const wchar_t *text, HANDLE &handle) {
  wchar_t *end = nullptr;
  unsigned long long value = wcstoull(text, &end, 16);
  if (end == text || *end != L'\0' || value == 0)
    return false;
  handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
  return true;
}

// The copy's own file and folder go now if the system lets them, else at
// the next restart (file first, so that the folder is empty by then).
void RemoveOwnCopy() {
  char self[MAX_PATH + 1];
  DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self)
    return;
  std::string program(self, length);
  std::string folder = program.substr(0, program.find_last_of('\\'));
  if (!DeleteFileA(program.c_str()))
    MoveFileExA(program.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  if (!RemoveDirectoryA(folder.c_str()))
    MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace

bool StartSelfRemoval(const std::string &program, const std::string &folder) {
  std::string tempParent, tempFolder;
  if (!MakeFreshTempFolder(tempParent, tempFolder))
    return false;
  // A current folder inside the product folder would keep it open.
  SetCurrentDirectoryA(tempParent.c_str());
  std::string copy = tempFolder + "\\unsetup.exe";
  HeldHandle folderHandle(OpenForDeletion(folder, true));
  DWORD attributes = 0;
  bool started = folderHandle.valid() && AttributesOf(folderHandle.get(), attributes) &&
                 (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  HeldHandle programHandle(started ? OpenForDeletion(program, false) : INVALID_HANDLE_VALUE);
  started = started && programHandle.valid() && AttributesOf(programHandle.get(), attributes) &&
            !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  HANDLE process = nullptr;
  started = started && DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &process,
                                       SYNCHRONIZE, TRUE, 0);
  HeldHandle processHandle(process);
  started = started && CopyFromHandle(programHandle.get(), program, folder, copy) &&
            StartCopy(copy, tempParent, process, programHandle.get(), folderHandle.get());
  if (!started) {
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(tempFolder.c_str());
  }
  return started;
}

bool FinishSelfRemovalIfAsked() {
  int count = 0;
  wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments)
    return false;
  HANDLE process = nullptr, program = nullptr, folder = nullptr;
  bool asked = count == 5 && wcscmp(arguments[1], FinishArgumentWide) == 0;
  bool parsed = asked && ParseHandle(arguments[2], process) && ParseHandle(arguments[3], program) &&
                ParseHandle(arguments[4], folder);
  LocalFree(arguments);
  if (!asked)
    return false;
  if (parsed && WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0) {
    DeleteHeldObject(program);
    CloseHandle(program);
    DeleteHeldObject(folder);
    CloseHandle(folder);
  }
  RemoveOwnCopy();
  return true;
}
