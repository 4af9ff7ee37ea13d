#include "shell/shortcut_win.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "shell/programs_folder.h"

namespace {

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

bool ProgramsFolder(void *, char *folder, size_t capacity) { return GetProgramsFolder(folder, capacity); }

ShellLinkOutcome SaveShellLink(void *, const char *linkPath, const char *programPath, const char *workingFolder,
                               const char *description) {
  wchar_t widePath[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0)
    return ShellLinkOutcome::PathTooLong;
  ScopedInterface<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.receive())))
    return ShellLinkOutcome::NoLinkMaker;
  link->SetPath(programPath);
  link->SetArguments("");
  link->SetWorkingDirectory(workingFolder);
  link->SetDescription(description);
  ScopedInterface<IPersistFile> file;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.receive())))
    file->Save(widePath, TRUE);
  SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, linkPath, nullptr);
  return ShellLinkOutcome::Saved;
}

const StartMenuHost Windows = {nullptr, ProgramsFolder, SaveShellLink};

} // namespace

const StartMenuHost &WindowsStartMenu() { return Windows; }
