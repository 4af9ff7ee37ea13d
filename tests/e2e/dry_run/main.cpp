// dry-run: installs what a distribution offers on the dry machine, as
// SETUP.EXE's Install would with every product selected, and prints what
// the run did, for the end-to-end tests to hold against a real install.
//   dry-run DISTRIBUTION INSTALL_FOLDER PROGRAMS_FOLDER [EXISTING_FOLDER...]
// EXISTING_FOLDER names folders that are there before the run (the install
// folder's parent, say); drive roots always are. Prints, for each product,
// "log FOLDER" and then "record R" for every uninstall-log record in order,
// and last "operation LINE" for everything the dry machine recorded.
#include <cstdio>
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

std::vector<int> Offered;

bool PackagePresent(const char *path) { return QueryPathKind(path) == PathKind::File; }
void OfferProduct(const char *, int slot) { Offered.push_back(slot); }

} // namespace

int main(int argc, char **argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: dry-run DISTRIBUTION INSTALL_FOLDER PROGRAMS_FOLDER [EXISTING_FOLDER...]\n");
    return 2;
  }
  StartDryRun(argv[3]);
  for (int i = 4; i < argc; i++)
    AddDryFolder(argv[i]);
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
  for (int slot : Offered) {
    BuildProductKeyTable(slot, ProductKeyTable);
    ScriptCursor = ProductSections[slot];
    size_t first = DryLogRecords().size();
    InstallProduct(DryInstallHost());
    printf("log %s\n", ProductFolder);
    for (size_t i = first; i < DryLogRecords().size(); i++)
      printf("record %s\n", DryLogRecords()[i].c_str());
  }
  for (const std::string &line : DryOperations())
    printf("operation %s\n", line.c_str());
  return 0;
}
