// The archive's directory: the end record found in the archive's last 66000
// bytes, the central directory it names (allowing for bytes prepended to the
// archive, with the second tries when they turn out not to shift the
// members), its entries read in blocks of 64, and each member's local header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/extraction.h"
#include "package/zip_records.h"

// Finds the end record and the start of the central directory it names.
// False when the pass ends here, with `passResult` the result it ends with
// (not an archive, truncated, a damaged directory, or an archive without
// members). `retry` says this is the second pass, on the ".pk" name.
bool LocateDirectory(Extraction &x, bool retry, uint64_t &directoryAt, uint32_t &entries, int &passResult);

// Reads up to 64 central directory entries from the reader's position.
// Sets `ended` when the directory ends within this block.
size_t ReadMemberBlock(Extraction &x, ZipMember block[MembersPerBlock], uint32_t &entriesRead,
                       uint32_t entriesAnnounced, bool &ended);

// Finds the member's local header and reads it; the reader then stands
// right after it. False, with the result raised, when it is not found.
bool FindLocalHeader(Extraction &x, const ZipMember &member, uint8_t header[LocalHeaderSize]);
