// Runs a program that lies beside qmgdist, with arguments, and waits for it.
// `check` needs the installer's core linked with the dry machine's file
// system, which cannot share a program with the verbs that write real
// files, so it lives in qmgdist-check and qmgdist hands it the arguments.
#pragma once

#include <string>

// Returns the program's exit status, or 2 after one sentence on stderr when
// it cannot be found or started. `argv0` is qmgdist's own argv[0].
int RunCompanion(const char *argv0, const char *name, int argc, char **argv);

// A program that ships with qmgdist (SETUP.EXE, unsetup.exe): the file of
// that name, without regard to case, in qmgdist's own folder or in
// ../share/qmg beside it, as an installed copy lays them out; "" when
// neither holds it. Never a path fixed when qmgdist was built.
std::string ShippedProgram(const char *argv0, const char *name);
