// qmgdist: builds and checks distributions for SETUP.EXE.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "qmgdist/command_line.h"
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
    "commands (each takes --help; options take \"--name value\" or \"--name=value\"):\n";

const char StampHelp[] =
    "  stamp SCRIPT    write the header checksum into bytes 1 to 8 of a control\n"
    "                  script (SETUP.CTL). Those bytes must already hold eight\n"
    "                  hexadecimal digits: begin the script with a line such as\n"
    "                  \"#00000000 my distribution\". Any other file is left as\n"
    "                  it is.\n";

const char VerifyHelp[] =
    "  verify SCRIPT   exit 0 when the header checksum matches the script, 1 when\n"
    "                  it does not (SETUP.EXE then offers no product).\n";

const char UsageTail[] =
    "  --help          show this text\n"
    "  --version       show qmgdist's version\n"
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
  fputs(StampHelp, to);
  fputs(VerifyHelp, to);
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

struct Verb {
  const char *name;
  const char *help;
};

const Verb Verbs[] = {{"stamp", StampHelp},     {"verify", VerifyHelp}, {"pack", PackHelp},  {"list", ListHelp},
                      {"extract", ExtractHelp}, {"check", CheckHelp},   {"build", BuildHelp}};

bool AsksForHelp(int argc, char **argv) {
  for (int i = 0; i < argc && strcmp(argv[i], "--"); i++)
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h"))
      return true;
  return false;
}

// stamp and verify take one script.
int RunScriptVerb(const char *verb, const char *help, StampStatus (*run)(const char *, std::string &), int argc,
                  char **argv) {
  ParsedArguments parsed;
  std::string report;
  if (!ParseArguments(argc, argv, {}, parsed, report))
    return UsageError(verb, report, help);
  if (parsed.operands.size() != 1)
    return UsageError(verb, "expected one script", help);
  return RunScriptVerb(run, parsed.operands[0].c_str());
}

} // namespace

int main(int argc, char **argv) {
  // Output goes to terminals and pipes alike line by line, so that a
  // maker's script or editor sees each finding as it comes.
  setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  std::string verb = argv[1];
  if (verb == "--help" || verb == "-h" || verb == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (verb == "--version" || verb == "-V") {
    printf("qmgdist %s\n", QMG_VERSION);
    return 0;
  }
  const Verb *known = nullptr;
  for (const Verb &candidate : Verbs)
    if (verb == candidate.name)
      known = &candidate;
  if (!known) {
    std::vector<std::string> names;
    for (const Verb &candidate : Verbs)
      names.push_back(candidate.name);
    names.push_back("--help");
    names.push_back("--version");
    fprintf(stderr, "qmgdist: unknown command %s%s; \"qmgdist --help\" lists the commands\n", verb.c_str(),
            DidYouMean(verb, names).c_str());
    return 2;
  }
  if (AsksForHelp(argc - 2, argv + 2) && verb != "check") {
    printf("usage: qmgdist\n%s", known->help);
    return 0;
  }
  if (verb == "stamp")
    return RunScriptVerb("stamp", StampHelp, StampScript, argc - 2, argv + 2);
  if (verb == "verify")
    return RunScriptVerb("verify", VerifyHelp, VerifyScript, argc - 2, argv + 2);
  if (verb == "pack")
    return RunPack(argc - 2, argv + 2);
  if (verb == "list")
    return RunList(argc - 2, argv + 2);
  if (verb == "extract")
    return RunExtract(argc - 2, argv + 2);
  if (verb == "build")
    return RunBuild(argc - 2, argv + 2, argv[0]);
  return RunCompanion(argv[0], "qmgdist-check", argc - 2, argv + 2);
}
