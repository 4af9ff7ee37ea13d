// Running a program of the native build from a test, through the shell:
// arguments quoted for sh, standard output captured, the exit status read.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

// `text` as one sh word, whatever it holds.
inline std::string ShellQuote(const std::string &text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// `program` followed by each argument as one word.
inline std::string ShellCommand(const std::string &program, const std::vector<std::string> &arguments) {
  std::string command = program;
  for (const std::string &a : arguments)
    command += " " + ShellQuote(a);
  return command;
}

// Runs `command` with sh; its standard output goes to `out`. The exit
// status, or -1 when the program did not exit normally.
inline int RunShellCommand(const std::string &command, std::string &out) {
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe)
    return -1;
  char piece[4096];
  size_t got;
  while ((got = fread(piece, 1, sizeof piece, pipe)) > 0)
    out.append(piece, got);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
