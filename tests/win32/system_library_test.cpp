// The DLL search of the programs: after RestrictDllSearchToSystemFolder a
// DLL named without a path is looked for in the system folder alone, and
// SystemDllProcedure takes its DLL from there. Wine loads its own builtin
// DLL for every name the programs use, wherever a planted copy lies, so
// the search itself is shown here with names Wine has no DLL of.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "base/system_library_win.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

// The planted DLL (tests/e2e/planted_dll.cpp) as the Windows path of its
// Linux build path, on drive Z:.
std::string PlantedDll() {
  std::string path = std::string("Z:") + QMG_PLANTED_DLL;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

TEST(SystemLibrary, AfterTheRestrictionNoDllIsLoadedFromAnotherFolder) {
  Win32ScratchFolder planted("qmg-planted-");
  for (const char *name : {"qmg-before.dll", "qmg-after.dll"})
    ASSERT_TRUE(CopyFileA(PlantedDll().c_str(), (planted / name).c_str(), FALSE)) << name;
  // A folder the search takes in, as it takes in the program's own.
  ASSERT_TRUE(SetDllDirectoryA(planted.path().c_str()));

  HMODULE before = LoadLibraryA("qmg-before.dll");
  EXPECT_NE(before, nullptr) << "the search found the planted DLL before the restriction";
  EXPECT_TRUE(Exists(planted / "qmg-before.dll.loaded"));
  if (before)
    FreeLibrary(before);

  RestrictDllSearchToSystemFolder();
  EXPECT_EQ(LoadLibraryA("qmg-after.dll"), nullptr);
  EXPECT_FALSE(Exists(planted / "qmg-after.dll.loaded"));
  SetDllDirectoryA(nullptr);
}

TEST(SystemLibrary, ProceduresComeFromTheSystemFolder) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  FARPROC create = SystemDllProcedure(L"comctl32.dll", "ImageList_Create");
  ASSERT_NE(create, nullptr);
  HMODULE module = nullptr;
  ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 reinterpret_cast<LPCWSTR>(reinterpret_cast<void *>(create)), &module));
  std::wstring path = ModulePath(module);
  EXPECT_EQ(CompareStringOrdinal(path.c_str(), static_cast<int>(wcslen(system)), system, -1, TRUE), CSTR_EQUAL);

  EXPECT_EQ(SystemDllProcedure(L"comctl32.dll", "NoSuchFunction"), nullptr);
  EXPECT_EQ(SystemDllProcedure(L"qmg-no-such.dll", "Anything"), nullptr);
}

} // namespace
