// qmgdist pack: a package from a folder tree. The tree is read through
// the platform's calls (pack_files.h), the archive written by the project's
// own ZIP writer (zip_writer.h), scrambled as it goes, into a temporary
// file beside the package, which is renamed over the package only when
// everything succeeded: a failed pack leaves an older package as it was.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qmgdist/member_name_check.h"
#include "qmgdist/pack_files.h"
#include "qmgdist/package_limits.h"
#include "qmgdist/package_verbs.h"
#include "qmgdist/zip_writer.h"

const char PackHelp[] =
    "  pack [--strict] [--level N] [--threads N] --key KEY FOLDER PACKAGE\n"
    "                  make a package from a folder tree: every file deflated at\n"
    "                  level N (0 to 9, default 6; stored when that does not make\n"
    "                  it smaller), with its modification time and read-only\n"
    "                  attribute, every folder as an entry of its own, members in\n"
    "                  name order, on N threads (default: one per processor; the\n"
    "                  package is the same for any number). Warns, one\n"
    "                  line per name, about names that SETUP.EXE would change,\n"
    "                  merge with another or cannot make, and about an empty\n"
    "                  FOLDER; --strict makes any warning fail (exit 1, no\n"
    "                  package written). Refuses more than 65535 members and\n"
    "                  files of 4 GiB or more, which SETUP.EXE cannot read. A\n"
    "                  PACKAGE inside FOLDER is left out.\n";

namespace {

enum : uint8_t { DosReadOnly = 0x01, DosFolder = 0x10, DosArchive = 0x20 };

// Gathers the members under `path` (named `prefix` in the package), leaving
// out the file whose identity is `output`: the package may lie inside the
// tree it is made from, and an older one must not be packed into the new one.
bool Gather(const std::string &path, const std::string &prefix, const std::string &output,
            std::vector<ZipEntry> &members, std::string &report) {
  std::vector<SourceEntry> entries;
  if (!ListSourceFolder(path, entries, report))
    return false;
  for (const SourceEntry &entry : entries) {
    std::string entryPath = path + "/" + entry.name;
    if (!output.empty() && entry.identity == output) {
      fprintf(stderr, "qmgdist pack: %s: left out: it is the package being written\n", entryPath.c_str());
      continue;
    }
    if (entry.name.find('\\') != std::string::npos) {
      report = entryPath + ": the name holds a backslash, which the installer takes as a folder separator";
      return false;
    }
    if (entry.kind != SourceKind::File && entry.kind != SourceKind::Folder) {
      fprintf(stderr, "qmgdist pack: %s: skipped: a package holds only files and folders\n", entryPath.c_str());
      continue;
    }
    ZipEntry member;
    member.path = entryPath;
    member.folder = entry.kind == SourceKind::Folder;
    member.name = prefix + entry.name + (member.folder ? "/" : "");
    member.size = entry.size;
    member.dosDate = entry.dosDate;
    member.dosTime = entry.dosTime;
    member.attributes = member.folder ? DosFolder : DosArchive | (entry.readOnly ? DosReadOnly : 0);
    if (!member.folder) {
      // Find unreadable files now, before anything is written.
      FILE *file = OpenSourceFile(entryPath);
      if (!file) {
        report = entryPath + ": cannot read: " + LastSystemReason();
        return false;
      }
      fclose(file);
    }
    members.push_back(member);
    if (member.folder && !Gather(entryPath, member.name, output, members, report))
      return false;
  }
  return true;
}

bool WithinInstallerLimits(const std::vector<ZipEntry> &members, std::string &report) {
  if (!MemberCountFits(members.size(), report))
    return false;
  for (const ZipEntry &member : members)
    if (!FileSizeFits(member.path, member.size, report))
      return false;
  return true;
}

// Writes the package into a temporary file beside it and renames that into
// place.
bool WritePackage(const std::string &package, const std::vector<ZipEntry> &members, const ZipOptions &options,
                  std::string &report) {
  std::string temporary;
  FILE *file = CreateFileBeside(package, temporary, report);
  if (!file)
    return false;
  bool ok = WriteZipArchive(file, temporary, members, options, report);
  if (fclose(file) != 0 && ok) {
    report = temporary + ": cannot write: " + LastSystemReason();
    ok = false;
  }
  if (ok && !ReplaceFileWith(temporary, package)) {
    report = package + ": cannot put the package in place: " + LastSystemReason();
    ok = false;
  }
  if (!ok)
    RemoveFileQuietly(temporary);
  return ok;
}

// On a terminal, one line that counts the files and bytes written so far,
// redrawn at most ten times a second and cleared at the end; nothing at
// all when the output goes elsewhere.
class Progress {
public:
  Progress(const std::string &package, const std::vector<ZipEntry> &members, bool wanted)
      : package_(package), members_(members), shown_(wanted && isatty(fileno(stdout)) != 0) {
    for (const ZipEntry &member : members)
      if (!member.folder) {
        files_++;
        bytes_ += member.size;
      }
  }
  bool shown() const { return shown_; }
  void Written(size_t index) {
    const ZipEntry &member = members_[index];
    if (member.folder)
      return;
    filesDone_++;
    bytesDone_ += member.size;
    auto now = std::chrono::steady_clock::now();
    if (filesDone_ < files_ && now - drawn_ < std::chrono::milliseconds(100))
      return;
    drawn_ = now;
    int length = printf("\r%s: %zu of %zu files, %.1f of %.1f MB", package_.c_str(), filesDone_, files_,
                        bytesDone_ / 1048576.0, bytes_ / 1048576.0);
    width_ = length > width_ ? length : width_;
    fflush(stdout);
  }
  void Clear() {
    if (shown_ && filesDone_ > 0) {
      printf("\r%*s\r", width_, "");
      fflush(stdout);
    }
  }

private:
  std::string package_;
  const std::vector<ZipEntry> &members_;
  bool shown_;
  size_t files_ = 0, filesDone_ = 0;
  uint64_t bytes_ = 0, bytesDone_ = 0;
  std::chrono::steady_clock::time_point drawn_;
  int width_ = 0;
};

bool TakeNumber(const char *name, const char *text, long lowest, long highest, long &value, std::string &report) {
  char *end = nullptr;
  value = text && *text ? strtol(text, &end, 10) : -1;
  if (!text || !*text || *end || value < lowest || value > highest) {
    report = std::string(name) + " takes a number from " + std::to_string(lowest) + " to " + std::to_string(highest);
    return false;
  }
  return true;
}

// pack's own options, taken out of the arguments: --strict, --level N and
// --threads N (or --level=N, --threads=N). False, with one sentence in
// `report`, for a bad value.
bool TakePackOptions(int argc, char **argv, PackOptions &options, std::vector<char *> &rest, std::string &report) {
  for (int i = 0; i < argc; i++) {
    const char *names[] = {"--level", "--threads"};
    bool taken = false;
    for (int n = 0; n < 2 && !taken; n++) {
      size_t length = strlen(names[n]);
      const char *value = nullptr;
      if (!strcmp(argv[i], names[n]))
        value = i + 1 < argc ? argv[++i] : nullptr;
      else if (!strncmp(argv[i], names[n], length) && argv[i][length] == '=')
        value = argv[i] + length + 1;
      else
        continue;
      taken = true;
      long number;
      if (!TakeNumber(names[n], value, n == 0 ? 0 : 1, n == 0 ? 9 : 256, number, report))
        return false;
      if (n == 0)
        options.level = static_cast<int>(number);
      else
        options.threads = static_cast<unsigned>(number);
    }
    if (taken)
      continue;
    if (!strcmp(argv[i], "--strict"))
      options.strict = true;
    else
      rest.push_back(argv[i]);
  }
  return true;
}

} // namespace

int RunPack(int argc, char **argv) {
  std::vector<char *> rest;
  PackOptions options;
  KeyedArguments arguments;
  std::string report;
  if (!TakePackOptions(argc, argv, options, rest, report) ||
      !ParseKeyedArguments(static_cast<int>(rest.size()), rest.data(), 2, arguments, report))
    return UsageError("pack", report, PackHelp);
  return PackFolder(SourcePathFromArgument(arguments.operands[0]), SourcePathFromArgument(arguments.operands[1]),
                    arguments.key, options, "", true);
}

int PackFolder(std::string folder, const std::string &package, const PackageKey &key, const PackOptions &options,
               const std::string &shownAs, bool announce) {
  std::string report;
  const std::string &shown = shownAs.empty() ? package : shownAs;
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
    folder.pop_back();
  SourceEntry tree = InspectSourcePath(folder);
  if (tree.kind == SourceKind::Missing) {
    fprintf(stderr, "qmgdist pack: %s: cannot read the folder: %s\n", folder.c_str(), LastSystemReason().c_str());
    return 2;
  }
  if (tree.kind != SourceKind::Folder) {
    fprintf(stderr, "qmgdist pack: %s: not a folder\n", folder.c_str());
    return 2;
  }
  SourceEntry output = InspectSourcePath(package);
  if (output.kind == SourceKind::Folder) {
    fprintf(stderr, "qmgdist pack: %s: is a folder; name the package file to write\n", package.c_str());
    return 2;
  }

  std::vector<ZipEntry> members;
  if (!Gather(folder, "", output.identity, members, report) || !WithinInstallerLimits(members, report)) {
    fprintf(stderr, "qmgdist pack: %s; no package written\n", report.c_str());
    return 2;
  }
  // Byte order of the names, so the same tree always makes the same package.
  std::sort(members.begin(), members.end(),
            [](const ZipEntry &a, const ZipEntry &b) { return a.name < b.name; });

  std::vector<std::string> names;
  for (const ZipEntry &member : members)
    names.push_back(member.name);
  std::vector<std::string> warnings = CheckMemberNames(names);
  if (members.empty())
    warnings.push_back(folder + ": the folder is empty: the package has no members, which SETUP.EXE "
                                "reports as result 1 (Error unpacking)");
  // Named by their path in FOLDER, so that inside a build, which packs many
  // folders, each warning says which package it is about.
  for (const std::string &warning : warnings)
    fprintf(stderr, "qmgdist pack: warning: %s%s\n", members.empty() ? "" : (folder + "/").c_str(),
            warning.c_str());
  if (options.strict && !warnings.empty()) {
    fprintf(stderr, "qmgdist pack: --strict: the warnings above fail the pack; %s not written\n",
            package.c_str());
    return 1;
  }

  ZipOptions zip;
  zip.level = options.level;
  zip.threads = options.threads;
  zip.key = key.bytes;
  Progress progress(shown, members, options.progress);
  if (progress.shown())
    zip.written = [&progress](size_t index) { progress.Written(index); };
  bool written = WritePackage(package, members, zip, report);
  progress.Clear();
  if (!written) {
    fprintf(stderr, "qmgdist pack: %s\n", report.c_str());
    return 2;
  }
  if (!announce)
    return 0;
  size_t folders = std::count_if(members.begin(), members.end(), [](const ZipEntry &m) { return m.folder; });
  printf("%s: %zu files and %zu folders packed with the %s key table\n", shown.c_str(),
         members.size() - folders, folders, key.name.c_str());
  fflush(stdout); // before the next package's warnings on stderr, inside a build
  return 0;
}
