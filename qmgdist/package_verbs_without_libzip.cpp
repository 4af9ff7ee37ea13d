// pack and list in builds without libzip (the Windows build): they say so.
#include <cstdio>

#include "qmgdist/package_verbs.h"

const char PackHelp[] =
    "  pack --key KEY FOLDER PACKAGE\n"
    "                  not in this build: packing needs libzip; use the Linux\n"
    "                  qmgdist to make packages.\n";
const char ListHelp[] =
    "  list --key KEY PACKAGE\n"
    "                  not in this build: listing needs libzip; use the Linux\n"
    "                  qmgdist, or extract, which prints what it made.\n";

namespace {

int Unavailable(const char *verb) {
  fprintf(stderr, "qmgdist %s: not available in this build of qmgdist, which has no libzip; "
                  "use the Linux build of qmgdist\n", verb);
  return 2;
}

} // namespace

int RunPack(int, char **) { return Unavailable("pack"); }
int RunList(int, char **) { return Unavailable("list"); }
