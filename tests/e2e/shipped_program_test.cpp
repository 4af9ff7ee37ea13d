// The programs as they go into a distribution: stripped of their debug
// information, carrying their version information, and SETUP.EXE and
// unsetup.exe a manifest that asks for administrator rights.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

struct Program {
  const char *name;
  const char *path;
  const char *description;
  const char *executionLevel;
};

const Program Programs[] = {
    {"Setup", QMG_SETUP_EXE, "Quillmarsh Games setup", "requireAdministrator"},
    {"Qmgdist", QMG_QMGDIST_EXE, "Quillmarsh Games distribution tool", "asInvoker"},
    {"Unsetup", QMG_UNSETUP_EXE, "Quillmarsh Games uninstaller", "requireAdministrator"},
    {"QmgdistCheck", QMG_QMGDIST_CHECK_EXE, "Quillmarsh Games distribution checker", "asInvoker"},
};

std::string VersionString(const std::vector<char> &info, const char *name) {
  std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
  void *value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), query.c_str(), &value, &length) || length == 0)
    return "(missing)";
  return static_cast<const char *>(value);
}

std::string ManifestOf(const char *path) {
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module)
    return "";
  std::string text;
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    HGLOBAL loaded = LoadResource(module, found);
    text.assign(static_cast<const char *>(LockResource(loaded)), SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

class ShippedProgram : public testing::TestWithParam<Program> {};

TEST_P(ShippedProgram, CarriesVersionInformation) {
  const Program &program = GetParam();
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(program.path, &ignored);
  ASSERT_NE(size, 0u) << program.path << " has no version information";
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(program.path, 0, size, info.data()));
  EXPECT_EQ(VersionString(info, "CompanyName"), "Quillmarsh Games");
  EXPECT_EQ(VersionString(info, "ProductName"), "Quillmarsh Games");
  EXPECT_EQ(VersionString(info, "FileDescription"), program.description);
  EXPECT_EQ(VersionString(info, "ProductVersion"), QMG_VERSION);

  VS_FIXEDFILEINFO *fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
  std::string numbers = std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
                        std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
                        std::to_string(HIWORD(fixed->dwProductVersionLS));
  EXPECT_EQ(numbers, QMG_VERSION);
}

TEST_P(ShippedProgram, AsksForItsExecutionLevel) {
  std::string manifest = ManifestOf(GetParam().path);
  ASSERT_FALSE(manifest.empty()) << GetParam().path << " has no application manifest";
  EXPECT_NE(manifest.find(std::string("level=\"") + GetParam().executionLevel + "\""), std::string::npos)
      << manifest;
  // Windows 10 and 11 by their compatibility id.
  EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << manifest;
}

// A stripped program has no COFF symbols and no .debug sections; its debug
// information lies beside it, named by the .gnu_debuglink section.
TEST_P(ShippedProgram, IsStripped) {
  std::string bytes = e2e::ReadFileBytes(GetParam().path);
  ASSERT_GT(bytes.size(), 0x40u);
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(bytes.data());
  ASSERT_LT(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS), bytes.size());
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(bytes.data() + dos->e_lfanew);
  EXPECT_EQ(nt->FileHeader.NumberOfSymbols, 0u);
  // Section names longer than 8 characters are "/offset" into the string
  // table, which follows the (empty) symbol table.
  size_t strings = nt->FileHeader.PointerToSymbolTable;
  const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
  std::vector<std::string> names;
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    std::string name(reinterpret_cast<const char *>(section->Name),
                     strnlen(reinterpret_cast<const char *>(section->Name), 8));
    if (name[0] == '/' && strings != 0) {
      size_t at = strings + std::stoul(name.substr(1));
      ASSERT_LT(at, bytes.size()) << name;
      name = bytes.c_str() + at;
    }
    names.push_back(name);
    EXPECT_NE(name.rfind(".debug", 0), 0u) << "debug section " << name << " in " << GetParam().path;
  }
  EXPECT_NE(std::find(names.begin(), names.end(), ".gnu_debuglink"), names.end());
  EXPECT_NE(GetFileAttributesA((std::string(GetParam().path) + ".debug").c_str()), INVALID_FILE_ATTRIBUTES)
      << "no debug information beside " << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Programs, ShippedProgram, testing::ValuesIn(Programs),
                         [](const testing::TestParamInfo<Program> &info) {
                           return std::string(info.param.name);
                         });

} // namespace
