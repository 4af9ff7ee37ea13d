#include "base/path_format.h"

#include <cstdio>

#include "base/user_interface.h"

bool JoinPath(char *out, size_t capacity, const char *format, const char *first, const char *second) {
  int length = snprintf(out, capacity, format, first, second);
  return length >= 0 && static_cast<size_t>(length) < capacity;
}

bool FormatPath(char *out, size_t capacity, const char *format, const char *first, const char *second) {
  if (JoinPath(out, capacity, format, first, second))
    return true;
  ShowFormattedMessage("Path too long:\n%s", out);
  return false;
}
