#include "qmgdist/private_folder.h"

#include <windows.h>

#include <cstdio>

namespace {

std::string SystemReason(DWORD error) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.'))
    length--;
  if (length == 0)
    return "error " + std::to_string(error);
  return std::string(text, length);
}

} // namespace

bool MakePrivateFolder(std::string &folder, std::string &report) {
  char temporary[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof temporary, temporary);
  if (length == 0 || length > MAX_PATH) {
    report = "cannot find the temporary folder: " + SystemReason(GetLastError());
    return false;
  }
  // CreateDirectoryA fails when the name exists, so a folder it makes is
  // new and ours; it inherits the temporary folder's per-user access.
  DWORD seed = GetCurrentProcessId() ^ GetTickCount();
  for (unsigned attempt = 0; attempt < 1000; attempt++) {
    char name[32];
    snprintf(name, sizeof name, "qmgdist-%08lx", static_cast<unsigned long>(seed + attempt * 7919u));
    std::string candidate = std::string(temporary) + name;
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      folder = candidate;
      return true;
    }
    DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      report = candidate + ": cannot make a private temporary folder: " + SystemReason(error);
      return false;
    }
  }
  report = std::string(temporary) + ": cannot make a private temporary folder: every name tried exists";
  return false;
}

void RemovePrivateFolder(const std::string &folder) { RemoveDirectoryA(folder.c_str()); }
