// The file-system operations that differ between Windows and the POSIX build
// of the portable code. SETUP.EXE uses file_system_win.cpp; native tests,
// fuzzers, benchmarks and qmgdist use file_system_posix.cpp. Plain reading
// and writing go through stdio, which both have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum class PathKind { Missing, File, Folder };

// The separator that file paths are finally written with: "\\" on Windows,
// "/" on POSIX.
extern const char PathSeparator;

// What is at `path`; probes without "insert a disk" boxes.
PathKind QueryPathKind(const char *path);

// What is at `path` itself. A symbolic link, or on Windows any reparse point
// (a junction, a mount point), is a Link whatever it points to: extraction
// never passes through one, since anyone who can write below the
// destination could plant one that leads elsewhere.
enum class EntryKind { Missing, File, Folder, Link };
EntryKind QueryEntryKind(const char *path);

// Makes one folder; its parent must exist.
bool MakeFolder(const char *path);
// The same for the install folder or a product folder: made with the
// protected permissions of base/access_rules.h (on Windows).
bool MakeOwnedFolder(const char *path);

// Tells the shell that a folder was made (nothing on POSIX).
void NotifyFolderMade(const char *path);

// Writing below the install folder. Other users may be able to change
// what lies in it, so every file SETUP.EXE creates there (the log, copies,
// unpacked files) is created new, never written through what was there,
// and checked once open: every folder from InstallFolder itself down to
// the file's parent must be a real folder (not a symbolic link, junction
// or other reparse point), and the open file's final path must be the
// install folder's final path followed by the rest of its own (which
// catches a junction swapped into a parent meanwhile). A file that fails
// is taken away again through its handle and not written. Paths that do
// not lie inside InstallFolder, and every path while it is empty, are
// created without that check.

// Creates a file for writing in place of a file or link to a file at
// `path`, which is removed as itself first (RemoveFileForReplacement);
// null when that or CreateNewOutputFile fails.
FILE *CreateOutputFile(const char *path);

// Creates a file for writing where nothing is, not even a dangling link:
// null when anything is at `path`, or the new file fails the check above.
// With `utf8` the path is taken as UTF-8 bytes (opened wide on Windows). A
// program file (IsProgramFile) below the install folder is made with the
// protected permissions of base/access_rules.h (on Windows).
FILE *CreateNewOutputFile(const char *path, bool utf8);

// True when the folder at `path` is a real folder and passes the check
// above (always, when it lies outside the install folder).
bool FolderLiesWhereMeant(const char *path);

// Makes way for a new file at `path`: removes an existing file, making a
// read-only one writable first, or removes a link to a file itself, leaving
// what it points to as it was. False when something is left there (a
// folder or, on Windows, a link to one; a file that could not be removed).
bool RemoveFileForReplacement(const char *path, bool utf8);

// Copies a file in place of whatever file is at `destination`: reads the
// source and writes a new, writable file made as CreateOutputFile makes
// it, with the source's last-write time. A copy that fails leaves no file.
// Failures are not reported: the caller has logged the file.
void CopyFileReplacing(const char *source, const char *destination);

// Deletes a file if it can; failures are not reported.
void DeleteFileQuietly(const char *path);

// Converts a path in the ANSI code page to UTF-8 (unchanged on POSIX).
bool AnsiToUtf8(const char *ansi, char *utf8, size_t capacity);

// Sets the last-write and last-access time from a DOS date and time taken as
// local time, and the DOS attributes (read-only, hidden, system, archive),
// on the file at `path` itself, never through a link.
// `setAttributes` false leaves the attributes the file was created with.
void RestoreTimeAndAttributes(const char *path, bool utf8, uint16_t dosDate, uint16_t dosTime,
                              bool setAttributes, uint8_t attributes);

// Sets DOS attributes on a folder just made.
void SetFolderAttributes(const char *path, uint8_t attributes);

// The longest file-name component the volume of `path` allows (255 on
// modern volumes, below 13 on old FAT ones).
unsigned VolumeMaxComponentLength(const char *path);

// Converts a name from the OEM code page to the ANSI code page, in place.
void ConvertOemToAnsi(char *name);

// Seeks in a file opened for reading, with 64-bit offsets.
bool SeekFile(FILE *file, uint64_t offset);
// The size of an open file, or -1.
int64_t FileSizeOf(FILE *file);
