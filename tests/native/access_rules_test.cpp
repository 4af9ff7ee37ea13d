// The permissions SETUP.EXE gives what it makes, decoded from their SDDL
// text by a reader of its own (Wine keeps no DACLs, so this is where they
// are checked): who may do what, on the folder itself and on what lies
// inside it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/access_rules.h"

namespace {

struct Ace {
  std::string type, flags, sid;
  uint32_t rights = 0;
};

struct Dacl {
  bool protectedFromAbove = false;
  std::vector<Ace> aces;
};

// Reads "D:P(A;OICI;FA;;;BA)...": the DACL part of SDDL, with the rights
// written as FA (file all access) or as a hexadecimal number.
Dacl Decode(const std::string &text) {
  Dacl dacl;
  EXPECT_EQ(text.compare(0, 2, "D:"), 0) << text;
  size_t at = 2;
  if (text.compare(at, 1, "P") == 0) {
    dacl.protectedFromAbove = true;
    at++;
  }
  while (at < text.size()) {
    EXPECT_EQ(text[at], '(') << text.substr(at);
    size_t end = text.find(')', at);
    if (text[at] != '(' || end == std::string::npos)
      break;
    std::vector<std::string> fields;
    std::string inside = text.substr(at + 1, end - at - 1);
    for (size_t from = 0;;) {
      size_t semicolon = inside.find(';', from);
      fields.push_back(inside.substr(from, semicolon - from));
      if (semicolon == std::string::npos)
        break;
      from = semicolon + 1;
    }
    EXPECT_EQ(fields.size(), 6u) << inside;
    if (fields.size() == 6) {
      Ace ace;
      ace.type = fields[0];
      ace.flags = fields[1];
      ace.sid = fields[5];
      ace.rights = fields[2] == "FA" ? 0x1F01FF : static_cast<uint32_t>(strtoul(fields[2].c_str(), nullptr, 16));
      EXPECT_TRUE(fields[3].empty() && fields[4].empty()) << inside;
      dacl.aces.push_back(ace);
    }
    at = end + 1;
  }
  return dacl;
}

enum Object { Itself, Inside };

bool Has(const std::string &flags, const char *flag) {
  for (size_t i = 0; i + 1 < flags.size() + 1; i += 2)
    if (flags.compare(i, 2, flag) == 0)
      return true;
  return false;
}

// Whether `principal` holds every bit of `right` on the object: allow ACEs
// only, so the rights of those that apply add up.
bool Allowed(const Dacl &dacl, const std::string &principal, Object object, uint32_t right) {
  uint32_t granted = 0;
  for (const Ace &ace : dacl.aces) {
    EXPECT_EQ(ace.type, "A");
    bool applies = object == Itself ? !Has(ace.flags, "IO") : Has(ace.flags, "OI") || Has(ace.flags, "CI");
    if (ace.sid == principal && applies)
      granted |= ace.rights;
  }
  return (granted & right) == right;
}

// Rights by their Windows names.
const uint32_t ListOrRead = 0x1, AddFileOrWrite = 0x2, AddFolderOrAppend = 0x4, TraverseOrExecute = 0x20,
               DeleteChild = 0x40, WriteAttributes = 0x100, Delete = 0x10000, ReadPermissions = 0x20000,
               ChangePermissions = 0x40000, TakeOwnership = 0x80000;

struct Expectation {
  const char *principal;
  Object object;
  const char *rightName;
  uint32_t right;
  bool allowed;
};

TEST(AccessRules, FoldersTheInstallationOwns) {
  Dacl dacl = Decode(OwnedFolderAccess);
  EXPECT_TRUE(dacl.protectedFromAbove) << "nothing inherited from the drive's root";
  const Expectation table[] = {
      {"BA", Itself, "full control", 0x1F01FF, true},
      {"BA", Inside, "full control", 0x1F01FF, true},
      {"SY", Itself, "full control", 0x1F01FF, true},
      {"SY", Inside, "full control", 0x1F01FF, true},
      {"BU", Itself, "list", ListOrRead, true},
      {"BU", Itself, "traverse", TraverseOrExecute, true},
      {"BU", Itself, "read permissions", ReadPermissions, true},
      {"BU", Itself, "add a file", AddFileOrWrite, true},
      {"BU", Itself, "add a folder", AddFolderOrAppend, true},
      {"BU", Itself, "delete (rename) the folder", Delete, false},
      {"BU", Itself, "delete what is inside", DeleteChild, false},
      {"BU", Itself, "change attributes", WriteAttributes, false},
      {"BU", Itself, "change permissions", ChangePermissions, false},
      {"BU", Itself, "take ownership", TakeOwnership, false},
      {"BU", Inside, "read", ListOrRead, true},
      {"BU", Inside, "write", AddFileOrWrite | AddFolderOrAppend, true},
      {"BU", Inside, "delete", Delete, true},
      {"BU", Inside, "change permissions", ChangePermissions, false},
      {"BU", Inside, "take ownership", TakeOwnership, false},
      {"WD", Itself, "list", ListOrRead, false}, // Everyone: nothing of its own
      {"AU", Inside, "write", AddFileOrWrite, false},
  };
  for (const Expectation &e : table)
    EXPECT_EQ(Allowed(dacl, e.principal, e.object, e.right), e.allowed)
        << e.principal << (e.object == Itself ? " on the folder: " : " inside: ") << e.rightName;
}

TEST(AccessRules, ProgramFiles) {
  Dacl dacl = Decode(ProgramFileAccess);
  EXPECT_TRUE(dacl.protectedFromAbove) << "no Modify inherited from the folder";
  const Expectation table[] = {
      {"BA", Itself, "full control", 0x1F01FF, true},
      {"SY", Itself, "full control", 0x1F01FF, true},
      {"BU", Itself, "read and execute", ListOrRead | TraverseOrExecute | ReadPermissions, true},
      {"BU", Itself, "write", AddFileOrWrite, false},
      {"BU", Itself, "append", AddFolderOrAppend, false},
      {"BU", Itself, "delete or rename", Delete, false},
      {"BU", Itself, "change attributes", WriteAttributes, false},
      {"BU", Itself, "change permissions", ChangePermissions, false},
      {"BU", Itself, "take ownership", TakeOwnership, false},
  };
  for (const Expectation &e : table)
    EXPECT_EQ(Allowed(dacl, e.principal, e.object, e.right), e.allowed) << e.principal << ": " << e.rightName;
  for (const Ace &ace : dacl.aces)
    EXPECT_EQ(ace.flags, "") << "a file passes nothing on";
}

TEST(AccessRules, ProgramFilesAreKnownByTheirExtension) {
  struct Case {
    const char *path;
    bool program;
  } cases[] = {
      {"C:\\QMG\\REED\\unsetup.exe", true}, {"C:\\QMG\\REED\\REED.EXE", true}, {"C:\\QMG\\REED\\zlib.Dll", true},
      {"C:\\QMG\\REED/data/tool.exe", true}, {"C:\\QMG\\REED\\unsetup.ctl", false},
      {"C:\\QMG\\REED\\exe", false},        {"C:\\QMG\\REED\\.exe", false},      {"C:\\QMG\\REED\\a.exe.txt", false},
      {".exe", false},                      {"", false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(IsProgramFile(c.path), c.program) << c.path;
}

} // namespace
