// Start Menu shortcuts through the shell link object.
#include "shell/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>

#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "base/user_interface.h"
#include "base/folder_chain.h"
#include "base/path_format.h"
#include "base/uninstall_log.h"
#include "shell/programs_folder.h"

namespace {

enum : size_t { ShortcutPathCapacity = 1024 };

// Holds a COM interface pointer and releases it once.
template <typename Interface> class ScopedInterface {
public:
  ScopedInterface() = default;
  ~ScopedInterface() {
    if (pointer_)
      pointer_->Release();
  }
  ScopedInterface(const ScopedInterface &) = delete;
  ScopedInterface &operator=(const ScopedInterface &) = delete;
  Interface *operator->() const { return pointer_; }
  Interface *get() const { return pointer_; }
  void **receive() { return reinterpret_cast<void **>(&pointer_); }

private:
  Interface *pointer_ = nullptr;
};

// A title becomes a file name in the group folder; separators in it would
// place the shortcut somewhere else, so they become "_". Other characters
// stay as written.
void AppendFileTitle(char *path, size_t capacity, const char *title) {
  size_t length = strlen(path);
  for (; *title && length + 1 < capacity; title++)
    path[length++] = (*title == '\\' || *title == '/') ? '_' : *title;
  path[length] = '\0';
}

} // namespace

void InstallShortcut(const char *programPath, const char *title) {
  char shortcut[ShortcutPathCapacity];
  GetProgramsFolder(shortcut, sizeof shortcut);
  if (shortcut[0] == '\0') {
    snprintf(TokenBuffer, sizeof TokenBuffer, "Unable to install icons for %s.", ProductTitle);
    ShowMessage(TokenBuffer);
    return;
  }
  char group[ShortcutPathCapacity];
  if (!FormatPath(group, MAX_PATH, "%s%s", StartMenuGroupIn(shortcut).c_str(), "") || !CreateFolderChain(group))
    return;
  strcpy(shortcut, group);
  strcat(shortcut, "\\");
  AppendFileTitle(shortcut, sizeof shortcut, title);
  strncat(shortcut, ".lnk", sizeof shortcut - strlen(shortcut) - 1);
  wchar_t widePath[MAX_PATH];
  if (strlen(shortcut) >= MAX_PATH ||
      MultiByteToWideChar(CP_ACP, 0, shortcut, -1, widePath, MAX_PATH) == 0) {
    ShowFormattedMessage("Path too long:\n%s", shortcut);
    return;
  }

  ScopedInterface<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.receive())))
    return;
  link->SetPath(programPath);
  link->SetArguments("");
  link->SetWorkingDirectory(ProductFolder);
  link->SetDescription(title);
  ScopedInterface<IPersistFile> file;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.receive())))
    file->Save(widePath, TRUE);

  SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, shortcut, nullptr);
  WriteLogRecord('D', shortcut);
}
