#include "unsetup/log_head.h"

#include <cstring>

bool ReadLogTitle(const unsigned char *log, size_t size, std::string &title) {
  title.clear();
  if (size == 0 || log[size - 1] != '\0' || (log[0] != 'A' && log[0] != 'a'))
    return false;
  title = reinterpret_cast<const char *>(log + 1); // the NUL at the end bounds it
  return true;
}
