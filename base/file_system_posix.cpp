// POSIX file operations for the native build. Windows-only notions become
// what a Linux file system can show: read-only is the owner's write bit,
// hidden and system have no equivalent, and every volume takes long names.
#include "base/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "base/setup_state.h"

namespace {

bool IsRealFolder(const std::string &path) {
  struct stat info;
  return lstat(path.empty() ? "/" : path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Splits `path` into the install folder without its trailing separator
// ("" for "/") and the rest, which starts with a separator. False when no
// install folder is set or `path` does not lie strictly inside it.
bool SplitAtInstallFolder(const std::string &path, std::string &floor, std::string &rest) {
  floor = InstallFolder;
  while (!floor.empty() && floor.back() == '/')
    floor.pop_back();
  if (!InstallFolder[0] || path.size() <= floor.size() + 1 || path[floor.size()] != '/' || path.compare(0, floor.size(), floor) != 0)
    return false;
  rest = path.substr(floor.size());
  return true;
}

// The check of file_system.h; the final path of an open descriptor is
// read from /proc where the system has it.
bool LiesWhereMeant(const std::string &path, int descriptor) {
  std::string floor, rest;
  if (!SplitAtInstallFolder(path, floor, rest))
    return true;
  if (!IsRealFolder(floor))
    return false;
  for (size_t i = 1; i < rest.size(); i++)
    if (rest[i] == '/' && !IsRealFolder(floor + rest.substr(0, i)))
      return false;
  char link[64], final[PATH_MAX + 1], floorFinal[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
  ssize_t length = readlink(link, final, PATH_MAX);
  if (length < 0)
    return true;
  final[length] = '\0';
  if (!realpath(floor.empty() ? "/" : floor.c_str(), floorFinal))
    return false;
  std::string expected = floorFinal;
  if (expected == "/")
    expected.clear();
  return expected + rest == final;
}

} // namespace

const char PathSeparator = '/';

PathKind QueryPathKind(const char *path) {
  struct stat info;
  if (stat(path, &info) != 0)
    return PathKind::Missing;
  return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

EntryKind QueryEntryKind(const char *path) {
  struct stat info;
  if (lstat(path, &info) != 0)
    return EntryKind::Missing;
  if (S_ISLNK(info.st_mode))
    return EntryKind::Link;
  return S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::File;
}

bool MakeFolder(const char *path) { return mkdir(path, 0777) == 0; }

bool MakeOwnedFolder(const char *path) { return MakeFolder(path); }

void NotifyFolderMade(const char *) {}

bool FolderLiesWhereMeant(const char *path) {
  std::string floor, rest, folder = path;
  // Above the install folder, links are the administrator's own.
  if (!SplitAtInstallFolder(folder, floor, rest)) {
    while (folder.size() > 1 && folder.back() == '/')
      folder.pop_back();
    return !InstallFolder[0] || folder != floor || IsRealFolder(floor);
  }
  int descriptor = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0)
    return false;
  bool meant = LiesWhereMeant(path, descriptor);
  close(descriptor);
  return meant;
}

FILE *CreateOutputFile(const char *path) {
  return RemoveFileForReplacement(path, false) ? CreateNewOutputFile(path, false) : nullptr;
}

FILE *CreateNewOutputFile(const char *path, bool) {
  // O_EXCL with O_CREAT never follows a link, dangling or not.
  int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (descriptor < 0)
    return nullptr;
  if (!LiesWhereMeant(path, descriptor)) {
    unlink(path);
    close(descriptor);
    return nullptr;
  }
  FILE *file = fdopen(descriptor, "wb");
  if (!file)
    close(descriptor);
  return file;
}

bool RemoveFileForReplacement(const char *path, bool) {
  struct stat info;
  if (lstat(path, &info) != 0)
    return true;
  if (S_ISDIR(info.st_mode))
    return false;
  // A link is removed as it is; only a real file's own mode is changed.
  if (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0)
    chmod(path, 0600);
  return unlink(path) == 0;
}

void CopyFileReplacing(const char *source, const char *destination) {
  FILE *in = fopen(source, "rb");
  if (!in)
    return;
  FILE *out = CreateOutputFile(destination);
  bool copied = out != nullptr;
  char chunk[65536];
  size_t got;
  while (copied && (got = fread(chunk, 1, sizeof chunk, in)) > 0)
    copied = fwrite(chunk, 1, got, out) == got;
  copied = copied && !ferror(in) && fflush(out) == 0;
  struct stat info;
  if (copied && fstat(fileno(in), &info) == 0) {
    struct timespec times[2] = {info.st_atim, info.st_mtim};
    futimens(fileno(out), times);
  }
  fclose(in);
  if (out)
    fclose(out);
  if (out && !copied)
    RemoveFileForReplacement(destination, false);
}

void DeleteFileQuietly(const char *path) { unlink(path); }

bool AnsiToUtf8(const char *ansi, char *utf8, size_t capacity) {
  size_t length = strlen(ansi);
  if (length >= capacity)
    return false;
  memcpy(utf8, ansi, length + 1);
  return true;
}

void RestoreTimeAndAttributes(const char *path, bool, uint16_t dosDate, uint16_t dosTime,
                              bool setAttributes, uint8_t attributes) {
  struct tm local = {};
  local.tm_year = ((dosDate >> 9) & 0x7F) + 80;
  local.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
  local.tm_mday = dosDate & 0x1F;
  local.tm_hour = (dosTime >> 11) & 0x1F;
  local.tm_min = (dosTime >> 5) & 0x3F;
  local.tm_sec = (dosTime & 0x1F) * 2;
  local.tm_isdst = -1;
  bool valid = local.tm_mon >= 0 && local.tm_mon < 12 && local.tm_mday >= 1 && local.tm_hour < 24 &&
               local.tm_min < 60 && local.tm_sec < 60;
  time_t when = valid ? mktime(&local) : static_cast<time_t>(-1);
  int descriptor = open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0)
    return;
  if (when != static_cast<time_t>(-1)) {
    struct timespec times[2] = {{when, 0}, {when, 0}};
    futimens(descriptor, times);
  }
  if (setAttributes && (attributes & 0x01))
    fchmod(descriptor, 0444);
  close(descriptor);
}

void SetFolderAttributes(const char *, uint8_t) {}

unsigned VolumeMaxComponentLength(const char *) { return 255; }

void ConvertOemToAnsi(char *) {}
