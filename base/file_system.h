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

// Makes one folder; its parent must exist.
bool MakeFolder(const char *path);

// Tells the shell that a folder was made (nothing on POSIX).
void NotifyFolderMade(const char *path);

// Opens a file for writing, replacing its contents. The UTF-8 form takes the
// path as UTF-8 bytes (wide open on Windows).
FILE *CreateOutputFile(const char *path);
FILE *CreateOutputFileUtf8(const char *utf8Path);

// Makes way for a new file at `path`: removes an existing file, making a
// read-only one writable first. True when no file is left there.
bool RemoveFileForReplacement(const char *path, bool utf8);

// Copies a file over whatever is at `destination`, then makes the copy
// writable (files copied from read-only media would otherwise stay
// read-only). Failures are not reported: the caller has logged the file.
void CopyFileReplacing(const char *source, const char *destination);

// Deletes a file if it can; failures are not reported.
void DeleteFileQuietly(const char *path);

// Converts a path in the ANSI code page to UTF-8 (unchanged on POSIX).
bool AnsiToUtf8(const char *ansi, char *utf8, size_t capacity);

// Sets the last-write and last-access time from a DOS date and time taken as
// local time, and the DOS attributes (read-only, hidden, system, archive).
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
