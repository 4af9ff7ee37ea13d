// Where a member goes and the life of its file: the destination set up, the
// member's name mapped to a path inside it (folders recorded and made on
// the way, never through a link), the file that was there made way for, the
// new one recorded in the uninstall log and then created, and at the end either
// its DOS time and attributes restored or, when writing failed, the partial
// file dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "package/extraction.h"

// Drops one trailing separator (the ground's rule: a root keeps it), makes
// the folder if it is missing, recording it first. False when it cannot be
// made.
bool SetUpDestination(Extraction &x, const char *destination);

struct OutputFile {
  std::string path;
  bool utf8 = false; // the path is UTF-8, not ANSI
  FILE *file = nullptr;
};

// Works out the member's output path, making its folders. False when the
// member produces no file: a folder entry, a volume label, or a failure,
// which has been raised.
bool PrepareOutputPath(Extraction &x, const ZipMember &member, const std::string &storedName, const uint8_t *extra,
                       size_t extraLength, OutputFile &out);

// Replaces whatever file is at the path with a new, empty one, buffered
// through the extraction's output buffer, recording it before it is
// created. False, with the
// result raised, when that cannot be done.
bool CreateMemberFile(Extraction &x, OutputFile &out);

// Closes the file. False when the last of its data could not be written.
bool CloseMemberFile(OutputFile &out);

// After a failed write: the partial file is removed.
void DropMemberFile(const OutputFile &out);

// Restores the DOS time and attributes from the local header, once the data
// is in.
void FinishMemberFile(const OutputFile &out, const uint8_t *localHeader, uint8_t attributes);
