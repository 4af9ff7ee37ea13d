// Installs arbitrary bytes as control script sections on the dry machine:
// every product the scan offers, and the bytes once more as one section
// read from its title, head and commands, with packages of both key tables
// in a small distribution made at start-up. Fails the run when a log
// record or an operation of the dry machine lies outside the install folder
// and the Start Menu group, the only places an installation may touch.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/dry_machine.h"
#include "base/file_system.h"
#include "base/folder_chain.h"
#include "base/setup_state.h"
#include "package/key_table.h"
#include "script/dry_run.h"
#include "script/product_install.h"
#include "script/product_scan.h"
#include "script/script_reader.h"
#include "shell/start_menu.h"
#include "tests/support/zip_builder.h"

namespace {

const char InstallAt[] = "C:\\QMG";
const char ProgramsAt[] = "C:\\ProgramData\\Start Menu\\Programs";
std::string Distribution; // a real folder, read by the dry machine
std::vector<int> Offered;

void WriteFile(const std::string &name, const std::string &bytes) {
  FILE *file = fopen((Distribution + name).c_str(), "wb");
  if (!file)
    abort();
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

void MakeDistribution() {
  char folder[] = "/tmp/qmg-fuzz-install-XXXXXX";
  if (!mkdtemp(folder))
    abort();
  Distribution = std::string(folder) + "/";
  uint16_t shared[KeyTableWordCount], product[KeyTableWordCount];
  BuildSharedKeyTable(shared);
  BuildProductKeyTable(1, product);
  WriteFile("README.TXT", "read me");
  WriteFile("GAME.QPK", ZipBuilder::Scrambled(
                            ZipBuilder().Add("GAME.EXE", "MZ").Add("data/level.dat", "L1").Build(), product));
  WriteFile("SHARED.QPK", ZipBuilder::Scrambled(ZipBuilder().Add("ui/skin.dat", "UI").Build(), shared));
  WriteFile("MUSIC.QPK", ZipBuilder::Scrambled(ZipBuilder().Add("theme.mid", "M").Build(), shared));
}

void RemoveDistribution() {
  for (const char *name : {"README.TXT", "GAME.QPK", "SHARED.QPK", "MUSIC.QPK"})
    unlink((Distribution + name).c_str());
  rmdir(Distribution.c_str());
}

bool PackagePresent(const char *path) { return QueryPathKind(path) == PathKind::File; }
void OfferProduct(const char *, int slot) { Offered.push_back(slot); }

// Where Windows would put `path`: "/" read as "\\", "." components
// dropped, ".." taking away the one before, and the dots and blanks that end
// a name dropped, as Windows drops them. Upper-cased for comparing; "" for
// a path that climbs above its root.
std::string ResolvedLikeWindows(const std::string &path) {
  std::vector<std::string> names;
  std::string name;
  bool aboveRoot = false;
  auto flush = [&]() {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ') && name != "." && name != "..")
      name.pop_back();
    if (name == "..") {
      if (names.size() <= 1)
        aboveRoot = true;
      else
        names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    name.clear();
  };
  for (char c : path) {
    if (c == '\\' || c == '/')
      flush();
    else
      name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  flush();
  if (aboveRoot)
    return "";
  std::string resolved;
  for (const std::string &part : names)
    resolved += (resolved.empty() ? "" : "\\") + part;
  return resolved;
}

// The install folder, the Start Menu group or anything inside them.
bool Owned(const std::string &path) {
  static const std::string group = StartMenuGroupIn(ProgramsAt);
  std::string resolved = ResolvedLikeWindows(path);
  for (const std::string &folder : {std::string(InstallAt), group}) {
    std::string owner = ResolvedLikeWindows(folder);
    if (!resolved.empty() && (resolved == owner || resolved.compare(0, owner.size() + 1, owner + "\\") == 0))
      return true;
  }
  return false;
}

void Fail(const char *what, const std::string &line) {
  fprintf(stderr, "outside the installation: %s %s\n", what, line.c_str());
  abort();
}

// What each record and operation touches must be owned.
void CheckEverythingOwned() {
  for (const std::string &record : DryLogRecords())
    if ((record[0] == 'F' || record[0] == 'D') && !Owned(record.substr(1)))
      Fail("record", record);
  for (const std::string &line : DryOperations()) {
    for (const char *kind : {"folder ", "file ", "delete ", "remove folder "})
      if (line.compare(0, strlen(kind), kind) == 0 && !Owned(line.substr(strlen(kind))))
        Fail("operation", line);
    for (const char *kind : {"copy ", "link "}) {
      size_t arrow = line.find(" > ");
      if (line.compare(0, strlen(kind), kind) != 0 || arrow == std::string::npos)
        continue;
      std::string written = kind[0] == 'c' ? line.substr(arrow + 3) : line.substr(strlen(kind), arrow - strlen(kind));
      if (!Owned(written))
        Fail("operation", line);
    }
  }
}

void StartRun() {
  StartDryRun(ProgramsAt);
  snprintf(SourceFolder, sizeof SourceFolder, "%s", Distribution.c_str());
  snprintf(InstallFolder, sizeof InstallFolder, "%s", InstallAt);
  BuildSharedKeyTable(SharedKeyTable);
  TruncatePendingFolders(0);
  AnswerDryQuestionsWith({true, false, true});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  MakeDistribution();
  atexit(RemoveDistribution);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::unique_ptr<unsigned char[]> script(new unsigned char[size ? size : 1]);
  memcpy(script.get(), data, size);

  // As the install run does: every product offered, in turn.
  StartRun();
  Offered.clear();
  AttachScript(script.get(), static_cast<uint32_t>(size));
  if (ScanProducts({PackagePresent, OfferProduct}))
    for (size_t i = 0; i < Offered.size() && i < 4; i++) {
      BuildProductKeyTable(Offered[i], ProductKeyTable);
      ScriptCursor = ProductSections[Offered[i]];
      InstallProduct(DryInstallHost());
    }
  CheckEverythingOwned();

  // The bytes as one section, from its title on.
  StartRun();
  BuildProductKeyTable(1, ProductKeyTable);
  AttachScript(script.get(), static_cast<uint32_t>(size));
  InstallProduct(DryInstallHost());
  CheckEverythingOwned();
  return 0;
}
