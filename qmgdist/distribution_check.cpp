#include "qmgdist/distribution_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "base/dry_machine.h"
#include "base/setup_state.h"
#include "package/key_table.h"
#include "package/member_names.h"
#include "package/scramble.h"
#include "package/unpack.h"
#include "package/zip_records.h"
#include "picture/dib_header.h"
#include "qmgdist/command_line.h"
#include "qmgdist/member_name_check.h"
#include "qmgdist/script_encoding.h"
#include "qmgdist/script_lint.h"
#include "script/dry_run.h"
#include "script/product_code.h"
#include "script/product_install.h"
#include "script/product_scan.h"
#include "script/script_checksum.h"
#include "script/script_reader.h"

namespace {

const char DefaultInstallFolder[] = "C:\\QMG";
const char ProgramsFolder[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char TrialFolder[] = "C:\\QMGCHECK";
const char ScriptName[] = "SETUP.CTL";
const char PictureName[] = "SETUPBK.QBK";

#ifdef _WIN32
const char FolderSeparator = '\\';
#else
const char FolderSeparator = '/';
#endif

std::vector<unsigned char> Script;
std::vector<CheckFinding> *Findings;

// Where each script line after the first starts: after a CR LF, a lone CR
// or a lone LF.
std::vector<uint32_t> LineStarts;

void FindLineStarts() {
  LineStarts.clear();
  for (uint32_t p = 0; p < Script.size(); p++)
    if (Script[p] == '\n' || (Script[p] == '\r' && (p + 1 >= Script.size() || Script[p + 1] != '\n')))
      LineStarts.push_back(p + 1);
}

// The line number of a script position: 1 + the line breaks before it.
int LineAt(uint32_t position) {
  return 1 + static_cast<int>(std::upper_bound(LineStarts.begin(), LineStarts.end(), position) - LineStarts.begin());
}

bool AtLineStart(uint32_t position) {
  return position >= Script.size() || (position > 0 && (Script[position - 1] == '\n' || Script[position - 1] == '\r'));
}

// The line that led to what happened with the cursor at `position`. The
// reader moves past a line once it has read its operand, so a cursor at the
// start of a line stands for the line before, unless the message quotes
// the script from right there (an unknown command, a line without "=").
int LineOf(uint32_t position, const std::string &message = "") {
  if (AtLineStart(position) && position > 0) {
    char general[ExcerptCapacity], commandLine[ExcerptCapacity];
    uint32_t saved = ScriptCursor;
    CopyGeneralExcerpt(position, general);
    CopyCommandLineExcerpt(position, commandLine);
    ScriptCursor = saved;
    auto endsWith = [&](const char *tail) {
      size_t length = strlen(tail);
      return length > 0 && message.size() >= length && message.compare(message.size() - length, length, tail) == 0;
    };
    if (!endsWith(general) && !endsWith(commandLine)) {
      while (position > 0 && (Script[position - 1] == '\n' || Script[position - 1] == '\r'))
        position--;
    }
  }
  return LineAt(position);
}

void Find(const std::string &file, int line, bool error, const std::string &text, const std::string &kind = "",
          const std::string &item = "", const std::string &group = "") {
  for (const CheckFinding &known : *Findings)
    if (known.file == file && known.line == line && known.text == text && known.item == item) {
      if (error && !known.error)
        break;
      return;
    }
  Findings->push_back({file, line, error, text, kind, item, group});
}

bool HasError(int line, const std::string &text) {
  for (const CheckFinding &known : *Findings)
    if (known.error && known.line == line && known.text == text)
      return true;
  return false;
}

std::string Upper(std::string text) {
  for (char &c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// A message on one line: each run of line breaks, the message's own or the
// script's inside an excerpt, becomes one blank.
std::string OneLine(const std::string &text) {
  std::string line;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] != '\r' && text[i] != '\n')
      line += text[i];
    else if (i == 0 || (text[i - 1] != '\r' && text[i - 1] != '\n'))
      line += ' ';
  }
  return line;
}

bool StartsWith(const std::string &text, const char *head) { return text.compare(0, strlen(head), head) == 0; }

std::string SlotCode(int slot) {
  char code[2];
  ProductCodeOfSlot(slot, code);
  return std::string(code, 2);
}

// A section line and what its body names.
struct Package {
  std::string name;
  int line;
};
struct Section {
  uint32_t at;  // the "L"
  int line;
  char code[2];
  int slot;     // -1 outside the alphabet
  std::string title;
  std::vector<Package> zPackages, uPackages;
};

// The sections of the script and the packages their bodies name, read with
// the installer's own token reader. Messages it would show are the dry
// run's business, so this reading is quiet: it is done before the runs.
std::vector<Section> SurveySections() {
  std::vector<Section> sections;
  ScriptCursor = 0;
  while (SkipBlanks()) {
    uint32_t at = ScriptCursor;
    int letter = PeekUpper();
    if (letter == 'L') {
      Section section{at, LineAt(at), {'\0', '\0'}, -1, "", {}, {}};
      if (at + 2 < ScriptLength) {
        section.code[0] = static_cast<char>(ScriptBuffer[at + 1]);
        section.code[1] = static_cast<char>(ScriptBuffer[at + 2]);
        section.slot = ProductCodeSlot(section.code[0], section.code[1]);
        uint32_t title = at + 3;
        if (title < ScriptLength && ScriptBuffer[title] == '=')
          title++;
        for (uint32_t p = title; p < ScriptLength && ScriptBuffer[p] != '\r' && ScriptBuffer[p] != '\n'; p++)
          section.title += static_cast<char>(ScriptBuffer[p]);
      }
      sections.push_back(section);
    } else if (letter == 'S') {
      sections.push_back(Section{at, LineAt(at), {'S', '\0'}, -2, "", {}, {}});
    } else if ((letter == 'Z' || letter == 'U') && !sections.empty()) {
      int line = LineAt(at);
      uint32_t p = at + 1;
      if (p < ScriptLength && ScriptBuffer[p] == '=') {
        std::string name;
        for (p++; p < ScriptLength && ScriptBuffer[p] != '\r' && ScriptBuffer[p] != '\n'; p++)
          name += static_cast<char>(ScriptBuffer[p]);
        (letter == 'Z' ? sections.back().zPackages : sections.back().uPackages).push_back({name, line});
      }
    }
    SkipToNextLine();
  }
  ScriptCursor = 0;
  return sections;
}

std::string DistributionPath(const std::string &name) { return std::string(SourceFolder) + name; }

bool IsFile(const std::string &path) {
  FILE *file = fopen(path.c_str(), "rb");
  if (!file)
    return false;
  bool regular = fgetc(file) != EOF || !ferror(file);
  fclose(file);
  return regular;
}

bool ReadFile(const std::string &path, std::vector<unsigned char> &bytes) {
  bytes.clear();
  FILE *file = fopen(path.c_str(), "rb");
  if (!file)
    return false;
  unsigned char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

// --- packages -------------------------------------------------------------

const char *ResultMeaning(int result) {
  switch (result) {
  case UnpackWarning:
    return "warnings: backslashes in names, bytes before the archive, an unknown method, a cut name or no members";
  case UnpackMemberFailed:
    return "a member failed: CRC mismatch, damaged data, or a name the installer cannot make";
  case UnpackBrokenArchive:
    return "the archive is damaged";
  case UnpackNoMemory:
  case UnpackInflateNoMemory:
    return "not enough memory";
  case UnpackNotAnArchive:
    return "not a package under this key";
  case UnpackWriteFailed:
    return "a file could not be written";
  case UnpackTruncated:
    return "the archive is truncated";
  case UnpackPathIsFolder:
    return "the package name with .pk is a folder";
  }
  return "unknown result";
}

// Unpacks a package into a folder of the dry machine with `table`; the
// extraction is the installer's own, over the package's real bytes.
int TrialUnpack(const std::string &name, const uint16_t table[KeyTableWordCount]) {
  StartDryRun(ProgramsFolder);
  AddDryFolder(TrialFolder);
  SetActivePackageKeyTable(table);
  char path[PathCapacity + 3];
  if (snprintf(path, PathCapacity, "%s", DistributionPath(name).c_str()) >= static_cast<int>(PathCapacity))
    return UnpackNotAnArchive;
  return UnpackPackage(path, PathCapacity + 3, (std::string(TrialFolder) + "\\P").c_str());
}

// The key a package's first bytes descramble into a ZIP local header with,
// or "" when none does: "shared" or a product code.
std::string KeyThatOpens(const std::vector<unsigned char> &bytes) {
  if (bytes.size() < 4)
    return "";
  auto opens = [&](const uint16_t table[KeyTableWordCount]) {
    uint8_t key[KeyTableBytes];
    KeyTableBytesOf(table, key);
    uint8_t head[4];
    memcpy(head, bytes.data(), 4);
    ScrambleAt(head, 4, 0, key);
    return Le32(head) == LocalHeaderSignature;
  };
  uint16_t table[KeyTableWordCount];
  BuildSharedKeyTable(table);
  if (opens(table))
    return "shared";
  for (int slot = 0; slot < static_cast<int>(ProductSlotCount); slot++) {
    BuildProductKeyTable(slot, table);
    if (opens(table))
      return SlotCode(slot);
  }
  return "";
}

// The member names of the central directory, descrambled with `table`.
std::vector<std::string> MemberNames(std::vector<unsigned char> bytes, const uint16_t table[KeyTableWordCount]) {
  std::vector<std::string> names;
  uint8_t key[KeyTableBytes];
  KeyTableBytesOf(table, key);
  ScrambleAt(bytes.data(), bytes.size(), 0, key);
  if (bytes.size() < EndRecordSize)
    return names;
  size_t end = bytes.size() - EndRecordSize;
  size_t lowest = end > 65535 ? end - 65535 : 0;
  for (;; end--) {
    if (Le32(&bytes[end]) == EndRecordSignature)
      break;
    if (end == lowest)
      return names;
  }
  uint64_t at = Le32(&bytes[end + end_record::DirectoryOffset]);
  unsigned count = Le16(&bytes[end + end_record::EntriesTotal]);
  for (unsigned i = 0; i < count && at + CentralHeaderSize <= bytes.size(); i++) {
    const unsigned char *header = &bytes[at];
    if (Le32(header) != CentralHeaderSignature)
      break;
    size_t nameLength = Le16(header + central::NameLength);
    if (at + CentralHeaderSize + nameLength > bytes.size())
      break;
    names.emplace_back(reinterpret_cast<const char *>(header + CentralHeaderSize), nameLength);
    at += CentralHeaderSize + nameLength + Le16(header + central::ExtraLength) +
          Le16(header + central::CommentLength);
  }
  return names;
}

// One package as SETUP.EXE would unpack it with `keyName`'s table.
void CheckPackage(const Package &package, const std::string &keyName, bool mustExist) {
  std::string path = DistributionPath(package.name);
  std::vector<unsigned char> bytes;
  if (!IsFile(path) || !ReadFile(path, bytes)) {
    if (mustExist)
      Find(ScriptName, package.line, true, "package " + package.name + " is not in the distribution");
    return;
  }
  uint16_t table[KeyTableWordCount];
  if (keyName == "shared")
    BuildSharedKeyTable(table);
  else
    BuildProductKeyTable(ProductCodeSlot(keyName[0], keyName[1]), table);
  int result = TrialUnpack(package.name, table);
  if (result != UnpackOk) {
    std::string opener = KeyThatOpens(bytes);
    std::string text = "does not extract with the " + (keyName == "shared" ? "shared key" : "key " + keyName) +
                       " that SETUP.EXE uses: result " + std::to_string(result) + " (" + ResultMeaning(result) + ")";
    if (!opener.empty() && opener != keyName)
      text += "; it was made with the " + (opener == "shared" ? std::string("shared key") : "key " + opener);
    Find(package.name, package.line, true, text);
  }
  std::vector<std::string> names = MemberNames(bytes, table);
  if (result == UnpackMemberFailed || result == UnpackWarning || result == UnpackWriteFailed)
    for (const std::string &name : names) {
      MappedName mapped;
      if (!MapMemberName(name, false, mapped)) {
        Find(package.name, package.line, true, "the installer refuses its name", "", name,
             "the installer refuses their names");
        continue;
      }
      if (mapped.folderEntry || mapped.file.empty())
        continue;
      std::string path = std::string(TrialFolder) + "\\P";
      for (const std::string &folder : mapped.folders)
        path += "\\" + folder;
      if (DryPathKind(path + "\\" + mapped.file) != 1)
        Find(package.name, package.line, true, "the installer cannot place it", "", name,
             "the installer cannot place them");
    }
  for (const NameWarning &warning : CheckMemberNameWarnings(names))
    Find(package.name, package.line, false, warning.reasons, "member-name", warning.name, warning.kind);
}

// --- the install runs -------------------------------------------------------

struct Offer {
  std::string title;
  int slot;
};
std::vector<Offer> Offered;

bool PackagePresent(const char *path) { return IsFile(path); }
void OfferProduct(const char *title, int slot) { Offered.push_back({title, slot}); }

const Section *SectionAt(const std::vector<Section> &sections, uint32_t titlePosition) {
  const Section *found = nullptr;
  for (const Section &section : sections)
    if (section.at < titlePosition)
      found = &section;
  return found;
}

// Installs every offered product into `installFolder`. Messages are errors
// for the usual folder; for a longer one, a message the usual folder does
// not give is a warning that the script passes only for short folders.
void RunInstalls(const std::vector<Section> &sections, const std::string &installFolder, bool usual) {
  StartDryRun(ProgramsFolder);
  snprintf(InstallFolder, sizeof InstallFolder, "%s", installFolder.c_str());
  BuildSharedKeyTable(SharedKeyTable);
  std::map<std::string, std::string> folders; // product folder, upper-cased: title
  std::set<int> slotsRun;
  for (const Offer &offer : Offered) {
    // Two sections with one code are offered twice and both run the later
    // section (a warning of its own): it is installed once here, since the
    // dry machine cannot read back the log of the first time.
    if (!slotsRun.insert(offer.slot).second)
      continue;
    const Section *section = SectionAt(sections, ProductSections[offer.slot]);
    int sectionLine = section ? section->line : 1;
    BuildProductKeyTable(offer.slot, ProductKeyTable);
    ScriptCursor = ProductSections[offer.slot];
    size_t operationsBefore = DryOperations().size();
    size_t missingBefore = DryMissingSources().size();
    ProductFolder[0] = '\0';
    bool completed = InstallProduct(DryInstallHost());

    const std::vector<std::string> &operations = DryOperations();
    for (size_t i = operationsBefore; i < operations.size(); i++) {
      const std::string &operation = operations[i];
      int line = LineOf(DryOperationCursors()[i], operation);
      for (const char *kind : {"message ", "question "}) {
        if (!StartsWith(operation, kind) || !strcmp(kind, "question "))
          continue;
        std::string text = "SETUP.EXE shows \"" + OneLine(operation.substr(strlen(kind))) + "\"";
        if (usual)
          Find(ScriptName, line, true, text);
        else if (!HasError(line, text))
          Find(ScriptName, line, false,
               text + " with the install folder " + installFolder + "; it passes only for shorter folders",
               "long-folder");
      }
      if (usual && StartsWith(operation, "link ")) {
        size_t arrow = operation.find(" > ");
        std::string program = arrow == std::string::npos ? "" : operation.substr(arrow + 3);
        if (DryPathKind(program) != 1)
          Find(ScriptName, line, false,
               "shortcut to " + program + ": no C line or package member before it provides that file", "shortcut");
      }
    }
    for (size_t i = missingBefore; i < DryMissingSources().size(); i++) {
      std::string name = DryMissingSources()[i].path.substr(strlen(SourceFolder));
      Find(ScriptName, LineOf(DryMissingSources()[i].cursor), true,
           "C source " + name + " is not in the distribution (SETUP.EXE logs it and copies nothing)");
    }
    if (!usual || !ProductFolder[0])
      continue;
    if (completed && DryPathKind(std::string(ProductFolder) + "\\unsetup.exe") != 1)
      Find(ScriptName, sectionLine, false,
           "product \"" + std::string(ProductTitle) + "\" brings no unsetup.exe into its folder " + ProductFolder +
               ": its Uninstall entry names a missing program (add C=UNSETUP.EXE=unsetup.exe)",
           "uninstaller");
    auto known = folders.find(Upper(ProductFolder));
    if (known != folders.end())
      Find(ScriptName, sectionLine, false,
           "product \"" + std::string(ProductTitle) + "\" has the same folder as \"" + known->second +
               "\": " + ProductFolder,
           "same-folder");
    else
      folders[Upper(ProductFolder)] = ProductTitle;
  }
}

// --- the rest ---------------------------------------------------------------

const char *PictureProblem(BmpCheck check) {
  switch (check) {
  case BmpCheck::Ok:
    return "";
  case BmpCheck::NotABitmap:
    return "not a BMP file (no \"BM\" signature, or under 14 bytes)";
  case BmpCheck::OffsetOutsideFile:
    return "its pixel offset lies outside the file";
  case BmpCheck::SizeOutsideFile:
    return "its declared file size does not fit the file";
  case BmpCheck::ShortInfoBlock:
    return "its info header is short";
  case BmpCheck::BadDimensions:
    return "its width or height is out of range";
  case BmpCheck::UnsupportedFormat:
    return "its bit count or compression is not one the loader reads";
  case BmpCheck::ShortColorTable:
    return "its colour masks or table run past the info block";
  case BmpCheck::PixelsExceedStore:
    return "it declares more pixel bytes than the picture holds";
  }
  return "refused";
}

void CheckPicture() {
  std::vector<unsigned char> bytes;
  if (!IsFile(DistributionPath(PictureName)) || !ReadFile(DistributionPath(PictureName), bytes)) {
    Find(PictureName, 0, false, "no background picture: SETUP.EXE shows a plain dialog", "picture");
    return;
  }
  BmpFileLayout layout;
  DibFormat format;
  BmpCheck check = CheckBmpFile(bytes.data(), bytes.size(), layout, format);
  if (check != BmpCheck::Ok)
    Find(PictureName, 0, false, std::string("the picture loader refuses it: ") + PictureProblem(check), "picture");
}

void CheckHeader(const std::string &scriptPath) {
  if (Script.size() < ChecksumCoversFrom) {
    Find(ScriptName, 1, true, "no header: the first line must hold 9 bytes, such as \"#00000000 my distribution\"");
    return;
  }
  if (ScriptHeaderMatches(Script.data(), Script.size()))
    return;
  char digits[ChecksumDigitCount + 1] = "";
  FormatChecksumDigits(ScriptChecksum(Script.data(), Script.size()), digits);
  std::string held(reinterpret_cast<const char *>(&Script[ChecksumDigitsAt]), ChecksumDigitCount);
  Find(ScriptName, 1, true,
       "header checksum does not match: bytes 1 to 8 hold \"" + OneLine(held) + "\", the script needs " + digits +
           " (SETUP.EXE offers no product); run: qmgdist stamp " + scriptPath);
}

void CheckSections(const std::vector<Section> &sections) {
  std::map<int, const Section *> bySlot;
  for (const Section &section : sections) {
    if (section.slot == -2)
      continue;
    std::string code(section.code, 2);
    bool present = false;
    for (const Package &package : section.zPackages)
      present = present || IsFile(DistributionPath(package.name));
    std::string why;
    if (section.slot < 0)
      why = "its code \"" + code + "\" has characters outside " + ProductCodeAlphabet;
    else if (section.slot >= static_cast<int>(ProductSlotCount))
      why = "its code " + code + " is slot " + std::to_string(section.slot) +
            "; only codes that start with 0 or 1 (slots below 64) are offered";
    else if (!present)
      why = section.zPackages.empty() ? "it names no Z package" : "none of its Z packages is in the distribution";
    if (!why.empty()) {
      Find(ScriptName, section.line, false, "product \"" + section.title + "\" will not be offered: " + why,
           "not-offered");
      continue;
    }
    auto earlier = bySlot.find(section.slot);
    if (earlier != bySlot.end())
      Find(ScriptName, earlier->second->line, false,
           "product code " + code + " again at line " + std::to_string(section.line) +
               ": only the later section is installed",
           "same-code");
    bySlot[section.slot] = &section;
    for (const Package &package : section.zPackages)
      CheckPackage(package, code, true);
    for (const Package &package : section.uPackages)
      CheckPackage(package, "shared", true);
  }
  // The shared packages are named by no line: their findings have none.
  for (const char *shared : {"MUSIC.QPK", "COMMONUI.QPK"})
    CheckPackage({shared, 0}, "shared", false);
}

// Every section's lines, offered or not: what the install runs did not
// meet already. A finding outside the sections that were run says which
// section it is in, since SETUP.EXE shows it only once that one runs.
void LintSections(const std::vector<Section> &sections, bool offersKnown) {
  size_t fromRuns = Findings->size();
  auto runFound = [&](int line) {
    for (size_t i = 0; i < fromRuns; i++)
      if ((*Findings)[i].error && (*Findings)[i].line == line)
        return true;
    return false;
  };
  std::set<int> run;
  for (const Offer &offer : Offered) {
    const Section *section = SectionAt(sections, ProductSections[offer.slot]);
    if (section)
      run.insert(section->line);
  }
  for (const LintFinding &finding : LintScript()) {
    if (!finding.error) {
      Find(ScriptName, LineAt(finding.at), false, finding.text, finding.kind);
      continue;
    }
    int line = LineOf(finding.at, finding.text);
    if (runFound(line))
      continue;
    const Section *section = nullptr;
    for (const Section &candidate : sections)
      if (candidate.line <= line)
        section = &candidate;
    std::string text = "SETUP.EXE shows \"" + OneLine(finding.text) + "\"";
    if (section && section->slot == -2)
      text += " (in the S section at line " + std::to_string(section->line) + ", which SETUP.EXE reads past, " +
              "and would show it if that became an L section)";
    else if (section && !run.count(section->line))
      text += " when it installs \"" + section->title + "\" (line " + std::to_string(section->line) + ")" +
              (offersKnown ? ", a product it does not offer now" : "");
    Find(ScriptName, line, true, text);
  }
}

} // namespace

const char *const WarningKinds[] = {"not-offered",    "same-code",   "same-folder", "uninstaller",
                                    "shortcut",       "long-folder", "member-name", "picture",
                                    "trailing-blank", "non-ascii",   "no-folder",   nullptr};

bool CheckDistribution(const CheckOptions &options, std::vector<CheckFinding> &findings, std::string &report) {
  findings.clear();
  Findings = &findings;
  std::string folder = options.distribution;
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
    folder.pop_back();
  std::string scriptPath = folder + FolderSeparator + ScriptName;
  if (!IsFile(scriptPath) || !ReadFile(scriptPath, Script) || Script.empty()) {
    report = "cannot read " + scriptPath + " (SETUP.EXE would say \"CTL error, nothing to do.\")";
    return false;
  }
  if (folder.size() + 1 + strlen("SETUP.EXE") >= PathCapacity) {
    report = folder + ": the path is too long for SETUP.EXE's path buffers (it would offer nothing)";
    return false;
  }
  snprintf(SourceFolder, sizeof SourceFolder, "%s%c", folder.c_str(), FolderSeparator);

  FindLineStarts();
  std::string encoding = ScriptEncodingProblem(Script);
  if (!encoding.empty()) {
    // Nothing else can be read in the script as SETUP.EXE reads it.
    Find(ScriptName, 1, true, encoding);
  } else {
    CheckHeader(options.shownScript.empty() ? scriptPath : options.shownScript);
    // The rest is checked as if the header matched, so that one run shows
    // everything to mend.
    AttachScript(Script.data(), static_cast<uint32_t>(Script.size()));
    std::vector<Section> sections = SurveySections();
    Offered.clear();
    if (!options.scriptOnly) {
      CheckSections(sections);
      CheckPicture();
      StartDryRun(ProgramsFolder);
      size_t before = DryOperations().size();
      bool scanned = ScanProducts({PackagePresent, OfferProduct});
      for (size_t i = before; i < DryOperations().size(); i++)
        if (StartsWith(DryOperations()[i], "message "))
          Find(ScriptName, LineOf(DryOperationCursors()[i], DryOperations()[i]), true,
               "SETUP.EXE shows \"" + OneLine(DryOperations()[i].substr(8)) + "\" and offers nothing");
      if (scanned) {
        std::string longest;
        for (const std::string &candidate : options.installFolders)
          if (candidate.size() > longest.size())
            longest = candidate;
        RunInstalls(sections, DefaultInstallFolder, true);
        if (!longest.empty())
          RunInstalls(sections, longest, false);
      }
    }
    AttachScript(Script.data(), static_cast<uint32_t>(Script.size()));
    LintSections(sections, !options.scriptOnly);
  }
  std::stable_sort(findings.begin(), findings.end(),
                   [](const CheckFinding &a, const CheckFinding &b) { return a.line < b.line; });
  SourceFolder[0] = '\0';
  Findings = nullptr;
  return true;
}

namespace {

// `name` inside the folder `folder` as the maker typed the folder.
std::string Within(const std::string &folder, const std::string &name) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\'))
    return folder + name;
  return folder + FolderSeparator + name;
}

// Where a finding points: the script line that leads to it, or the file
// itself. Under --source that is the file the maker edits: the source's
// SETUP.CTL, a package's folder, the source's picture.
std::string Location(const CheckFinding &finding, const std::string &distribution, const std::string &source) {
  const std::string &folder = source.empty() ? distribution : source;
  if (finding.line > 0)
    return Within(folder, ScriptName) + ":" + std::to_string(finding.line);
  size_t dot = finding.file.rfind('.');
  if (!source.empty() && finding.file != ScriptName && finding.file != PictureName && dot != std::string::npos)
    return Within(folder, finding.file.substr(0, dot)) + FolderSeparator;
  return Within(folder, finding.file);
}

// The text of a finding, or of several of one group: a count and the first
// few members.
std::string Text(const std::vector<const CheckFinding *> &group) {
  const CheckFinding &first = *group.front();
  std::string subject = first.line > 0 && first.file != ScriptName ? first.file + ": " : "";
  if (first.item.empty())
    return subject + first.text;
  if (group.size() == 1)
    return subject + "member " + first.item + ": " + first.text;
  const size_t shown = 3;
  std::string names;
  for (size_t i = 0; i < group.size() && i < shown; i++)
    names += (i ? ", " : "") + group[i]->item;
  if (group.size() > shown)
    names += " and " + std::to_string(group.size() - shown) + " more";
  return subject + std::to_string(group.size()) + " members: " + first.group + ": " + names;
}

} // namespace

int RunCheck(int argc, char **argv) {
  ParsedArguments parsed;
  std::string report;
  if (argc == 1 && (!strcmp(argv[0], "--help") || !strcmp(argv[0], "-h"))) {
    printf("usage: qmgdist\n%s", CheckHelp);
    return 0;
  }
  if (!ParseArguments(argc, argv,
                      {{"--strict", false},
                       {"--folder", true},
                       {"--no-warn", true},
                       {"-q", false},
                       {"--quiet", false},
                       {"--source", true},
                       {"--as", true},
                       {"--script-only", false},
                       {"--help", false},
                       {"-h", false}},
                      parsed, report)) {
    fprintf(stderr, "qmgdist check: %s\n\n%s", report.c_str(), CheckHelp);
    return 2;
  }
  CheckOptions options;
  bool strict = false, quiet = false;
  std::set<std::string> silenced;
  std::string source, shownAs;
  for (const ParsedOption &option : parsed.options) {
    if (option.name == "--help" || option.name == "-h") {
      printf("usage: qmgdist\n%s", CheckHelp);
      return 0;
    }
    if (option.name == "--strict") {
      strict = true;
    } else if (option.name == "--folder") {
      options.installFolders.push_back(option.value);
    } else if (option.name == "-q" || option.name == "--quiet") {
      quiet = true;
    } else if (option.name == "--source") {
      source = option.value;
    } else if (option.name == "--as") {
      shownAs = option.value;
    } else if (option.name == "--script-only") {
      options.scriptOnly = true;
    } else {
      std::vector<std::string> kinds;
      for (const char *const *kind = WarningKinds; *kind; kind++)
        kinds.push_back(*kind);
      if (std::find(kinds.begin(), kinds.end(), option.value) == kinds.end()) {
        std::string known;
        for (const std::string &kind : kinds)
          known += (known.empty() ? "" : ", ") + kind;
        fprintf(stderr, "qmgdist check: --no-warn=%s: no such kind of warning%s; the kinds: %s\n", option.value.c_str(),
                DidYouMean(option.value, kinds).c_str(), known.c_str());
        return 2;
      }
      silenced.insert(option.value);
    }
  }
  if (parsed.operands.size() != 1) {
    fprintf(stderr, "qmgdist check: %s\n\n%s",
            parsed.operands.empty() ? "no distribution folder given" : "expected one distribution folder", CheckHelp);
    return 2;
  }
  options.distribution = parsed.operands[0];
  for (const std::string &folder : options.installFolders)
    if (folder.size() < 3 || folder[1] != ':' || folder[2] != '\\' || folder.size() >= PathCapacity) {
      fprintf(stderr, "qmgdist check: --folder %s: expected a full Windows path such as C:\\Games\\QMG\n",
              folder.c_str());
      return 2;
    }
  const std::string &shownDistribution = shownAs.empty() ? options.distribution : shownAs;
  options.shownScript = Within(source.empty() ? shownDistribution : source, ScriptName);
  std::vector<CheckFinding> findings;
  if (!CheckDistribution(options, findings, report)) {
    fprintf(stderr, "qmgdist check: %s\n", report.c_str());
    return 2;
  }
  // Findings of one group at one place share a line, in the order met.
  std::vector<std::vector<const CheckFinding *>> lines;
  std::map<std::string, size_t> groups;
  int errors = 0, warnings = 0;
  for (const CheckFinding &finding : findings) {
    if (!finding.error && silenced.count(finding.kind))
      continue;
    std::string key =
        finding.file + "\n" + std::to_string(finding.line) + "\n" + (finding.error ? "e" : "w") + "\n" + finding.group;
    if (!finding.group.empty() && groups.count(key)) {
      lines[groups[key]].push_back(&finding);
      continue;
    }
    groups[key] = lines.size();
    lines.push_back({&finding});
    (finding.error ? errors : warnings)++;
  }
  if (options.scriptOnly && errors == 0 && !(strict && warnings > 0))
    return 0;
  for (const std::vector<const CheckFinding *> &group : lines) {
    const CheckFinding &first = *group.front();
    printf("%s: %s: %s%s\n", Location(first, shownDistribution, source).c_str(), first.error ? "error" : "warning",
           Text(group).c_str(), first.error || first.kind.empty() ? "" : (" [" + first.kind + "]").c_str());
  }
  if (!quiet)
    printf("qmgdist check: %s: %d error%s, %d warning%s%s\n", shownDistribution.c_str(), errors, errors == 1 ? "" : "s",
           warnings, warnings == 1 ? "" : "s", strict && warnings > 0 ? " (--strict: warnings fail)" : "");
  return errors > 0 || (strict && warnings > 0) ? 1 : 0;
}
