// qmgdist: builds and checks distributions for SETUP.EXE.
#include <cstdio>
#include <cstring>
#include <string>

#include "qmgdist/companion_program.h"
#include "qmgdist/distribution_check.h"
#include "qmgdist/package_verbs.h"
#include "qmgdist/script_stamp.h"

namespace {

const char UsageHead[] =
    "usage: qmgdist COMMAND ARGUMENTS\n"
    "\n"
    "Builds and checks distributions for the Quillmarsh Games installer.\n"
    "\n"
    "commands:\n"
    "  stamp SCRIPT    write the header checksum into bytes 1 to 8 of a control\n"
    "                  script (SETUP.CTL). Those bytes must already hold eight\n"
    "                  hexadecimal digits: begin the script with a line such as\n"
    "                  \"#00000000 my distribution\". Any other file is left as\n"
    "                  it is.\n"
    "  verify SCRIPT   exit 0 when the header checksum matches the script, 1 when\n"
    "                  it does not (SETUP.EXE then offers no product).\n";

const char UsageTail[] =
    "  --help          show this text\n"
    "\n"
    "KEY is the key table the package is scrambled with: \"shared\" (MUSIC.QPK,\n"
    "COMMONUI.QPK), a product code such as 01 (that product's Z= packages; codes\n"
    "start with 0 or 1), or \"zero\" (no scrambling: a plain ZIP archive).\n"
    "\n"
    "Exit status: 0 success; 1 checksum mismatch (verify), a result other than 0\n"
    "(extract), a name warning under --strict (pack), an error found (check,\n"
    "build); 2 usage or file error,\n"
    "or a tree that SETUP.EXE could not read (pack).\n";

void PrintUsage(FILE *to) {
  fputs(UsageHead, to);
  fputs(PackHelp, to);
  fputs(ListHelp, to);
  fputs(ExtractHelp, to);
  fputs(CheckHelp, to);
  fputs(BuildHelp, to);
  fputs(UsageTail, to);
}

int RunScriptVerb(StampStatus (*verb)(const char *, std::string &), const char *path) {
  std::string report;
  StampStatus status = verb(path, report);
  fprintf(status == StampStatus::Ok ? stdout : stderr, "%s\n", report.c_str());
  switch (status) {
  case StampStatus::Ok:
    return 0;
  case StampStatus::Mismatch:
    return 1;
  case StampStatus::Unusable:
    break;
  }
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  // One line at a time, also into a pipe, so that stdout and stderr keep
  // their order in a log.
  setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  if (argc == 2 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h") || !strcmp(argv[1], "help"))) {
    PrintUsage(stdout);
    return 0;
  }
  if (argc == 3 && !strcmp(argv[1], "stamp"))
    return RunScriptVerb(StampScript, argv[2]);
  if (argc == 3 && !strcmp(argv[1], "verify"))
    return RunScriptVerb(VerifyScript, argv[2]);
  if (argc >= 2 && !strcmp(argv[1], "pack"))
    return RunPack(argc - 2, argv + 2);
  if (argc >= 2 && !strcmp(argv[1], "list"))
    return RunList(argc - 2, argv + 2);
  if (argc >= 2 && !strcmp(argv[1], "extract"))
    return RunExtract(argc - 2, argv + 2);
  if (argc >= 2 && !strcmp(argv[1], "build"))
    return RunBuild(argc - 2, argv + 2, argv[0]);
  if (argc >= 2 && !strcmp(argv[1], "check"))
    return RunCompanion(argv[0], "qmgdist-check", argc - 2, argv + 2);
  if (argc >= 2)
    fprintf(stderr, "qmgdist: unknown command or wrong arguments: %s\n\n", argv[1]);
  PrintUsage(stderr);
  return 2;
}
