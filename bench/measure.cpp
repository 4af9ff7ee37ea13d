// Runs a command and writes its wall-clock seconds, its peak resident
// memory in kilobytes (from wait4, so the child's alone) and its exit
// status to a file, as one line "SECONDS PEAK_KB STATUS":
//
//   measure RESULT_FILE COMMAND [ARGUMENTS...]
//
// The command's own output goes where measure's goes.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
  if (argc < 3) {
    fputs("usage: measure RESULT_FILE COMMAND [ARGUMENTS...]\n", stderr);
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child < 0) {
    perror("measure: fork");
    return 2;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    fprintf(stderr, "measure: %s: %s\n", argv[2], strerror(errno));
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) < 0) {
    perror("measure: wait4");
    return 2;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  FILE *result = fopen(argv[1], "w");
  if (!result || fprintf(result, "%.4f %ld %d\n", seconds, usage.ru_maxrss, exitStatus) < 0 || fclose(result) != 0) {
    fprintf(stderr, "measure: %s: cannot write: %s\n", argv[1], strerror(errno));
    return 2;
  }
  return 0;
}
