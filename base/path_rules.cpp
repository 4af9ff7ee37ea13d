#include "base/path_rules.h"

#include <cstring>
#include <vector>

void SourceFolderFromModulePath(const char *modulePath, char *folder, size_t capacity) {
  if (capacity < 2) {
    if (capacity)
      folder[0] = '\0';
    return;
  }
  size_t length = strlen(modulePath);
  size_t kept = 0;
  for (size_t i = length; i > 0; i--) {
    char c = modulePath[i - 1];
    if (c == '\\' || c == ':') {
      kept = i;
      break;
    }
  }
  // Leave room for the backslash that may be appended and the terminator.
  if (kept > capacity - 2)
    kept = capacity - 2;
  memcpy(folder, modulePath, kept);
  if (kept == 0 || folder[kept - 1] != '\\')
    folder[kept++] = '\\';
  folder[kept] = '\0';
}

void DropTrailingSeparator(char *path, char separator) {
  size_t length = strlen(path);
  if (length < 2 || path[length - 1] != separator)
    return;
  bool atRoot = path[length - 2] == ':' || (length == 2 && path[0] == separator);
  if (!atRoot)
    path[length - 1] = '\0';
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A name Windows would take as written: no characters it forbids or
// rewrites, not "." or "..", not ending in "." or a blank.
bool IsPlainName(const std::string &name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ')
    return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || strchr("<>:\"|?*\\/", c))
      return false;
  return true;
}

// A full path split into its root ("C:" or "\\server\share", upper-cased
// drive letter) and its names.
struct SplitPath {
  std::string root;
  std::vector<std::string> names;
};

bool Split(const char *path, SplitPath &split) {
  split = SplitPath();
  const char *p = path;
  if (IsAsciiLetter(p[0]) && p[1] == ':' && IsSeparator(p[2])) {
    split.root = std::string(1, static_cast<char>(p[0] & ~0x20)) + ":";
    p += 3;
  } else if (IsSeparator(p[0]) && IsSeparator(p[1])) {
    // A share: the server and share names are plain names, which also keeps
    // out the device forms "\\?\" and "\\.\".
    p += 2;
    std::string part[2];
    for (std::string &name : part) {
      while (*p && !IsSeparator(*p))
        name += *p++;
      if (!IsPlainName(name))
        return false;
      if (*p)
        p++;
    }
    split.root = "\\\\" + part[0] + "\\" + part[1];
  } else {
    return false;
  }
  while (*p) {
    if (IsSeparator(*p)) {
      p++;
      continue;
    }
    std::string name;
    while (*p && !IsSeparator(*p))
      name += *p++;
    if (!IsPlainName(name))
      return false;
    split.names.push_back(name);
  }
  return true;
}

// How many names `path` has below `folder`, or -1 when it does not lie at or
// below it.
long DepthBelow(const char *path, const char *folder) {
  SplitPath p, f;
  if (!Split(path, p) || !Split(folder, f) || !EqualIgnoringAsciiCase(p.root, f.root) ||
      p.names.size() < f.names.size())
    return -1;
  for (size_t i = 0; i < f.names.size(); i++)
    if (!EqualIgnoringAsciiCase(p.names[i], f.names[i]))
      return -1;
  return static_cast<long>(p.names.size() - f.names.size());
}

} // namespace

bool EqualIgnoringAsciiCase(const std::string &a, const std::string &b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); i++) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z')
      x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z')
      y = static_cast<char>(y - 'a' + 'A');
    if (x != y)
      return false;
  }
  return true;
}

bool NormaliseFullPath(const char *path, std::string &normal) {
  SplitPath split;
  if (!Split(path, split))
    return false;
  normal = split.root;
  for (const std::string &name : split.names)
    normal += "\\" + name;
  if (split.names.empty())
    normal += "\\";
  return true;
}

bool PathIsInside(const char *path, const char *folder) { return DepthBelow(path, folder) > 0; }

bool PathIsDirectlyInside(const char *path, const char *folder) { return DepthBelow(path, folder) == 1; }

bool PathIsFolderOrAbove(const char *path, const char *folder) { return DepthBelow(folder, path) >= 0; }

int CompareIgnoringAsciiCase(const char *a, const char *b) {
  for (;; a++, b++) {
    int x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z')
      x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z')
      y += 'a' - 'A';
    if (x != y || x == 0)
      return x - y;
  }
}

bool NamesNoFolderBelow(const char *relative) {
  for (const char *c = relative; *c; c++)
    if (*c != '\\' && *c != '/' && *c != ' ')
      return false;
  return true;
}

bool ClimbsOutOfItsFolder(const char *relative) {
  bool onlyDotsAndBlanks = true, anyDot = false;
  for (const char *c = relative;; c++) {
    if (*c == '\0' || *c == '\\' || *c == '/') {
      if (onlyDotsAndBlanks && anyDot)
        return true;
      if (*c == '\0')
        return false;
      onlyDotsAndBlanks = true;
      anyDot = false;
    } else if (*c == '.') {
      anyDot = true;
    } else if (*c != ' ') {
      onlyDotsAndBlanks = false;
    }
  }
}
