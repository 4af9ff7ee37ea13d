// dry-run: installs what a distribution offers on the dry machine, as
// SETUP.EXE's Install would, and prints what the run did, for the
// end-to-end tests to hold against a real install.
//   dry-run [--only TITLE] [--answers YN...] DISTRIBUTION INSTALL_FOLDER
//           PROGRAMS_FOLDER [DISK_FOLDER...]
// Every offered product is installed, or only the one titled TITLE; the
// replacement questions are answered in turn by the letters of YN (Y for
// Yes). The Programs folder and each DISK_FOLDER (the install folder's
// parent, say) are seen as they are on the disk, and the Uninstall key
// starts with the "QMG ..." entries of this machine's registry. Prints, for
// each product, "log FOLDER" and then "record R" for every uninstall-log
// record in order, and last "operation LINE" for everything the dry
// machine recorded (the further lines of a message each after "+ ").
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/dry_machine.h"
#include "base/file_system.h"
#include "base/setup_state.h"
#include "base/whole_file.h"
#include "package/key_table.h"
#include "script/dry_run.h"
#include "script/product_install.h"
#include "script/product_scan.h"
#include "script/script_checksum.h"
#include "script/script_reader.h"

namespace {

struct Offer {
  std::string title;
  int slot;
};
std::vector<Offer> Offered;
std::string Only;

bool PackagePresent(const char *path) { return QueryPathKind(path) == PathKind::File; }
void OfferProduct(const char *title, int slot) {
  if (Only.empty() || Only == title)
    Offered.push_back({title, slot});
}

// SETUP.EXE installs the products in the order of its sorted list box, by
// title, not in the order of the script: what one product records can
// depend on what another made before it (the Start Menu group folder).
void SortAsTheListDoes() {
  std::stable_sort(Offered.begin(), Offered.end(),
                   [](const Offer &a, const Offer &b) { return lstrcmpiA(a.title.c_str(), b.title.c_str()) < 0; });
}

std::string ValueOf(HKEY key, const char *name, const char *value) {
  char data[512] = "";
  DWORD size = sizeof data;
  if (RegGetValueA(key, name, value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return "";
  return data;
}

// The installer's entries under this machine's Uninstall key.
std::vector<DryEntry> InstalledEntries() {
  std::vector<DryEntry> entries;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return entries;
  char name[512];
  for (DWORD i = 0;; i++) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (strncmp(name, "QMG ", 4) == 0)
      entries.push_back({name, ValueOf(key, name, "Folder"), ValueOf(key, name, "Version"),
                         RegGetValueA(key, name, "InstallFinished", RRF_RT_ANY, nullptr, nullptr, nullptr) ==
                             ERROR_SUCCESS});
  }
  RegCloseKey(key);
  return entries;
}

} // namespace

int main(int argc, char **argv) {
  std::vector<bool> answers;
  int first = 1;
  for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
    if (strcmp(argv[first], "--only") == 0)
      Only = argv[first + 1];
    else if (strcmp(argv[first], "--answers") == 0)
      for (const char *letter = argv[first + 1]; *letter; letter++)
        answers.push_back(*letter == 'Y' || *letter == 'y');
  }
  if (argc - first < 3) {
    fprintf(stderr, "usage: dry-run [--only TITLE] [--answers YN...] DISTRIBUTION INSTALL_FOLDER PROGRAMS_FOLDER "
                    "[DISK_FOLDER...]\n");
    return 2;
  }
  argv += first - 1;
  argc -= first - 1;
  StartDryRun(argv[3], InstalledEntries());
  AnswerDryQuestionsWith(answers);
  AddDryDiskFolder(argv[3]);
  for (int i = 4; i < argc; i++)
    AddDryDiskFolder(argv[i]);
  if (snprintf(SourceFolder, sizeof SourceFolder, "%s\\", argv[1]) >= static_cast<int>(sizeof SourceFolder) ||
      snprintf(InstallFolder, sizeof InstallFolder, "%s", argv[2]) >= static_cast<int>(sizeof InstallFolder)) {
    fprintf(stderr, "dry-run: a folder does not fit a path buffer\n");
    return 2;
  }
  std::vector<unsigned char> script;
  if (!ReadWholeFile((std::string(SourceFolder) + "SETUP.CTL").c_str(), script)) {
    fprintf(stderr, "dry-run: no SETUP.CTL in %s\n", argv[1]);
    return 1;
  }
  AttachScript(script.data(), static_cast<uint32_t>(script.size()));
  CheckScriptHeader();
  BuildSharedKeyTable(SharedKeyTable);
  if (!ScanProducts({PackagePresent, OfferProduct}))
    return 1;
  SortAsTheListDoes();
  for (const Offer &offer : Offered) {
    BuildProductKeyTable(offer.slot, ProductKeyTable);
    ScriptCursor = ProductSections[offer.slot];
    size_t first = DryLogRecords().size();
    InstallProduct(DryInstallHost());
    printf("log %s\n", ProductFolder);
    for (size_t i = first; i < DryLogRecords().size(); i++)
      printf("record %s\n", DryLogRecords()[i].c_str());
  }
  for (const std::string &operation : DryOperations()) {
    // A message of several lines goes on lines of its own, each after "+ ".
    std::string text = operation;
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 3)
      text.replace(at, 1, "\n+ ");
    printf("operation %s\n", text.c_str());
  }
  return 0;
}
