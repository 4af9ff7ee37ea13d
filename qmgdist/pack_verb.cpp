// qmgdist pack: a package from a folder tree. The ZIP archive is written
// with libzip into a temporary file beside the package, scrambled in 64 KB
// pieces into a second temporary file there, and that one is renamed over
// the package only when everything succeeded: a failed pack leaves an older
// package as it was.
#include <dirent.h>
#include <fcntl.h>
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

#include "package/zip_records.h"
#include "qmgdist/member_name_check.h"
#include "qmgdist/package_limits.h"
#include "qmgdist/package_verbs.h"

const char PackHelp[] =
    "  pack [--strict] --key KEY FOLDER PACKAGE\n"
    "                  make a package from a folder tree: every file deflated, with\n"
    "                  its modification time and read-only attribute, every folder\n"
    "                  as an entry of its own, members in name order. Warns, one\n"
    "                  line per name, about names that SETUP.EXE would change,\n"
    "                  merge with another or cannot make, and about an empty\n"
    "                  FOLDER; --strict makes any warning fail (exit 1, no\n"
    "                  package written). Refuses more than 65535 members and\n"
    "                  files of 4 GiB or more, which SETUP.EXE cannot read. A\n"
    "                  PACKAGE inside FOLDER is left out.\n";

namespace {

enum : uint8_t { DosReadOnly = 0x01, DosFolder = 0x10, DosArchive = 0x20 };

struct Member {
  std::string name; // relative, "/" between levels, "/" at the end of a folder
  std::string path; // on disk
  bool folder;
  uint64_t size; // of a file; 0 for a folder
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

struct SameFile {
  bool known = false;
  dev_t device = 0;
  ino_t inode = 0;
  bool Is(const struct stat &info) const { return known && info.st_dev == device && info.st_ino == inode; }
};

// Gathers the members under `path` (named `prefix` in the package), leaving
// out `output`: the package may lie inside the tree it is made from, and
// an older one must not be packed into the new one.
bool Gather(const std::string &path, const std::string &prefix, const SameFile &output,
            std::vector<Member> &members, std::string &report) {
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
    if (output.Is(info)) {
      fprintf(stderr, "qmgdist pack: %s: left out: it is the package being written\n", entryPath.c_str());
      continue;
    }
    if (entry.find('\\') != std::string::npos) {
      report = entryPath + ": the name holds a backslash, which the installer takes as a folder separator";
      return false;
    }
    Member member;
    member.path = entryPath;
    member.folder = S_ISDIR(info.st_mode);
    member.name = prefix + entry + (member.folder ? "/" : "");
    member.size = member.folder ? 0 : static_cast<uint64_t>(info.st_size);
    DosTimeOf(info.st_mtime, member.dosDate, member.dosTime);
    if (member.folder) {
      member.attributes = DosFolder;
    } else if (S_ISREG(info.st_mode)) {
      member.attributes = DosArchive | ((info.st_mode & S_IWUSR) ? 0 : DosReadOnly);
      // libzip opens the files only when it writes the archive, and then
      // names the archive in its error: find unreadable ones now.
      int descriptor = open(entryPath.c_str(), O_RDONLY | O_NOFOLLOW);
      if (descriptor < 0) {
        report = entryPath + ": cannot read: " + strerror(errno);
        return false;
      }
      close(descriptor);
    } else {
      fprintf(stderr, "qmgdist pack: %s: skipped: a package holds only files and folders\n", entryPath.c_str());
      continue;
    }
    members.push_back(member);
    if (member.folder && !Gather(entryPath, member.name, output, members, report))
      return false;
  }
  return true;
}

bool WithinInstallerLimits(const std::vector<Member> &members, std::string &report) {
  if (!MemberCountFits(members.size(), report))
    return false;
  for (const Member &member : members)
    if (!FileSizeFits(member.path, member.size, report))
      return false;
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

// libzip writes no archive at all for no members (it removes the file), so
// the empty package is written here: an end record and nothing else.
bool WriteEmptyZip(const char *zipPath, std::string &report) {
  uint8_t record[EndRecordSize] = {0x50, 0x4B, 0x05, 0x06};
  FILE *file = fopen(zipPath, "wb");
  bool ok = file && fwrite(record, 1, sizeof record, file) == sizeof record;
  if (file && fclose(file) != 0)
    ok = false;
  if (!ok)
    report = std::string(zipPath) + ": cannot write: " + strerror(errno);
  return ok;
}

// Writes the plain archive to `zipPath`; reports name `package`, the file
// the user asked for, since libzip names only the archive in its errors.
bool WriteZip(const char *zipPath, const std::string &package, const std::vector<Member> &members,
              std::string &report) {
  if (members.empty())
    return WriteEmptyZip(zipPath, report);
  int error = 0;
  zip_t *archive = zip_open(zipPath, ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) {
    zip_error_t detail;
    zip_error_init_with_code(&detail, error);
    report = package + ": cannot create the archive: " + zip_error_strerror(&detail);
    zip_error_fini(&detail);
    return false;
  }
  for (const Member &member : members)
    if (!AddMember(archive, member, report)) {
      zip_discard(archive);
      return false;
    }
  if (zip_close(archive) != 0) {
    report = LibzipFailure(package + ": cannot write the archive (did a file change while it was packed?)", archive);
    zip_discard(archive);
    return false;
  }
  return true;
}

// Whether the written archive ends in a plain end record that the installer
// reads: no ZIP64 locator before it and no size or offset at its ZIP64
// marker (a count of 0xFFFF is a real count of 65535 members). The
// limits checked beforehand cover the members; this covers the total, whose
// offsets pass 4 GiB only once the data is compressed.
bool ReadableByTheInstaller(const char *zipPath, std::string &report) {
  const size_t LocatorSize = 20;
  uint8_t tail[LocatorSize + EndRecordSize] = {};
  FILE *file = fopen(zipPath, "rb");
  bool read = false;
  size_t have = 0;
  if (file) {
    if (fseeko(file, 0, SEEK_END) == 0) {
      off_t size = ftello(file);
      have = size >= static_cast<off_t>(sizeof tail) ? sizeof tail : static_cast<size_t>(size);
      read = fseeko(file, size - static_cast<off_t>(have), SEEK_SET) == 0 &&
             fread(tail + sizeof tail - have, 1, have, file) == have;
    }
    fclose(file);
  }
  if (!read) {
    report = std::string(zipPath) + ": cannot read the archive back: " + strerror(errno);
    return false;
  }
  const uint8_t *end = tail + LocatorSize;
  bool plain = have >= EndRecordSize && Le32(end) == EndRecordSignature &&
               Le32(end + end_record::DirectorySize) != 0xFFFFFFFF &&
               Le32(end + end_record::DirectoryOffset) != 0xFFFFFFFF &&
               !(have == sizeof tail && Le32(tail) == 0x07064B50);
  if (!plain)
    report = "the archive would be 4 GiB or more and need ZIP64 records, which the installer does not read";
  return plain;
}

// A temporary file beside the package, opened for writing through the descriptor
// mkstemp made, so no file put in its place is written through.
FILE *CreateTemporaryBeside(const std::string &package, const char *suffix, std::string &path,
                            std::string &report) {
  path = package + suffix;
  int descriptor = mkstemp(&path[0]);
  if (descriptor < 0) {
    report = package + ": cannot create a temporary file in its folder: " + strerror(errno);
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
  }
  return file;
}

// Writes the package through two temporary files beside it and renames the
// second into place.
bool WritePackage(const std::string &package, const std::vector<Member> &members, const uint8_t key[KeyTableBytes],
                  std::string &report) {
  std::string zipPath, scrambledPath;
  FILE *zip = CreateTemporaryBeside(package, ".zip-XXXXXX", zipPath, report);
  if (!zip) {
    if (!zipPath.empty())
      remove(zipPath.c_str());
    return false;
  }
  fclose(zip); // libzip writes it anew and renames its own file over it
  bool ok = WriteZip(zipPath.c_str(), package, members, report) && ReadableByTheInstaller(zipPath.c_str(), report);
  FILE *scrambled = ok ? CreateTemporaryBeside(package, ".qpk-XXXXXX", scrambledPath, report) : nullptr;
  if (scrambled) {
    ok = CopyScrambled(zipPath.c_str(), scrambled, scrambledPath, key, report);
    if (fclose(scrambled) != 0 && ok) {
      report = scrambledPath + ": cannot write: " + strerror(errno);
      ok = false;
    }
    if (ok && rename(scrambledPath.c_str(), package.c_str()) != 0) {
      report = package + ": cannot put the package in place: " + strerror(errno);
      ok = false;
    }
  } else {
    ok = false;
  }
  remove(zipPath.c_str());
  if (!ok && !scrambledPath.empty())
    remove(scrambledPath.c_str());
  return ok;
}

// The arguments without --strict, which only pack knows.
bool TakeStrictFlag(int argc, char **argv, std::vector<char *> &rest) {
  bool strict = false;
  for (int i = 0; i < argc; i++) {
    if (!strcmp(argv[i], "--strict"))
      strict = true;
    else
      rest.push_back(argv[i]);
  }
  return strict;
}

} // namespace

int RunPack(int argc, char **argv) {
  std::vector<char *> rest;
  bool strict = TakeStrictFlag(argc, argv, rest);
  KeyedArguments arguments;
  std::string report;
  if (!ParseKeyedArguments(static_cast<int>(rest.size()), rest.data(), 2, arguments, report))
    return UsageError("pack", report, PackHelp);
  std::string folder = arguments.operands[0];
  std::string package = arguments.operands[1];
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
  SameFile output;
  if (stat(package.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      fprintf(stderr, "qmgdist pack: %s: is a folder; name the package file to write\n", package.c_str());
      return 2;
    }
    output.known = true;
    output.device = info.st_dev;
    output.inode = info.st_ino;
  }

  std::vector<Member> members;
  if (!Gather(folder, "", output, members, report) || !WithinInstallerLimits(members, report)) {
    fprintf(stderr, "qmgdist pack: %s; no package written\n", report.c_str());
    return 2;
  }
  // Byte order of the names, so the same tree always makes the same package.
  std::sort(members.begin(), members.end(),
            [](const Member &a, const Member &b) { return a.name < b.name; });

  std::vector<std::string> names;
  for (const Member &member : members)
    names.push_back(member.name);
  std::vector<std::string> warnings = CheckMemberNames(names);
  if (members.empty())
    warnings.push_back(folder + ": the folder is empty: the package has no members, which SETUP.EXE "
                                "reports as result 1 (Error unpacking)");
  for (const std::string &warning : warnings)
    fprintf(stderr, "qmgdist pack: warning: %s\n", warning.c_str());
  if (strict && !warnings.empty()) {
    fprintf(stderr, "qmgdist pack: --strict: the warnings above fail the pack; %s not written\n",
            package.c_str());
    return 1;
  }

  if (!WritePackage(package, members, arguments.key.bytes, report)) {
    fprintf(stderr, "qmgdist pack: %s\n", report.c_str());
    return 2;
  }
  size_t folders = std::count_if(members.begin(), members.end(), [](const Member &m) { return m.folder; });
  printf("%s: %zu files and %zu folders packed with the %s key table\n", package.c_str(),
         members.size() - folders, folders, arguments.key.name.c_str());
  return 0;
}
