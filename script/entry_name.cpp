#include "script/entry_name.h"

#include <cstring>

#include "base/path_rules.h"

std::string EntryNameFor(const char *title, int n) {
  std::string name = std::string("QMG ") + title;
  if (n != 1)
    name += "_" + std::to_string(n);
  return name;
}

bool IsEntryNameOf(const char *name, const char *title) {
  if (strchr(name, '\\'))
    return false;
  std::string first = EntryNameFor(title, 1);
  size_t length = strlen(name);
  if (length < first.size() || !EqualIgnoringAsciiCase(std::string(name, first.size()), first))
    return false;
  const char *rest = name + first.size();
  if (*rest == '\0')
    return true;
  // "_n" with n from 2 to 98, written as EntryNameFor writes it.
  if (rest[0] != '_' || rest[1] < '1' || rest[1] > '9')
    return false;
  int n = 0;
  for (const char *p = rest + 1; *p; p++) {
    if (*p < '0' || *p > '9' || p - rest > 2)
      return false;
    n = n * 10 + (*p - '0');
  }
  return n >= 2 && n <= EntryNameCount;
}
