#include "qmgdist/private_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool MakePrivateFolder(std::string &folder, std::string &report) {
  const char *temporary = getenv("TMPDIR");
  std::string pattern = std::string(temporary && *temporary ? temporary : "/tmp") + "/qmgdist-XXXXXX";
  // mkdtemp makes the folder with mode 0700, failing rather than reusing a
  // name that exists, link or not.
  if (!mkdtemp(&pattern[0])) {
    report = pattern + ": cannot make a private temporary folder: " + strerror(errno);
    return false;
  }
  folder = pattern;
  return true;
}

void RemovePrivateFolder(const std::string &folder) { rmdir(folder.c_str()); }
