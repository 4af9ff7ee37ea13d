// Small Windows program files for tests of what reads their headers: an
// MZ stub, PE headers for a machine, and a resource section holding one
// version resource with the string values given. Nothing in them runs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pe_builder {

inline void Put16(std::string &bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}
inline void Put32(std::string &bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; i++)
    bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A version resource's string values, each as the resource compiler lays
// them out: length, value length, type 1, UTF-16 key, padding to four
// bytes, UTF-16 value.
inline std::string VersionStrings(const std::vector<std::pair<std::string, std::string>> &values) {
  std::string block;
  auto wide = [](const std::string &text) {
    std::string out;
    for (char c : text + '\0') {
      out += c;
      out += '\0';
    }
    return out;
  };
  for (const auto &value : values) {
    std::string entry(6, '\0');
    entry += wide(value.first);
    while (entry.size() % 4)
      entry += '\0';
    entry += wide(value.second);
    Put16(entry, 0, static_cast<uint16_t>(entry.size()));
    Put16(entry, 2, static_cast<uint16_t>(value.second.size() + 1));
    Put16(entry, 4, 1);
    while (entry.size() % 4)
      entry += '\0';
    block += entry;
  }
  return block;
}

// The program file: `machine` 0x14C for i686, 0x8664 for x86_64; no
// resource section when `values` is empty.
inline std::string Program(uint16_t machine, const std::vector<std::pair<std::string, std::string>> &values) {
  const size_t pe = 0x40, optional = pe + 24, optionalSize = 224, sections = optional + optionalSize, raw = 0x200;
  const uint32_t rva = 0x1000;
  std::string bytes(raw, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put32(bytes, 0x3C, pe);
  bytes.replace(pe, 4, std::string("PE\0\0", 4));
  Put16(bytes, pe + 4, machine);
  Put16(bytes, pe + 6, values.empty() ? 0 : 1);
  Put16(bytes, pe + 20, optionalSize);
  Put16(bytes, optional, 0x10B);
  Put32(bytes, optional + 92, 16);
  if (values.empty())
    return bytes;
  // Three directory levels (type 16, name 1, language 0x409), each one entry,
  // then the data entry and the resource.
  std::string resource(16 * 3 + 8 * 3 + 16, '\0');
  for (int level = 0; level < 3; level++) {
    size_t directory = level * 24;
    Put16(resource, directory + 14, 1);
    uint32_t id = level == 0 ? 16 : level == 1 ? 1 : 0x409;
    Put32(resource, directory + 16, id);
    Put32(resource, directory + 20, level < 2 ? (0x80000000u | static_cast<uint32_t>(directory + 24)) : 72);
  }
  std::string version = VersionStrings(values);
  Put32(resource, 72, rva + static_cast<uint32_t>(resource.size()));
  Put32(resource, 76, static_cast<uint32_t>(version.size()));
  resource += version;
  Put32(bytes, optional + 96 + 16, rva);
  Put32(bytes, optional + 96 + 20, static_cast<uint32_t>(resource.size()));
  bytes.replace(sections, 5, ".rsrc");
  Put32(bytes, sections + 8, static_cast<uint32_t>(resource.size()));
  Put32(bytes, sections + 12, rva);
  Put32(bytes, sections + 16, static_cast<uint32_t>(resource.size()));
  Put32(bytes, sections + 20, raw);
  return bytes + resource;
}

// The project's i686 program `originalName`.
inline std::string ProjectProgram(const std::string &originalName, uint16_t machine = 0x14C) {
  return Program(machine, {{"CompanyName", "Quillmarsh Games"}, {"OriginalFilename", originalName}});
}

} // namespace pe_builder
