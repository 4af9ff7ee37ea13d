// A dry run of an installation: the interpreter and the install driver run
// as they do in SETUP.EXE, on the dry machine (base/dry_machine.h), with
// this host for the Start Menu and the Uninstall key. Nothing is touched;
// every operation is recorded, and the uninstall-log records written are
// kept, as a real installation would have written them. The registry lines
// among the operations:
//   registry create NAME          an Uninstall entry made
//   registry set NAME VALUE=DATA  one of its values written
//   registry delete NAME          an entry deleted
// A program linked for dry runs uses base/file_system_dry.cpp,
// base/whole_file_dry.cpp and base/user_interface_dry.cpp.
#pragma once

#include <string>
#include <vector>

#include "script/install_host.h"

// An entry under the Uninstall key before the run; an empty folder or
// version leaves that value out. `finished` marks the record of an install
// that ran to its end.
struct DryEntry {
  std::string name, folder, version;
  bool finished = true;
};

// Starts a dry run afresh: the machine holds only drive roots and the
// Programs folder (made there when not empty), the Uninstall key holds
// `entries`, and no records are kept yet.
void StartDryRun(const std::string &programsFolder, const std::vector<DryEntry> &entries = {});

// The host of the run.
const InstallHost &DryInstallHost();

// The uninstall-log records written since the run started, each its kind
// letter and its text, in order.
const std::vector<std::string> &DryLogRecords();
// For each of those records, how many operations (DryOperations) had been
// recorded when it was written: what was made before it and what after.
const std::vector<size_t> &DryLogRecordMoments();

// The names of the entries under the Uninstall key now.
std::vector<std::string> DryEntryNames();
