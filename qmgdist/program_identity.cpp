#include "qmgdist/program_identity.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/little_endian.h"

namespace {

const char Company[] = "Quillmarsh Games";
enum : uint16_t { MachineI386 = 0x014C, MachineAmd64 = 0x8664, MachineArm64 = 0xAA64 };
enum : uint32_t { ResourceDirectoryIndex = 2, VersionResourceType = 16, SubdirectoryFlag = 0x80000000 };

// The first bytes of a file that is not a program, as a message can quote
// them: printable ASCII, others as ".".
std::string Opening(const std::vector<uint8_t> &bytes) {
  std::string shown;
  for (size_t i = 0; i < bytes.size() && i < 16; i++)
    shown += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
  return shown;
}

bool ReadAll(const std::string &path, std::vector<uint8_t> &bytes, std::string &report) {
  FILE *file = fopen(path.c_str(), "rb");
  if (!file) {
    report = path + ": cannot read: " + strerror(errno);
    return false;
  }
  uint8_t chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  bool failed = ferror(file);
  fclose(file);
  if (failed)
    report = path + ": cannot read: " + strerror(errno);
  return !failed;
}

// A view of the file that answers every out-of-range read with "absent".
struct Image {
  const std::vector<uint8_t> &bytes;
  bool Has(uint64_t at, uint64_t size) const { return at <= bytes.size() && size <= bytes.size() - at; }
  uint16_t U16(uint64_t at) const { return Has(at, 2) ? Le16(&bytes[at]) : 0; }
  uint32_t U32(uint64_t at) const { return Has(at, 4) ? Le32(&bytes[at]) : 0; }
};

struct Headers {
  uint16_t machine = 0;
  uint64_t sections = 0; // file offset of the section table
  uint16_t sectionCount = 0;
  uint32_t resourceRva = 0;
};

bool ReadHeaders(const Image &image, Headers &headers) {
  if (!image.Has(0, 64) || image.bytes[0] != 'M' || image.bytes[1] != 'Z')
    return false;
  uint64_t pe = image.U32(0x3C);
  if (!image.Has(pe, 24) || memcmp(&image.bytes[pe], "PE\0\0", 4) != 0)
    return false;
  headers.machine = image.U16(pe + 4);
  headers.sectionCount = image.U16(pe + 6);
  uint16_t optionalSize = image.U16(pe + 20);
  uint64_t optional = pe + 24;
  headers.sections = optional + optionalSize;
  // The data directories follow 96 bytes of PE32 fields or 112 of PE32+.
  uint64_t directories = optional + (image.U16(optional) == 0x20B ? 112 : 96);
  uint32_t directoryCount = image.U32(directories - 4);
  if (directoryCount > ResourceDirectoryIndex && directories + 8 * (ResourceDirectoryIndex + 1) <= headers.sections)
    headers.resourceRva = image.U32(directories + 8 * ResourceDirectoryIndex);
  return true;
}

// The file offset of a relative virtual address, or 0 when no section
// holds it.
uint64_t OffsetOf(const Image &image, const Headers &headers, uint32_t rva) {
  for (uint16_t i = 0; i < headers.sectionCount; i++) {
    uint64_t section = headers.sections + 40u * i;
    uint32_t address = image.U32(section + 12), rawSize = image.U32(section + 16), raw = image.U32(section + 20);
    if (rva >= address && rva - address < rawSize)
      return static_cast<uint64_t>(raw) + (rva - address);
  }
  return 0;
}

// The entry of a resource directory with the id `id`, or the first one for
// id 0; 0 when there is none.
uint32_t DirectoryEntry(const Image &image, uint64_t directory, uint32_t id) {
  uint32_t named = image.U16(directory + 12), ids = image.U16(directory + 14);
  for (uint32_t i = named; i < named + ids; i++) {
    uint64_t entry = directory + 16 + 8u * i;
    if (!image.Has(entry, 8))
      return 0;
    if (id == 0 || image.U32(entry) == id)
      return image.U32(entry + 4);
  }
  return 0;
}

// The bytes of the version resource (type 16, first name, first language).
bool VersionResource(const Image &image, const Headers &headers, uint64_t &at, uint32_t &size) {
  uint64_t root = headers.resourceRva ? OffsetOf(image, headers, headers.resourceRva) : 0;
  if (root == 0)
    return false;
  uint32_t entry = DirectoryEntry(image, root, VersionResourceType);
  for (int level = 0; level < 2; level++) {
    if (!(entry & SubdirectoryFlag))
      return false;
    entry = DirectoryEntry(image, root + (entry & ~SubdirectoryFlag), 0);
  }
  if (entry == 0 || (entry & SubdirectoryFlag))
    return false;
  uint64_t data = root + entry;
  at = OffsetOf(image, headers, image.U32(data));
  size = image.U32(data + 4);
  return at != 0 && image.Has(at, size);
}

// The text of a string value in a version resource: the UTF-16 key, its
// NUL, padding to four bytes, then the UTF-16 value. Only ASCII is kept.
std::string VersionValue(const Image &image, uint64_t at, uint32_t size, const char *key) {
  std::vector<uint8_t> wide;
  for (const char *c = key;; c++) {
    wide.push_back(static_cast<uint8_t>(*c));
    wide.push_back(0);
    if (!*c)
      break;
  }
  const uint8_t *begin = &image.bytes[at], *end = begin + size;
  for (const uint8_t *p = begin; p + wide.size() <= end; p += 2) {
    if (memcmp(p, wide.data(), wide.size()) != 0)
      continue;
    size_t value = static_cast<size_t>(p - begin) + wide.size();
    value = (value + 3) & ~static_cast<size_t>(3);
    std::string text;
    for (; value + 1 < size && (begin[value] || begin[value + 1]); value += 2)
      text += begin[value + 1] == 0 && begin[value] < 0x80 ? static_cast<char>(begin[value]) : '?';
    return text;
  }
  return "";
}

bool SameWithoutCase(const std::string &a, const char *b) {
  if (a.size() != strlen(b))
    return false;
  for (size_t i = 0; i < a.size(); i++)
    if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

} // namespace

bool IsProjectProgram(const std::string &path, const char *originalName, bool x86_64Twin, std::string &report) {
  std::vector<uint8_t> bytes;
  if (!ReadAll(path, bytes, report))
    return false;
  Image image{bytes};
  Headers headers;
  if (!ReadHeaders(image, headers)) {
    report = path + ": not a Windows program (it begins \"" + Opening(bytes) + "\")";
    return false;
  }
  const char *machine = headers.machine == MachineI386    ? "i686"
                        : headers.machine == MachineAmd64 ? "x86_64"
                        : headers.machine == MachineArm64 ? "ARM64"
                                                          : "another processor";
  if (headers.machine != (x86_64Twin ? MachineAmd64 : MachineI386)) {
    report = path + ": a Windows program for " + machine + "; " + originalName +
             (x86_64Twin ? " is taken as the x86_64 twin here (--x86_64)"
                         : " ships as the 32-bit (i686) program, which runs on every Windows");
    return false;
  }
  uint64_t at = 0;
  uint32_t size = 0;
  std::string company, name;
  if (VersionResource(image, headers, at, size)) {
    company = VersionValue(image, at, size, "CompanyName");
    name = VersionValue(image, at, size, "OriginalFilename");
  }
  if (company != Company) {
    report = path + ": a Windows program for " + machine + ", but not one of " + Company +
             " (its version information names " + (company.empty() ? "no company" : "\"" + company + "\"") + ")";
    return false;
  }
  if (!SameWithoutCase(name, originalName)) {
    report = path + ": the project's " + (name.empty() ? "unnamed program" : name) + ", not " + originalName;
    return false;
  }
  return true;
}
