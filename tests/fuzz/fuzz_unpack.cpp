// Unpacks arbitrary bytes as a package (under the all-zero key) into a
// scratch folder and stops the run if anything is made outside the
// destination: every "F" and "D" record must name a path inside it with no
// component that acts as "." or "..", and the folders around it must hold
// nothing new. The scratch folder lies on tmpfs (/dev/shm) when there is
// one: the run is then bound by the extraction, not by the disk.
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
  struct stat info;
  bool tmpfs = stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK) == 0;
  char pattern[64];
  snprintf(pattern, sizeof pattern, "%s/qmg-fuzz-unpack-XXXXXX", tmpfs ? "/dev/shm" : "/tmp");
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
  // Below the destination no component may be only dots and blanks, which
  // Windows would take as "." or "..".
  size_t start = Destination.size() + 1;
  while (start < path.size()) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string::npos)
      end = path.size();
    std::string component = path.substr(start, end - start);
    if (!component.empty() && component.find_first_not_of(". ") == std::string::npos)
      __builtin_trap();
    start = end + 1;
  }
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
  UnpackPackage(path, sizeof path, Destination.c_str());
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
