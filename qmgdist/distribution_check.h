// qmgdist check: a distribution folder as SETUP.EXE would meet it. Every
// offered product is installed on the dry machine (script/dry_run.h) by the
// installer's own interpreter and driver, with the install folder C:\QMG
// and with the longest folder given; every message the player would see
// becomes a finding at the script line where the reader stood, and the checks the
// installer cannot make itself (packages made with the wrong key, copies of
// missing files, products without an uninstaller, names the installer
// changes, the background picture) are added. Nothing in the distribution
// is changed. A program linked with qmg_core_dry runs it.
#pragma once

#include <string>
#include <vector>

struct CheckFinding {
  std::string file; // SETUP.CTL or the package or picture concerned
  int line;         // the script line that leads to it, 0 for none
  bool error;       // an error, else a warning
  std::string text;
  std::string kind;  // of a warning: the name --no-warn takes
  std::string item;  // a member the finding is about, "" for none
  std::string group; // findings of one file, line and group share a line
};

struct CheckOptions {
  std::string distribution;
  std::vector<std::string> installFolders; // the longest is tried besides C:\QMG
  bool scriptOnly = false;                 // the header and the script's lines alone
  std::string shownScript;                 // the script as the stamp advice names it
};

// Fills `findings` ordered by line, each once. False, with one sentence in
// `report`, when the distribution folder or its SETUP.CTL cannot be read.
bool CheckDistribution(const CheckOptions &options, std::vector<CheckFinding> &findings, std::string &report);

// The verb: "check [--strict] [-q] [--no-warn=KIND]... [--folder FOLDER]...
// DIST". Prints one line per finding, "PATH:LINE: error: text" or
// "PATH: warning: text [KIND]", then a summary; returns 0 without errors
// (and, with --strict, without warnings), 1 otherwise, 2 for a usage or
// file problem. build runs it with --source and --as, so that findings name
// the source folder the maker edits.
int RunCheck(int argc, char **argv);
extern const char CheckHelp[];

// The kinds of warning check and build give, for --no-warn.
extern const char *const WarningKinds[];
