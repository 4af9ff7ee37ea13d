// The programs as they go into a distribution: stripped of their debug
// information, carrying their version information, importing only DLLs
// the system always takes from its own folder, and SETUP.EXE and
// unsetup.exe a manifest that asks for administrator rights.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
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

// The section data at a relative virtual address, as a file offset; 0 when
// no section holds it.
size_t FileOffsetOf(const IMAGE_NT_HEADERS *nt, DWORD address) {
  const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    if (address >= section->VirtualAddress && address < section->VirtualAddress + section->SizeOfRawData)
      return address - section->VirtualAddress + section->PointerToRawData;
  return 0;
}

std::string Upper(std::string text) {
  for (char &c : text)
    c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

// The DLLs named by the import and delay-import tables of a program file.
std::vector<std::string> ImportedDlls(const std::string &bytes) {
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(bytes.data());
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(bytes.data() + dos->e_lfanew);
  std::vector<std::string> names;
  auto nameAt = [&](DWORD address) {
    size_t at = FileOffsetOf(nt, address);
    names.push_back(at && at < bytes.size() ? Upper(bytes.c_str() + at) : "(name outside the file)");
  };
  const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (size_t at = imports.VirtualAddress ? FileOffsetOf(nt, imports.VirtualAddress) : 0)
    for (; at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= bytes.size(); at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      const auto *entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(bytes.data() + at);
      if (entry->Name == 0)
        break;
      nameAt(entry->Name);
    }
  const IMAGE_DATA_DIRECTORY &delayed = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
  if (size_t at = delayed.VirtualAddress ? FileOffsetOf(nt, delayed.VirtualAddress) : 0)
    for (; at + sizeof(IMAGE_DELAYLOAD_DESCRIPTOR) <= bytes.size(); at += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
      const auto *entry = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR *>(bytes.data() + at);
      if (entry->DllNameRVA == 0)
        break;
      nameAt(entry->DllNameRVA);
    }
  return names;
}

// Windows looks for an imported DLL beside the program first, unless the
// DLL is on its KnownDLLs list: then the system folder's copy is the only
// one ever used. The programs run elevated from folders other users may
// write, so they import nothing else; this is the part of that list
// (Windows 7 and later, 32- and 64-bit) they may use.
const std::set<std::string> KnownDlls = {"ADVAPI32.DLL", "GDI32.DLL", "KERNEL32.DLL", "MSVCRT.DLL",
                                         "OLE32.DLL",    "SHELL32.DLL", "USER32.DLL"};

TEST_P(ShippedProgram, ImportsOnlyKnownDlls) {
  std::string bytes = e2e::ReadFileBytes(GetParam().path);
  ASSERT_GT(bytes.size(), 0x40u);
  std::vector<std::string> dlls = ImportedDlls(bytes);
  EXPECT_FALSE(dlls.empty());
  for (const std::string &dll : dlls)
    EXPECT_EQ(KnownDlls.count(dll), 1u) << GetParam().path << " imports " << dll;
}

INSTANTIATE_TEST_SUITE_P(Programs, ShippedProgram, testing::ValuesIn(Programs),
                         [](const testing::TestParamInfo<Program> &info) {
                           return std::string(info.param.name);
                         });

} // namespace
