// The usage lines of check, shown by qmgdist and by qmgdist-check.
#include "qmgdist/distribution_check.h"

const char CheckHelp[] =
    "  check [--strict] [--folder FOLDER]... DIST\n"
    "                  check a distribution folder as SETUP.EXE would meet it:\n"
    "                  installs every offered product on a machine that\n"
    "                  touches nothing (install folder C:\\QMG, and the longest\n"
    "                  FOLDER), prints every message the player would see and\n"
    "                  every other problem as FILE:LINE: error|warning: text,\n"
    "                  then a summary. Exit 0 without errors (--strict: and\n"
    "                  without warnings), 1 with them.\n";
