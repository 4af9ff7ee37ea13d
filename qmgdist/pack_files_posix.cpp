#include "qmgdist/pack_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "qmgdist/zip_writer.h"

namespace {

SourceEntry EntryOf(const struct stat &info) {
  SourceEntry entry;
  entry.kind = S_ISDIR(info.st_mode) ? SourceKind::Folder : S_ISREG(info.st_mode) ? SourceKind::File
                                                                                  : SourceKind::Other;
  entry.size = entry.kind == SourceKind::File ? static_cast<uint64_t>(info.st_size) : 0;
  entry.readOnly = (info.st_mode & S_IWUSR) == 0;
  struct tm local;
  DosTimeOf(localtime_r(&info.st_mtime, &local), entry.dosDate, entry.dosTime);
  entry.identity = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
  return entry;
}

} // namespace

std::string SourcePathFromArgument(const char *argument) { return argument; }

SourceEntry InspectSourcePath(const std::string &path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0)
    return SourceEntry();
  return EntryOf(info);
}

bool ListSourceFolder(const std::string &folder, std::vector<SourceEntry> &entries, std::string &report) {
  DIR *listing = opendir(folder.c_str());
  if (!listing) {
    report = folder + ": cannot read the folder: " + strerror(errno);
    return false;
  }
  std::vector<std::string> names;
  while (dirent *entry = readdir(listing))
    if (strcmp(entry->d_name, ".") && strcmp(entry->d_name, ".."))
      names.push_back(entry->d_name);
  closedir(listing);
  for (const std::string &name : names) {
    std::string path = folder + "/" + name;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
      report = path + ": cannot read: " + strerror(errno);
      return false;
    }
    entries.push_back(EntryOf(info));
    entries.back().name = name;
  }
  return true;
}

FILE *OpenSourceFile(const std::string &path) { return fopen(path.c_str(), "rb"); }

std::string LastSystemReason() { return strerror(errno); }

FILE *CreateFileBeside(const std::string &target, std::string &path, std::string &report) {
  path = target + ".part-XXXXXX";
  int descriptor = mkstemp(&path[0]);
  if (descriptor < 0) {
    report = target + ": cannot create a temporary file in its folder: " + strerror(errno);
    path.clear();
    return nullptr;
  }
  // The package gets the permissions a newly created file gets, not
  // mkstemp's 0600.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  FILE *file = fdopen(descriptor, "wb");
  if (!file) {
    report = path + ": cannot write: " + strerror(errno);
    close(descriptor);
    unlink(path.c_str());
    path.clear();
  }
  return file;
}

bool TruncateOpenFile(FILE *file, uint64_t size) {
  return fflush(file) == 0 && ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
}

bool ReplaceFileWith(const std::string &from, const std::string &to) { return rename(from.c_str(), to.c_str()) == 0; }

void RemoveFileQuietly(const std::string &path) { unlink(path.c_str()); }
