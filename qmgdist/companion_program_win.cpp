#include "qmgdist/companion_program.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// One argument quoted for the C runtime's command-line parser.
std::string Quoted(const char *argument) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char *c = argument; *c; c++) {
    if (*c == '\\') {
      backslashes++;
      continue;
    }
    quoted.append(*c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += *c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

} // namespace

int RunCompanion(const char *, const char *name, int argc, char **argv) {
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self) {
    fprintf(stderr, "qmgdist: cannot find its own folder\n");
    return 2;
  }
  std::string program = self;
  program = program.substr(0, program.find_last_of("\\/") + 1) + name + ".exe";
  std::string commandLine = Quoted(program.c_str());
  for (int i = 0; i < argc; i++)
    commandLine += " " + Quoted(argv[i]);
  fflush(stdout);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    fprintf(stderr, "qmgdist: cannot start %s (error %lu)\n", program.c_str(), GetLastError());
    return 2;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 2;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
