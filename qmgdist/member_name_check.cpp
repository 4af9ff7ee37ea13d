#include "qmgdist/member_name_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "package/member_names.h"

namespace {

// The shortest root a destination can give ("C:\" and the "/" after it):
// folders whose path is longer than the limit with it cannot be made in any
// install folder.
const size_t ShortestRoot = 4;

bool IsAscii(const std::string &name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Valid UTF-8 by the installer's own decoder: it writes every byte it cannot
// decode as "_", so the escaped form holds no more "_" than the name.
bool IsValidUtf8(const std::string &name) {
  std::string escaped = EscapeUtf8Name(name);
  return std::count(escaped.begin(), escaped.end(), '_') == std::count(name.begin(), name.end(), '_');
}

} // namespace

bool CarriesUtf8Flag(const std::string &name) { return !IsAscii(name) && IsValidUtf8(name); }

namespace {

std::string LastPart(const std::string &name) {
  std::string trimmed = name;
  if (!trimmed.empty() && trimmed.back() == '/')
    trimmed.pop_back();
  size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string Joined(const std::vector<std::string> &parts) {
  std::string joined;
  for (const std::string &part : parts)
    joined += (joined.empty() ? "" : "/") + part;
  return joined;
}

// Windows opens these as devices, with or without an extension and with
// blanks before it: CON, CON.TXT and "con .txt" are all the console. Returns
// the device's name, or "" for none.
std::string DeviceNameOf(const std::string &part) {
  std::string base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ')
    base.pop_back();
  for (char &c : base)
    c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  bool device = base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" ||
                (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
                 base[3] >= '1' && base[3] <= '9');
  return device ? base : std::string();
}

} // namespace

std::string ShownName(const std::string &name) {
  bool utf8 = IsValidUtf8(name);
  std::string shown;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02X", c);
      shown += escape;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

namespace {

// The path as Windows compares it: case ignored (ASCII letters; the code
// page's other letters too, which this does not try), and the dots and
// blanks that end a part dropped.
std::string WindowsKey(const std::string &path) {
  std::string key;
  size_t start = 0;
  for (;;) {
    size_t slash = path.find('/', start);
    std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    while (!part.empty() && (part.back() == '.' || part.back() == ' '))
      part.pop_back();
    for (char &c : part)
      c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    key += part;
    if (slash == std::string::npos)
      return key;
    key += '/';
    start = slash + 1;
  }
}

// The installer's path for one member, relative to the destination, found
// the way its extraction finds it; reasons are added for what changes.
struct Placed {
  std::string path; // "/" between levels, no final "/"; empty when nothing is made
  bool folder = false;
  std::string lastPart;
  std::string folderPath;
};

Placed PlaceAsTheInstallerDoes(const std::string &stored, std::vector<std::string> &reasons) {
  Placed placed;
  bool utf8Flag = CarriesUtf8Flag(stored);
  std::string name = utf8Flag ? EscapeUtf8Name(stored) : stored;
  if (name.size() > MemberNameLimit) {
    name.resize(MemberNameLimit);
    reasons.push_back("longer than " + std::to_string(MemberNameLimit) + " characters: the installer cuts it");
  }
  if (!utf8Flag && !IsAscii(stored))
    reasons.push_back("not UTF-8: the installer reads it in the DOS code page, so its letters change");

  MappedName mapped;
  if (!MapMemberName(name, false, mapped)) {
    reasons.push_back("the installer refuses a \"..\" in a name and skips it (result 2)");
    return placed;
  }
  placed.folder = mapped.folderEntry;
  placed.folderPath = Joined(mapped.folders);
  if (placed.folder) {
    std::string own = CleanComponent(LastPart(name), false, false);
    if (own.empty() || own == ".") {
      reasons.push_back("the installer drops this folder level: what it holds goes into the folder above");
      return placed;
    }
    placed.lastPart = mapped.folders.back();
    placed.path = placed.folderPath;
    return placed;
  }
  if (mapped.file.empty()) {
    reasons.push_back("the installer makes nothing of this name and skips it (result 2)");
    return placed;
  }
  // A file whose name carries the UTF-8 flag keeps its real letters; only
  // its folders are written in the escaped form.
  std::string realName = utf8Flag ? CleanComponent(LastPart(stored), true, false) : "";
  placed.lastPart = !realName.empty() && realName != "." ? realName : mapped.file;
  placed.path = placed.folderPath + (placed.folderPath.empty() ? "" : "/") + placed.lastPart;
  return placed;
}

struct Earlier {
  std::string name;
  bool folder;
};

std::string CollisionReason(const Placed &placed, const Earlier &earlier) {
  if (placed.folder && earlier.folder)
    return "what it holds goes into " + ShownName(earlier.name) + ", which the installer names the same";
  if (!placed.folder && !earlier.folder)
    return "it replaces " + ShownName(earlier.name) + ", which the installer names the same";
  return "the installer cannot make both it and " + ShownName(earlier.name) + ", which it names the same";
}

} // namespace

std::vector<NameWarning> CheckMemberNameWarnings(const std::vector<std::string> &names) {
  std::vector<NameWarning> warnings;
  std::map<std::string, Earlier> made; // by WindowsKey of the installer's path
  for (const std::string &name : names) {
    std::vector<std::string> reasons;
    Placed placed = PlaceAsTheInstallerDoes(name, reasons);
    // The first reason in general words, the same for every member it
    // concerns, so that many members can share one line.
    std::string kind = reasons.empty() ? "" : reasons[0];
    auto add = [&](const std::string &reason, const char *general) {
      if (reasons.empty())
        kind = general;
      reasons.push_back(reason);
    };
    if (!placed.lastPart.empty()) {
      if (placed.lastPart != LastPart(name))
        add("the installer names it " + ShownName(placed.path) + (placed.folder ? "/" : ""),
            "the installer changes the name");
      std::string device = DeviceNameOf(placed.lastPart);
      if (!device.empty())
        add(device + " is a device name on Windows, with any extension: the installer cannot make it",
            "a device name on Windows: the installer cannot make it");
      char end = placed.lastPart.back();
      if (end == '.' || end == ' ')
        add("ends in a dot or a blank, which Windows drops", "ends in a dot or a blank, which Windows drops");
      if (placed.folder && placed.folderPath.size() + ShortestRoot > FolderPathLimit) {
        std::string reason = "its path is longer than the installer can make folders (" +
                             std::to_string(FolderPathLimit) + " characters, the install folder included)";
        add(reason, reason.c_str());
      }
      auto inserted = made.insert({WindowsKey(placed.path), Earlier{name, placed.folder}});
      if (!inserted.second)
        add(CollisionReason(placed, inserted.first->second), "the installer names it the same as another member");
    }
    if (reasons.empty())
      continue;
    std::string text = reasons[0];
    for (size_t i = 1; i < reasons.size(); i++)
      text += "; " + reasons[i];
    warnings.push_back({ShownName(name), text, kind});
  }
  return warnings;
}

std::vector<std::string> CheckMemberNames(const std::vector<std::string> &names) {
  std::vector<std::string> lines;
  for (const NameWarning &warning : CheckMemberNameWarnings(names))
    lines.push_back(warning.name + ": " + warning.reasons);
  return lines;
}
