// How a member's stored name becomes a path below the destination. Pure text
// rules; the folders themselves are made by the extraction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum : size_t { MemberNameLimit = 259, FolderPathLimit = 257 };

// Whether a name written by this host needs converting from the OEM code
// page: MS-DOS/FAT unless its version byte is 25 or 26, HPFS, and NTFS with
// version byte 50.
bool NameIsOem(uint8_t host, uint8_t version);

// A volume label entry: attribute bit 0x08 from a FAT, Atari, HPFS or NTFS host.
bool IsVolumeLabel(uint8_t host, uint8_t attributes);

// The UTF-8 name in the 7-bit form in which every other character is written
// as "#U" and 4 lower-case hex digits ("#L" and 6 digits above U+FFFF). A
// byte that is not valid UTF-8 becomes "_".
std::string EscapeUtf8Name(const std::string &utf8);

// The Unicode Path extra field (0x7075) of a local header, when it is of
// version 0 or 1 and its CRC-32 matches the stored name; empty otherwise.
bool FindUnicodePath(const uint8_t *extra, size_t extraLength, const std::string &storedName,
                     std::string &utf8Name);

// The name split into its components, each cleaned of characters that a
// Windows file name cannot hold:
//   " * : < > ? | and "\" become "_"; characters below 0x20 are dropped;
//   characters 0x7F and above are kept; spaces become "_" on old FAT volumes;
//   "." and empty components are dropped; a ";" followed only by digits ends
//   the last component.
// A name ending in "/" is a folder entry, with no file component.
// Refused (false) when a component, once cleaned, consists only of dots and
// blanks: ".." would leave the folder it stands in, and Windows drops
// trailing dots and blanks, so ".. " or "..." act as ".." or "." there.
// The test comes after the cleaning because the cleaning itself can make
// such a component: "." 0x01 "." becomes "..".
struct MappedName {
  std::vector<std::string> folders;
  std::string file; // empty for a folder entry, or when nothing was left
  bool folderEntry = false;
};
bool MapMemberName(const std::string &name, bool oldFat, MappedName &mapped);

// A component that names the folder it stands in or its parent once
// Windows has dropped its trailing dots and blanks: non-empty and nothing
// but dots and blanks.
bool IsOnlyDotsAndBlanks(const std::string &component);

// Cleans one file-name component as MapMemberName does (for names kept in
// UTF-8: bytes 0x80 and above pass unchanged).
std::string CleanComponent(const std::string &component, bool isFile, bool oldFat);

// The 8.3 form of one component for old FAT volumes; "." gives "" (dropped).
std::string ShortNameOf(const std::string &component);
