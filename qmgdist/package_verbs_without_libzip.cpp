// pack, list and build in builds without libzip (the Windows build): they say so.
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
const char BuildHelp[] =
    "  build [--clean] [--setup EXE] [--uninstaller EXE] SOURCE OUT\n"
    "                  not in this build: building packs packages, which needs\n"
    "                  libzip; use the Linux qmgdist, and check here.\n";

namespace {

int Unavailable(const char *verb) {
  fprintf(stderr, "qmgdist %s: not available in this build of qmgdist, which has no libzip; "
                  "use the Linux build of qmgdist\n", verb);
  return 2;
}

} // namespace

int RunPack(int, char **) { return Unavailable("pack"); }
int RunList(int, char **) { return Unavailable("list"); }
int RunBuild(int, char **, const char *) { return Unavailable("build"); }
