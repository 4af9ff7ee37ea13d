#include "script/product_install.h"

#include <cstdio>
#include <cstring>

#include "base/file_system.h"
#include "base/folder_chain.h"
#include "base/path_format.h"
#include "base/path_rules.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "base/user_interface.h"
#include "package/unpack.h"
#include "script/command_interpreter.h"
#include "script/product_registration.h"
#include "script/script_reader.h"

std::vector<std::string> KeepList;

namespace {

struct SharedPackage {
  const char *file, *folder;
};
const SharedPackage SharedPackages[] = {{"MUSIC.QPK", "Music"}, {"COMMONUI.QPK", "CommonUI"}};

// Unpacks a shared package into its folder under the install folder. A
// package that is absent, or whose folder cannot be made, is passed over in
// silence; the folders it made stay out of the log.
bool UnpackSharedPackage(const SharedPackage &shared) {
  size_t pendingBefore = PendingFolders().size();
  char packagePath[PathCapacity + 3];
  if (!FormatPath(packagePath, PathCapacity, "%s%s", SourceFolder, shared.file))
    return false;
  bool ok = true;
  if (QueryPathKind(packagePath) != PathKind::Missing &&
      FormatPath(TargetFolder, sizeof TargetFolder, "%s\\%s", InstallFolder, shared.folder) &&
      CreateFolderChain(TargetFolder)) {
    SetActivePackageKeyTable(SharedKeyTable);
    if (UnpackPackage(packagePath, sizeof packagePath, TargetFolder) != UnpackOk) {
      ShowFormattedMessage("Error unpacking %s", shared.file);
      ok = false;
    }
  }
  TruncatePendingFolders(pendingBefore);
  return ok;
}

// Reads "letter=operand" of the section head into `buffer`. A missing line
// is reported with `missingMessage` and the line excerpt.
bool ReadHeadLine(char letter, const char *missingMessage, char *buffer, size_t capacity) {
  if (!SkipBlanks() || PeekUpper() != letter) {
    ReadLineExcerpt();
    ShowFormattedMessage(missingMessage, TokenBuffer);
    return false;
  }
  return ExpectEquals() && ReadOperand(buffer, capacity);
}

bool ReadKeepEntries() {
  KeepList.clear();
  while (SkipBlanks() && PeekUpper() == 'K') {
    if (!ExpectEquals() || !ReadOperand(TokenBuffer, sizeof TokenBuffer))
      return false;
    KeepList.emplace_back(TokenBuffer);
  }
  return true;
}

bool OpenLogWithOpeningRecords(const char *entryName) {
  char logPath[PathCapacity];
  if (!FormatPath(logPath, sizeof logPath, "%s\\%s", ProductFolder, "unsetup.ctl"))
    return false;
  if (!OpenUninstallLog(logPath)) {
    ShowFormattedMessage("Error creating file:\n%s", logPath);
    return false;
  }
  WriteLogRecord('A', ProductTitle);
  WritePendingFolders();
  WriteLogRecord('D', logPath); // the log removes itself last but one
  WriteLogRecord('K', entryName);
  return true;
}

bool RunSectionCommands(const InstallHost &host) {
  while (SkipBlanks()) {
    int letter = PeekUpper();
    if (letter == 'L' || letter == 'S')
      break;
    if (!RunCommand(RunCarryOut, host))
      return false;
  }
  return true;
}

bool InstallSection(const InstallHost &host) {
  TruncatePendingFolders(0);
  if (!CreateFolderChain(InstallFolder)) {
    TruncatePendingFolders(0);
    return false;
  }
  for (const SharedPackage &shared : SharedPackages)
    if (!UnpackSharedPackage(shared))
      return false;

  if (!ReadOperand(ProductTitle, sizeof ProductTitle))
    return false;
  ShowProductInProgress(ProductTitle);
  if (!ReadHeadLine('V', "Expected VERSION specification in CTL file:\n%s", ProductVersion, sizeof ProductVersion) ||
      !ReadKeepEntries() ||
      !ReadHeadLine('F', "Expected FOLDER specification in CTL file:\n%s", TokenBuffer, sizeof TokenBuffer) ||
      !FormatPath(ProductFolder, sizeof ProductFolder, "%s\\%s", InstallFolder, TokenBuffer))
    return false;
  // The product folder lies below the install folder: everything the
  // section makes goes there, and its log and Uninstall entry name it. An
  // operand that names the install folder itself ("F=") would let the
  // section's paths, joined to it, lead beside it.
  if (ClimbsOutOfItsFolder(TokenBuffer) || NamesNoFolderBelow(TokenBuffer)) {
    ShowFormattedMessage("Path outside the install folder:\n%s", ProductFolder);
    return false;
  }

  // The entry's name is settled and earlier installations removed first;
  // the entry itself is written only once the product folder and the log
  // with all its opening records exist. A cut before that leaves a log with
  // no entry, which the next run removes as an unregistered install.
  std::string entryName;
  if (!PrepareProductEntry(host, entryName))
    return false;
  if (!CreateFolderChain(ProductFolder)) {
    TruncatePendingFolders(0);
    ShowFormattedMessage("Error creating folder:\n%s", ProductFolder);
    return false;
  }
  if (!OpenLogWithOpeningRecords(entryName.c_str()))
    return false;
  if (!WriteProductEntry(host, entryName.c_str())) {
    CloseUninstallLog();
    return false;
  }
  strcpy(TargetFolder, ProductFolder);
  bool completed = RunSectionCommands(host);
  CloseUninstallLog();
  host.completeEntryDetails(host.context, entryName.c_str(), ProductFolder);
  // Only an install that ran to the end of its section is marked so; any
  // other is replaced by the next install of its version, keeping the data.
  if (completed)
    host.markEntryFinished(host.context, entryName.c_str());
  return completed;
}

} // namespace

bool InstallProduct(const InstallHost &host) {
  ProductsRun++;
  bool completed = InstallSection(host);
  KeepList.clear();
  return completed;
}
