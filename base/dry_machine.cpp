#include "base/dry_machine.h"

#include <dirent.h>
#include <sys/stat.h>

#include <map>

#include "base/setup_state.h"

namespace {

// By key: upper-cased, "\" only, no trailing separator. 0 marks a path
// deleted by the run (hiding what the disk has there), 1 a file, 2 a folder.
std::map<std::string, int> Paths;
std::vector<std::pair<std::string, std::string>> DiskFolders; // key, path as given
std::vector<std::string> Operations;
std::vector<uint32_t> OperationCursors;
std::vector<DryMissingSource> MissingSources;
std::vector<bool> Answers;
std::map<std::string, std::string> Bytes; // by key
size_t CutAfter = 0;

std::string KeyOf(const std::string &path) {
  std::string key;
  for (char c : path) {
    if (c == '/')
      c = '\\';
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    key += c;
  }
  while (key.size() > 1 && key.back() == '\\' && key[key.size() - 2] != ':')
    key.pop_back();
  return key;
}

bool IsDriveRoot(const std::string &key) {
  return (key.size() == 2 || (key.size() == 3 && key[2] == '\\')) && key[1] == ':' && key[0] >= 'A' &&
         key[0] <= 'Z';
}

// The disk folder `key` lies in (or is), or null.
const std::pair<std::string, std::string> *DiskFolderOf(const std::string &key) {
  for (const auto &folder : DiskFolders)
    if (key == folder.first || key.compare(0, folder.first.size() + 1, folder.first + "\\") == 0)
      return &folder;
  return nullptr;
}

int KindOnDisk(const std::string &path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0)
    return 0;
  return S_ISDIR(info.st_mode) ? 2 : 1;
}

} // namespace

void ResetDryMachine() {
  Paths.clear();
  DiskFolders.clear();
  Operations.clear();
  OperationCursors.clear();
  MissingSources.clear();
  Answers.clear();
  Bytes.clear();
  CutAfter = 0;
}

void AddDryFolder(const std::string &path) { Paths[KeyOf(path)] = 2; }
void AddDryDiskFolder(const std::string &path) {
  std::string key = KeyOf(path);
  if (!key.empty() && key.back() == '\\')
    key.pop_back();
  DiskFolders.emplace_back(key, path);
}
void AddDryFile(const std::string &path) {
  Paths[KeyOf(path)] = 1;
  Bytes.erase(KeyOf(path));
}

int DryPathKind(const std::string &path) {
  std::string key = KeyOf(path);
  if (IsDriveRoot(key))
    return 2;
  auto found = Paths.find(key);
  if (found != Paths.end())
    return found->second;
  return DiskFolderOf(key) ? KindOnDisk(path) : 0;
}

bool DryFileIsOnDisk(const std::string &path) {
  std::string key = KeyOf(path);
  return !Paths.count(key) && DiskFolderOf(key) && KindOnDisk(path) == 1;
}

bool DryFolderIsEmpty(const std::string &path) {
  std::string prefix = KeyOf(path);
  if (prefix.empty() || prefix.back() != '\\')
    prefix += '\\';
  for (auto next = Paths.lower_bound(prefix); next != Paths.end() && next->first.compare(0, prefix.size(), prefix) == 0;
       ++next)
    if (next->second != 0)
      return false;
  if (!DiskFolderOf(KeyOf(path)) || Paths.count(KeyOf(path)))
    return true;
  // What the disk has there counts unless the run deleted it.
  DIR *folder = opendir(path.c_str());
  if (!folder)
    return true;
  bool empty = true;
  while (dirent *entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name != "." && name != ".." && !Paths.count(prefix + KeyOf(name))) {
      empty = false;
      break;
    }
  }
  closedir(folder);
  return empty;
}

void RecordDryOperation(const std::string &line) {
  Operations.push_back(line);
  OperationCursors.push_back(ScriptCursor);
  if (CutAfter != 0 && Operations.size() >= CutAfter) {
    CutAfter = 0;
    throw DryRunCut();
  }
}
const std::vector<std::string> &DryOperations() { return Operations; }
const std::vector<uint32_t> &DryOperationCursors() { return OperationCursors; }

void NoteDryMissingSource(const std::string &path) { MissingSources.push_back({path, ScriptCursor}); }
const std::vector<DryMissingSource> &DryMissingSources() { return MissingSources; }

void AnswerDryQuestionsWith(const std::vector<bool> &answers) { Answers = answers; }

bool NextDryAnswer() {
  if (Answers.empty())
    return false;
  bool yes = Answers.front();
  Answers.erase(Answers.begin());
  return yes;
}

void RemoveDryPath(const std::string &path) {
  Paths[KeyOf(path)] = 0;
  Bytes.erase(KeyOf(path));
}

void AppendDryFileBytes(const std::string &path, const std::string &bytes) { Bytes[KeyOf(path)] += bytes; }

bool DryFileBytes(const std::string &path, std::vector<unsigned char> &bytes) {
  auto found = Bytes.find(KeyOf(path));
  if (found == Bytes.end() || DryPathKind(path) != 1)
    return false;
  bytes.assign(found->second.begin(), found->second.end());
  return true;
}

std::vector<std::string> DryPaths() {
  std::vector<std::string> paths;
  for (const auto &path : Paths)
    if (path.second != 0)
      paths.push_back(path.first);
  return paths;
}

void CutDryRunAfter(size_t count) { CutAfter = count; }
