#include "base/dry_machine.h"

#include <map>

namespace {

std::map<std::string, int> Paths; // by key: upper-cased, "\" only, no trailing separator
std::vector<std::string> Operations;
std::vector<bool> Answers;

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

} // namespace

void ResetDryMachine() {
  Paths.clear();
  Operations.clear();
  Answers.clear();
}

void AddDryFolder(const std::string &path) { Paths[KeyOf(path)] = 2; }
void AddDryFile(const std::string &path) { Paths[KeyOf(path)] = 1; }

int DryPathKind(const std::string &path) {
  std::string key = KeyOf(path);
  if (IsDriveRoot(key))
    return 2;
  auto found = Paths.find(key);
  return found == Paths.end() ? 0 : found->second;
}

bool DryFolderIsEmpty(const std::string &path) {
  std::string prefix = KeyOf(path);
  if (prefix.empty() || prefix.back() != '\\')
    prefix += '\\';
  auto next = Paths.lower_bound(prefix);
  return next == Paths.end() || next->first.compare(0, prefix.size(), prefix) != 0;
}

void RecordDryOperation(const std::string &line) { Operations.push_back(line); }
const std::vector<std::string> &DryOperations() { return Operations; }

void AnswerDryQuestionsWith(const std::vector<bool> &answers) { Answers = answers; }

bool NextDryAnswer() {
  if (Answers.empty())
    return false;
  bool yes = Answers.front();
  Answers.erase(Answers.begin());
  return yes;
}

void RemoveDryPath(const std::string &path) { Paths.erase(KeyOf(path)); }
