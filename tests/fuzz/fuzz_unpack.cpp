// Unpacks arbitrary bytes as a package (under the all-zero key) into a
// scratch folder and stops the run if anything is made outside the
// destination: every "F" and "D" record must name a path inside it, and the
// folders around it must hold nothing new.
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "package/unpack.h"
#include "base/uninstall_log.h"

namespace {

std::string Top, Inner, Destination, Archive, Log;

int RemoveEntry(const char *path, const struct stat *, int, struct FTW *) {
  chmod(path, 0700);
  return remove(path);
}

void RemoveTree(const std::string &path) { nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); }

size_t CountEntries(const std::string &folder) {
  size_t count = 0;
  if (DIR *dir = opendir(folder.c_str())) {
    while (dirent *entry = readdir(dir))
      count += strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0;
    closedir(dir);
  }
  return count;
}

void RemoveScratch() { RemoveTree(Top); }

void SetUpOnce() {
  if (!Top.empty())
    return;
  char pattern[] = "/tmp/qmg-fuzz-unpack-XXXXXX";
  if (!mkdtemp(pattern))
    abort();
  Top = pattern;
  atexit(RemoveScratch);
  Inner = Top + "/a";
  mkdir(Inner.c_str(), 0700);
  Destination = Inner + "/dest";
  Archive = Inner + "/in.QPK";
  Log = Top + "/unsetup.ctl";
}

bool InsideDestination(char, const char *text, void *) {
  std::string path = text;
  if (path != Destination && path.compare(0, Destination.size() + 1, Destination + "/") != 0)
    __builtin_trap();
  if (path.find("/../") != std::string::npos || path.find("/./") != std::string::npos)
    __builtin_trap();
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  SetUpOnce();
  FILE *file = fopen(Archive.c_str(), "wb");
  fwrite(data, 1, size, file);
  fclose(file);

  uint16_t zero[KeyTableWordCount] = {};
  SetActivePackageKeyTable(zero);
  OpenUninstallLog(Log.c_str());
  char path[512];
  snprintf(path, sizeof path, "%s", Archive.c_str());
  UnpackPackage(path, Destination.c_str());
  CloseUninstallLog();

  // "AFuzz" stands first so that the walk reaches every record.
  std::string log = std::string("AFuzz") + '\0';
  if (FILE *in = fopen(Log.c_str(), "rb")) {
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, in)) > 0)
      log.append(chunk, got);
    fclose(in);
  }
  WalkLogBackwards(reinterpret_cast<const unsigned char *>(log.data()), log.size(), InsideDestination, nullptr);

  // Top holds only "a" and the log; "a" only the archive and the destination
  // (and the ".pk" twin name is never made).
  if (CountEntries(Top) > 2 || CountEntries(Inner) > 2)
    __builtin_trap();
  RemoveTree(Destination);
  return 0;
}
