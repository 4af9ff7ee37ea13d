#include "base/system_library_win.h"

#include <string>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, spelt out for headers that predate it.
const DWORD SearchSystemFolder = 0x00000800;

} // namespace

void RestrictDllSearchToSystemFolder() {
  // Looked up rather than imported, so that the programs still start on
  // systems without the call.
  using SetDirectories = BOOL(WINAPI *)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto setDirectories =
      reinterpret_cast<SetDirectories>(reinterpret_cast<void *>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDirectories && setDirectories(SearchSystemFolder))
    return;
  SetDllDirectoryW(L"");
}

FARPROC SystemDllProcedure(const wchar_t *dll, const char *name) {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  std::wstring path = std::wstring(folder) + L"\\" + dll;
  // A full path is searched nowhere else; the flag keeps the DLLs it
  // imports in the system folder too.
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  return module ? GetProcAddress(module, name) : nullptr;
}
