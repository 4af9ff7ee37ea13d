// qmgdist-check: the check verb of qmgdist, which qmgdist starts with the
// arguments that follow "check" (qmgdist/distribution_check.h).
#include "qmgdist/distribution_check.h"

int main(int argc, char **argv) { return RunCheck(argc - 1, argv + 1); }
