// Package extraction: unpacks a package archive (a ZIP archive XOR-scrambled
// with the active package key table) into a destination folder, replacing
// existing files, restoring DOS times and attributes, checking every CRC-32,
// and appending an "F" record for each folder and a "D" record for each file
// it creates to the uninstall log while that log is open.
//
// Every file and folder it creates lies inside the destination, whatever the
// member names hold: "." components are dropped, members with components
// that act as ".." are skipped, absolute names and drive letters map inside.
// It never passes through a link: a member whose folder below the
// destination is a symbolic link or junction is skipped, and a file that is
// a link is replaced by a new file, the link removed and its target left as
// it was. Members that share archive bytes with one met before are skipped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/key_table.h"

// Result codes: the largest of the problems met (see unpack.cpp).
enum UnpackResult : int {
  UnpackOk = 0,
  UnpackWarning = 1,       // backslash names, prepended bytes, unknown method, cut names, ...
  UnpackMemberFailed = 2,  // CRC mismatch, damaged data, unmappable or uncreatable names, ...
  UnpackBrokenArchive = 3, // central directory not where recorded, destination not creatable
  UnpackNoMemory = 4,
  UnpackInflateNoMemory = 6,
  UnpackNotAnArchive = 9,  // missing, or no end-of-central-directory record
  UnpackWriteFailed = 50,  // a file could not be replaced or created, or the disk is full
  UnpackTruncated = 51,    // the archive ended unexpectedly
  UnpackPathIsFolder = 76,
};

// Copies a whole table into the active package key table.
void SetActivePackageKeyTable(const uint16_t table[KeyTableWordCount]);

// Unpacks `archivePath` into `destination` (no trailing separator, except a
// drive root; only its last level is created). When the archive is missing
// or not an archive, ".pk" is appended to `archivePath` in place and that is
// tried; `capacity` is the size of its buffer, and a name with no room left
// for the suffix gives UnpackNotAnArchive.
int UnpackPackage(char *archivePath, size_t capacity, const char *destination);
