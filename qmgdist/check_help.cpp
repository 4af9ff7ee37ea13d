// The usage lines of check, shown by qmgdist and by qmgdist-check.
#include "qmgdist/distribution_check.h"

const char CheckHelp[] =
    "  check [--strict] [--no-warn=KIND]... [-q] [--folder FOLDER]... DIST\n"
    "                  check a distribution folder as SETUP.EXE would meet it:\n"
    "                  installs every offered product on a machine that\n"
    "                  touches nothing (install folder C:\\QMG, and the longest\n"
    "                  FOLDER) and reads every section, offered or not; prints\n"
    "                  every message the player would see and every other\n"
    "                  problem as PATH:LINE: error|warning: text, then a\n"
    "                  summary. Exit 0 without errors, 1 with them. --strict\n"
    "                  fails on warnings too; --no-warn=KIND leaves out one\n"
    "                  kind of warning (the kind ends each warning line: not-\n"
    "                  offered, same-code, same-folder, uninstaller, shortcut,\n"
    "                  long-folder, member-name, picture, trailing-blank,\n"
    "                  non-ascii, no-folder); -q prints the findings only.\n"
    "                  build passes --source SOURCE and --as OUT, which name\n"
    "                  the findings after the source folder, and runs\n"
    "                  --script-only (the script alone, silent when sound)\n"
    "                  before it packs.\n";
