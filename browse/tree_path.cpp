#include "browse/tree_path.h"

#include <cctype>
#include <cstring>

namespace {
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
} // namespace

bool NextPathComponent(const char *&cursor, char *component, size_t capacity) {
  const char *start = cursor;
  while (*cursor && !IsSeparator(*cursor))
    cursor++;
  size_t length = static_cast<size_t>(cursor - start);
  while (IsSeparator(*cursor))
    cursor++;

  bool drive = length > 0 && start[length - 1] == ':';
  if (capacity == 0)
    return false;
  if (length + (drive ? 1 : 0) >= capacity) {
    component[0] = '\0';
    return false;
  }
  memcpy(component, start, length);
  if (drive)
    component[length++] = '\\';
  component[length] = '\0';
  return true;
}

bool PrependPathItem(char *path, size_t capacity, const char *text) {
  size_t textLength = strlen(text);
  size_t pathLength = strlen(path);
  size_t between = textLength > 0 && text[textLength - 1] != '\\' ? 1 : 0;
  if (textLength + between + pathLength >= capacity)
    return false;
  memmove(path + textLength + between, path, pathLength + 1);
  memcpy(path, text, textLength);
  if (between)
    path[textLength] = '\\';
  return true;
}

void ProperCase(char *text) {
  for (const char *c = text; *c; c++)
    if (islower(static_cast<unsigned char>(*c)))
      return;
  for (char *c = text; *c; c++)
    *c = static_cast<char>(tolower(static_cast<unsigned char>(*c)));
  if (text[0])
    text[0] = static_cast<char>(toupper(static_cast<unsigned char>(text[0])));
}
