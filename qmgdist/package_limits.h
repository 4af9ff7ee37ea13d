// What the installer can read of a package: a 16-bit member count and
// 32-bit sizes and offsets, no ZIP64 records. pack checks a tree against
// these limits before it writes anything; the ZIP writer checks the offsets
// that grow as it writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum : size_t { PackageMemberLimit = 0xFFFF };
// A file of this size needs ZIP64 already: the value is ZIP64's marker.
enum : uint64_t { PackageFileSizeLimit = 0xFFFFFFFF };

// False, with one sentence in `report`, for more members than a package
// can hold.
bool MemberCountFits(size_t members, std::string &report);

// False, with one sentence naming `path` in `report`, for a file too large
// for a package.
bool FileSizeFits(const std::string &path, uint64_t size, std::string &report);
