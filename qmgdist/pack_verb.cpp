// qmgdist pack: a package from a folder tree. The ZIP archive is written
// with libzip into a temporary file beside the package, then scrambled into
// the package in 64 KB pieces.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "qmgdist/package_verbs.h"

const char PackHelp[] =
    "  pack --key KEY FOLDER PACKAGE\n"
    "                  make a package from a folder tree: every file deflated, with\n"
    "                  its modification time and read-only attribute, every folder\n"
    "                  as an entry of its own, members in name order.\n";

namespace {

enum : uint8_t { DosReadOnly = 0x01, DosFolder = 0x10, DosArchive = 0x20 };

struct Member {
  std::string name; // relative, "/" between levels, "/" at the end of a folder
  std::string path; // on disk
  bool folder;
  uint16_t dosDate, dosTime;
  uint8_t attributes;
};

// DOS times count local time in 2-second steps from 1980 to 2107; times
// outside that range are clamped to its ends.
void DosTimeOf(time_t when, uint16_t &dosDate, uint16_t &dosTime) {
  struct tm local;
  if (!localtime_r(&when, &local) || local.tm_year < 80) {
    dosDate = (1 << 5) | 1;
    dosTime = 0;
    return;
  }
  if (local.tm_year > 207) {
    dosDate = static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
    dosTime = static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
    return;
  }
  dosDate = static_cast<uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  dosTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

// Gathers the members under `path` (named `prefix` in the package).
bool Gather(const std::string &path, const std::string &prefix, std::vector<Member> &members,
            std::string &report) {
  DIR *folder = opendir(path.c_str());
  if (!folder) {
    report = path + ": cannot read the folder: " + strerror(errno);
    return false;
  }
  std::vector<std::string> entries;
  while (dirent *entry = readdir(folder))
    if (strcmp(entry->d_name, ".") && strcmp(entry->d_name, ".."))
      entries.push_back(entry->d_name);
  closedir(folder);

  for (const std::string &entry : entries) {
    std::string entryPath = path + "/" + entry;
    struct stat info;
    if (lstat(entryPath.c_str(), &info) != 0) {
      report = entryPath + ": cannot read: " + strerror(errno);
      return false;
    }
    if (entry.find('\\') != std::string::npos) {
      report = entryPath + ": the name holds a backslash, which the installer takes as a folder separator";
      return false;
    }
    Member member;
    member.path = entryPath;
    member.folder = S_ISDIR(info.st_mode);
    member.name = prefix + entry + (member.folder ? "/" : "");
    DosTimeOf(info.st_mtime, member.dosDate, member.dosTime);
    if (member.folder) {
      member.attributes = DosFolder;
    } else if (S_ISREG(info.st_mode)) {
      member.attributes = DosArchive | ((info.st_mode & S_IWUSR) ? 0 : DosReadOnly);
    } else {
      fprintf(stderr, "qmgdist: %s: skipped: a package holds only files and folders\n", entryPath.c_str());
      continue;
    }
    members.push_back(member);
    if (member.folder && !Gather(entryPath, member.name, members, report))
      return false;
  }
  return true;
}

std::string LibzipFailure(const std::string &what, zip_t *archive) {
  return what + ": " + zip_strerror(archive);
}

bool AddMember(zip_t *archive, const Member &member, std::string &report) {
  zip_int64_t index;
  if (member.folder) {
    index = zip_dir_add(archive, member.name.c_str(), ZIP_FL_ENC_GUESS);
  } else {
    zip_source_t *source = zip_source_file(archive, member.path.c_str(), 0, -1);
    index = source ? zip_file_add(archive, member.name.c_str(), source, ZIP_FL_ENC_GUESS) : -1;
    if (source && index < 0)
      zip_source_free(source);
    if (index >= 0 && zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) != 0)
      index = -1;
  }
  if (index < 0) {
    report = LibzipFailure(member.path + ": cannot add", archive);
    return false;
  }
  zip_uint64_t at = static_cast<zip_uint64_t>(index);
  // DOS attributes in the low byte, made on DOS: what the installer reads.
  if (zip_file_set_dostime(archive, at, member.dosTime, member.dosDate, 0) != 0 ||
      zip_file_set_external_attributes(archive, at, 0, ZIP_OPSYS_DOS, member.attributes) != 0) {
    report = LibzipFailure(member.path + ": cannot set its time and attributes", archive);
    return false;
  }
  return true;
}

bool WriteZip(const char *zipPath, const std::vector<Member> &members, std::string &report) {
  int error = 0;
  zip_t *archive = zip_open(zipPath, ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) {
    zip_error_t detail;
    zip_error_init_with_code(&detail, error);
    report = std::string(zipPath) + ": cannot create: " + zip_error_strerror(&detail);
    zip_error_fini(&detail);
    return false;
  }
  for (const Member &member : members)
    if (!AddMember(archive, member, report)) {
      zip_discard(archive);
      return false;
    }
  if (zip_close(archive) != 0) {
    report = LibzipFailure(std::string(zipPath) + ": cannot write", archive);
    zip_discard(archive);
    return false;
  }
  return true;
}

} // namespace

int RunPack(int argc, char **argv) {
  KeyedArguments arguments;
  std::string report;
  if (!ParseKeyedArguments(argc, argv, 2, arguments, report)) {
    return UsageError("pack", report, PackHelp);
  }
  std::string folder = arguments.operands[0];
  const char *package = arguments.operands[1];
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  struct stat info;
  if (stat(folder.c_str(), &info) != 0) {
    fprintf(stderr, "qmgdist pack: %s: cannot read the folder: %s\n", folder.c_str(), strerror(errno));
    return 2;
  }
  if (!S_ISDIR(info.st_mode)) {
    fprintf(stderr, "qmgdist pack: %s: not a folder\n", folder.c_str());
    return 2;
  }

  std::vector<Member> members;
  if (!Gather(folder, "", members, report)) {
    fprintf(stderr, "qmgdist pack: %s\n", report.c_str());
    return 2;
  }
  // Byte order of the names, so the same tree always makes the same package.
  std::sort(members.begin(), members.end(),
            [](const Member &a, const Member &b) { return a.name < b.name; });

  std::string zipPath = std::string(package) + ".zip-XXXXXX";
  int descriptor = mkstemp(&zipPath[0]);
  if (descriptor < 0) {
    fprintf(stderr, "qmgdist pack: %s: cannot create a temporary file beside it: %s\n", package, strerror(errno));
    return 2;
  }
  close(descriptor);
  bool ok = WriteZip(zipPath.c_str(), members, report) &&
            CopyScrambled(zipPath.c_str(), package, arguments.key.bytes, report);
  remove(zipPath.c_str());
  if (!ok) {
    fprintf(stderr, "qmgdist pack: %s\n", report.c_str());
    return 2;
  }
  size_t folders = std::count_if(members.begin(), members.end(), [](const Member &m) { return m.folder; });
  printf("%s: %zu files and %zu folders packed with the %s key table\n", package, members.size() - folders,
         folders, arguments.key.name.c_str());
  return 0;
}
