// The permissions of base/access_rules.h as Windows itself reads them, and
// the folders and program files made with them. Wine accepts a descriptor
// when a file is made but keeps none, so what the made objects carry cannot
// be read back here; the native test decodes the rules themselves.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/access_rules.h"
#include "base/file_system.h"
#include "base/setup_state.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

struct ReadAce {
  BYTE type, flags;
  DWORD mask;
  WELL_KNOWN_SID_TYPE who;
};

bool SidIs(PSID sid, WELL_KNOWN_SID_TYPE type) {
  BYTE known[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof known;
  return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

void ExpectReadAs(const char *sddl, const std::vector<ReadAce> &expected) {
  SCOPED_TRACE(sddl);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl);
  ASSERT_EQ(dacl->AceCount, expected.size());
  for (WORD i = 0; i < dacl->AceCount; i++) {
    ACCESS_ALLOWED_ACE *ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void **>(&ace)));
    EXPECT_EQ(ace->Header.AceType, expected[i].type) << i;
    EXPECT_EQ(ace->Header.AceFlags, expected[i].flags) << i;
    EXPECT_EQ(ace->Mask, expected[i].mask) << i;
    EXPECT_TRUE(SidIs(&ace->SidStart, expected[i].who)) << i;
  }
  LocalFree(descriptor);
}

const BYTE Allow = ACCESS_ALLOWED_ACE_TYPE, Inherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

TEST(AccessRulesOnWindows, WindowsReadsTheRulesAsWritten) {
  ExpectReadAs(OwnedFolderAccess, {{Allow, Inherited, FILE_ALL_ACCESS, WinBuiltinAdministratorsSid},
                                   {Allow, Inherited, FILE_ALL_ACCESS, WinLocalSystemSid},
                                   {Allow, 0, 0x1200af, WinBuiltinUsersSid},
                                   {Allow, Inherited | INHERIT_ONLY_ACE, 0x1301bf, WinBuiltinUsersSid}});
  ExpectReadAs(ProgramFileAccess, {{Allow, 0, FILE_ALL_ACCESS, WinBuiltinAdministratorsSid},
                                   {Allow, 0, FILE_ALL_ACCESS, WinLocalSystemSid},
                                   {Allow, 0, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, WinBuiltinUsersSid}});
}

TEST(AccessRulesOnWindows, OwnedFoldersAndProgramFilesAreMadeWithThem) {
  Win32ScratchFolder scratch("qmg-access-");
  snprintf(InstallFolder, sizeof InstallFolder, "%s", (scratch / "QMG").c_str());
  EXPECT_TRUE(MakeOwnedFolder(InstallFolder));
  EXPECT_TRUE(Win32ScratchFolder::IsFolder(InstallFolder));
  for (const char *name : {"unsetup.exe", "GAME.DLL", "notes.txt"}) {
    FILE *file = CreateNewOutputFile((std::string(InstallFolder) + "\\" + name).c_str(), false);
    ASSERT_NE(file, nullptr) << name;
    fputs("MZ", file);
    EXPECT_EQ(fclose(file), 0);
  }
  InstallFolder[0] = '\0';
}

} // namespace
