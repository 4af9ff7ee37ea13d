// Every section of a control script read as SETUP.EXE reads it, offered or
// not, L or S: SETUP.EXE meets a section's mistakes only when it installs
// that product, and stops at the first, so a section that is not offered
// (a typo in its only Z line is enough) or an S section hides them. Here
// each line is read with the installer's own token reader and command
// interpreter (in skip mode: nothing is carried out), and reading goes on
// past every mistake at the next line. The script is the one attached to
// the reader (script/script_reader.h); the dry machine records the
// messages, so a program linked with qmg_core_dry runs it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LintFinding {
  uint32_t at;      // the reader's position when it was found
  bool error;       // a message SETUP.EXE shows, else a warning
  std::string text; // the message as SETUP.EXE shows it, or the warning
  std::string kind; // of a warning: "trailing-blank" or "non-ascii"
};

// The findings in script order. Errors are SETUP.EXE's messages; warnings
// are operands that name files and end in a blank, or hold bytes of 0x80
// and above.
std::vector<LintFinding> LintScript();
