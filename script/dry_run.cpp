#include "script/dry_run.h"

#include <cstdio>
#include <map>

#include "base/dry_machine.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"

namespace {

const char FinishedValue[] = "InstallFinished";
std::string ProgramsFolder;
std::map<std::string, std::map<std::string, std::string>> Entries;
std::string OpenEntryName;
bool OpenEntryWritable = false;
std::vector<std::string> LogRecords;
std::vector<size_t> LogRecordMoments;

// Keeps the record, and its bytes in the log's file, so that a later run
// on the same machine reads the log back.
void KeepRecord(char kind, const char *text, void *) {
  LogRecords.push_back(std::string(1, kind) + text);
  LogRecordMoments.push_back(DryOperations().size());
  AppendDryFileBytes(UninstallLogPath(), LogRecords.back() + std::string(1, '\0'));
}

bool GetProgramsFolder(void *, char *folder, size_t capacity) {
  snprintf(folder, capacity, "%s", ProgramsFolder.size() < capacity ? ProgramsFolder.c_str() : "");
  return true;
}

ShellLinkOutcome SaveShellLink(void *, const char *linkPath, const char *programPath, const char *, const char *) {
  AddDryFile(linkPath);
  RecordDryOperation(std::string("link ") + linkPath + " > " + programPath);
  return ShellLinkOutcome::Saved;
}

bool OpenUninstall(void *) { return true; }
void CloseUninstall(void *) { OpenEntryName.clear(); }

bool ReadEntry(void *, const char *name, char *folder, char *version) {
  auto entry = Entries.find(name);
  if (entry == Entries.end() || !entry->second.count("Folder") || !entry->second.count("Version"))
    return false;
  snprintf(folder, PathCapacity, "%s", entry->second["Folder"].c_str());
  snprintf(version, TitleCapacity, "%s", entry->second["Version"].c_str());
  return true;
}

bool EntryExists(void *, const char *name) { return Entries.count(name) > 0; }

bool OpenEntry(void *, const char *name, bool create) {
  if (create && !Entries.count(name)) {
    Entries[name];
    RecordDryOperation(std::string("registry create ") + name);
  }
  OpenEntryName = name;
  OpenEntryWritable = create;
  return Entries.count(name) > 0;
}

bool SetEntryValue(void *, const char *value, const char *data) {
  if (!OpenEntryWritable || !Entries.count(OpenEntryName))
    return false;
  Entries[OpenEntryName][value] = data;
  RecordDryOperation("registry set " + OpenEntryName + " " + value + "=" + data);
  return true;
}

bool DeleteEntry(void *, const char *name) {
  if (!Entries.erase(name))
    return true; // not there: nothing to do
  RecordDryOperation(std::string("registry delete ") + name);
  return true;
}

DeleteOutcome DeleteLoggedFile(void *, const char *path, const char *, bool) {
  switch (DryPathKind(path)) {
  case 0:
    return DeleteOutcome::AlreadyGone;
  case 2:
    return DeleteOutcome::Failed;
  }
  RemoveDryPath(path);
  RecordDryOperation(std::string("delete ") + path);
  return DeleteOutcome::Deleted;
}

void RemoveEmptyFolder(void *, const char *path, const char *) {
  if (DryPathKind(path) != 2 || !DryFolderIsEmpty(path))
    return;
  RemoveDryPath(path);
  RecordDryOperation(std::string("remove folder ") + path);
}

bool CrossesLink(void *, const char *, size_t, bool) { return false; }

RemovalOperations Removal(void *) {
  return RemovalOperations{nullptr, DeleteLoggedFile, RemoveEmptyFolder, DeleteEntry, CrossesLink};
}

// The entry's display details are the list of installed programs' concern
// alone: nothing reads them back, and a dry run leaves them out.
void WriteDetails(void *, const char *, const char *) {}
void CompleteDetails(void *, const char *, const char *) {}

void MarkFinished(void *, const char *name) {
  if (!Entries.count(name))
    return;
  Entries[name][FinishedValue] = "1";
  RecordDryOperation(std::string("registry set ") + name + " " + FinishedValue + "=1");
}

bool EntryFinished(void *, const char *name) {
  auto entry = Entries.find(name);
  return entry != Entries.end() && entry->second.count(FinishedValue) > 0;
}

const InstallHost Host = {{nullptr, GetProgramsFolder, SaveShellLink},
                          nullptr,
                          OpenUninstall,
                          CloseUninstall,
                          ReadEntry,
                          EntryExists,
                          OpenEntry,
                          SetEntryValue,
                          DeleteEntry,
                          Removal,
                          WriteDetails,
                          CompleteDetails,
                          MarkFinished,
                          EntryFinished};

} // namespace

void StartDryRun(const std::string &programsFolder, const std::vector<DryEntry> &entries) {
  ResetDryMachine();
  ProgramsFolder = programsFolder;
  if (!programsFolder.empty())
    AddDryFolder(programsFolder);
  Entries.clear();
  for (const DryEntry &entry : entries) {
    std::map<std::string, std::string> &values = Entries[entry.name];
    if (!entry.folder.empty())
      values["Folder"] = entry.folder;
    if (!entry.version.empty())
      values["Version"] = entry.version;
    if (entry.finished)
      values[FinishedValue] = "1";
  }
  OpenEntryName.clear();
  LogRecords.clear();
  LogRecordMoments.clear();
  ObserveLogRecords(KeepRecord, nullptr);
}

const InstallHost &DryInstallHost() { return Host; }

const std::vector<std::string> &DryLogRecords() { return LogRecords; }

const std::vector<size_t> &DryLogRecordMoments() { return LogRecordMoments; }

std::vector<std::string> DryEntryNames() {
  std::vector<std::string> names;
  for (const auto &entry : Entries)
    names.push_back(entry.first);
  return names;
}
