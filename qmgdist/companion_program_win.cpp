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

// qmgdist's own folder with a final separator, or "" when it cannot be found.
std::string OwnFolder() {
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self)
    return "";
  std::string path = self;
  return path.substr(0, path.find_last_of("\\/") + 1);
}

} // namespace

std::string ShippedProgram(const char *, const char *name) {
  std::string own = OwnFolder();
  if (own.empty())
    return "";
  // File names on Windows are compared without case already.
  for (const std::string &folder : {own, own + "..\\share\\qmg\\"}) {
    DWORD attributes = GetFileAttributesA((folder + name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return folder + name;
  }
  return "";
}

int RunCompanion(const char *, const char *name, int argc, char **argv) {
  std::string program = OwnFolder();
  if (program.empty()) {
    fprintf(stderr, "qmgdist: cannot find its own folder\n");
    return 2;
  }
  program += std::string(name) + ".exe";
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
