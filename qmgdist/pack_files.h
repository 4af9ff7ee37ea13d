// The files pack reads and writes, through the platform's own calls: the
// folder tree a package is made from, and the package written into a
// temporary file beside its name and put in place at the end. POSIX in
// pack_files_posix.cpp, Win32 in pack_files_win.cpp.
//
// Paths are strings of the platform's own narrow form (bytes on POSIX,
// UTF-8 on Windows, where the wide calls are used so that every name
// survives); names read from folders come back in that form too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A path given on the command line in the platform's form for paths
// (Windows hands programs ANSI arguments; they become UTF-8 here).
std::string SourcePathFromArgument(const char *argument);

enum class SourceKind { Missing, File, Folder, Other };

struct SourceEntry {
  std::string name;     // within its folder
  SourceKind kind = SourceKind::Missing;
  uint64_t size = 0;    // of a file
  uint16_t dosDate = 0, dosTime = 0; // the modification time as local time
  bool readOnly = false;
  std::string identity; // the same for two names of one file
};

// What `path` is, following a link; its identity when it exists.
SourceEntry InspectSourcePath(const std::string &path);

// The entries of a folder, without "." and "..", in no particular order;
// links and devices come back as Other. False, with one sentence naming the
// folder in `report`, when it cannot be read.
bool ListSourceFolder(const std::string &folder, std::vector<SourceEntry> &entries, std::string &report);

// Opens a file of the tree for reading in binary mode, or nullptr (errno
// holds the reason).
FILE *OpenSourceFile(const std::string &path);

// The system's reason for the last failed call, as one phrase.
std::string LastSystemReason();

// Creates a new file named `target` plus a unique suffix, in the same
// folder, for writing in binary mode; its path goes into `path`. The file
// is created anew (a name that exists, link or not, is never reused) and
// gets the permissions a newly made file gets.
FILE *CreateFileBeside(const std::string &target, std::string &path, std::string &report);

// Cuts an open file, flushed, to `size` bytes.
bool TruncateOpenFile(FILE *file, uint64_t size);

// Renames `from` over `to`, replacing a file there.
bool ReplaceFileWith(const std::string &from, const std::string &to);

// Removes a file; failures are ignored.
void RemoveFileQuietly(const std::string &path);
