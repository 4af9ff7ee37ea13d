// A DLL that someone could plant beside an elevated program: when any
// process loads it, it leaves an empty file named after itself with
// ".loaded" added ("C:\dist\version.dll.loaded"), so that a test sees the
// load whatever the DLL was loaded as.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH)
    return TRUE;
  wchar_t marker[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return TRUE;
  lstrcpyW(marker + length, L".loaded");
  HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
  return TRUE;
}
