#include "package/member_names.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <zlib.h>

#include "package/zip_records.h"

bool NameIsOem(uint8_t host, uint8_t version) {
  return (host == HostFat && version != 25 && version != 26) || host == HostHpfs ||
         (host == HostNtfs && version == 50);
}

bool IsVolumeLabel(uint8_t host, uint8_t attributes) {
  return (attributes & 0x08) &&
         (host == HostFat || host == HostAtari || host == HostHpfs || host == HostNtfs);
}

namespace {

// Decodes one UTF-8 sequence at `i`; returns its length, 0 when invalid.
size_t DecodeUtf8(const std::string &s, size_t i, uint32_t &code) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t length;
  uint32_t minimum;
  if (c < 0x80) {
    code = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    length = 2, code = c & 0x1F, minimum = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3, code = c & 0x0F, minimum = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4, code = c & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > s.size())
    return 0;
  for (size_t k = 1; k < length; k++) {
    unsigned char next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80)
      return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    return 0;
  return length;
}

bool IsForbidden(unsigned char c) { return strchr("\"*:<>?|\\", c) != nullptr && c != '\0'; }

// Cuts ";" and the digits after it (or nothing after it) off the end.
void CutVersionSuffix(std::string &name) {
  size_t semicolon = name.rfind(';');
  if (semicolon == std::string::npos)
    return;
  for (size_t i = semicolon + 1; i < name.size(); i++)
    if (name[i] < '0' || name[i] > '9')
      return;
  name.resize(semicolon);
}

} // namespace

std::string EscapeUtf8Name(const std::string &utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    uint32_t code;
    size_t length = DecodeUtf8(utf8, i, code);
    if (length == 0) {
      out += '_';
      i++;
      continue;
    }
    i += length;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else {
      char escape[12];
      snprintf(escape, sizeof escape, code > 0xFFFF ? "#L%06x" : "#U%04x", static_cast<unsigned>(code));
      out += escape;
    }
  }
  return out;
}

bool FindUnicodePath(const uint8_t *extra, size_t extraLength, const std::string &storedName,
                     std::string &utf8Name) {
  size_t at = 0;
  while (at + 4 <= extraLength) {
    uint16_t id = Le16(extra + at);
    size_t size = Le16(extra + at + 2);
    if (at + 4 + size > extraLength)
      return false;
    const uint8_t *data = extra + at + 4;
    if (id == UnicodePathExtraId && size >= 5 && data[0] <= 1) {
      uLong crc = crc32(0, reinterpret_cast<const Bytef *>(storedName.data()),
                        static_cast<uInt>(storedName.size()));
      if (Le32(data + 1) != crc)
        return false;
      utf8Name.assign(reinterpret_cast<const char *>(data + 5), size - 5);
      return true;
    }
    at += 4 + size;
  }
  return false;
}

std::string CleanComponent(const std::string &component, bool isFile, bool oldFat) {
  std::string clean;
  for (unsigned char c : component) {
    if (c < 0x20)
      continue;
    if (IsForbidden(c) || (oldFat && c == ' '))
      clean += '_';
    else
      clean += static_cast<char>(c);
  }
  if (isFile)
    CutVersionSuffix(clean);
  return clean;
}

bool IsOnlyDotsAndBlanks(const std::string &component) {
  return !component.empty() && component.find_first_not_of(". ") == std::string::npos;
}

bool MapMemberName(const std::string &name, bool oldFat, MappedName &mapped) {
  mapped = MappedName();
  size_t start = 0;
  for (;;) {
    size_t slash = name.find('/', start);
    bool last = slash == std::string::npos;
    std::string part = name.substr(start, last ? std::string::npos : slash - start);
    std::string clean;
    if (part != ".") {
      clean = CleanComponent(part, last, oldFat);
      if (oldFat && !IsOnlyDotsAndBlanks(clean))
        clean = ShortNameOf(clean);
      if (IsOnlyDotsAndBlanks(clean))
        return false;
    }
    if (last) {
      mapped.file = clean;
      mapped.folderEntry = name.empty() || name.back() == '/';
      return true;
    }
    if (!clean.empty())
      mapped.folders.push_back(clean);
    start = slash + 1;
  }
}

std::string ShortNameOf(const std::string &component) {
  if (component == "." || component.empty())
    return std::string();
  if (component == "..")
    return component;
  std::string name = component;
  for (char &c : name)
    if (strchr("[]+,;=", c) && c != '\0')
      c = '_';
  // A leading dot that is the only dot gets a "_" before it, so that it can
  // stand as the dot of "_.ext".
  size_t dots = 0;
  for (char c : name)
    dots += c == '.';
  if (name[0] == '.' && dots == 1)
    name.insert(name.begin(), '_');
  size_t lastDot = std::string::npos;
  for (size_t i = 0; i < name.size(); i++)
    if (name[i] == '.') {
      name[i] = '_';
      lastDot = i;
    }
  if (lastDot == std::string::npos) {
    size_t underscore = name.rfind('_');
    size_t before = underscore, after = name.size() - underscore - 1;
    if (underscore != std::string::npos && std::min<size_t>(before, 8) + std::min<size_t>(after, 3) > 8) {
      lastDot = underscore;
    } else {
      if (name.size() > 8)
        name.resize(8);
      return name;
    }
  }
  name[lastDot] = '.';
  if (lastDot > 8) {
    std::string extension = name.substr(lastDot, 4);
    name = name.substr(0, 8) + extension;
    lastDot = 8;
  } else if (name.size() - lastDot > 4) {
    name.resize(lastDot + 4);
  }
  if (lastDot > 0 && name[lastDot - 1] == ' ')
    name[lastDot - 1] = '_';
  return name;
}
