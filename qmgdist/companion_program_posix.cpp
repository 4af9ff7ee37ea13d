#include "qmgdist/companion_program.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// qmgdist's own folder, from /proc (argv[0] may be a bare name found on PATH).
std::string OwnFolder(const char *argv0) {
  char self[4096];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path = length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string(argv0);
  size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? "." : path.substr(0, cut);
}

} // namespace

std::string ShippedProgram(const char *argv0, const char *name) {
  std::string own = OwnFolder(argv0);
  for (const std::string &folder : {own, own + "/../share/qmg"}) {
    DIR *listing = opendir(folder.c_str());
    std::string found;
    while (listing && found.empty())
      if (dirent *entry = readdir(listing)) {
        struct stat info;
        if (!strcasecmp(entry->d_name, name) && stat((folder + "/" + entry->d_name).c_str(), &info) == 0 &&
            S_ISREG(info.st_mode))
          found = folder + "/" + entry->d_name;
      } else {
        break;
      }
    if (listing)
      closedir(listing);
    if (!found.empty())
      return found;
  }
  return "";
}

int RunCompanion(const char *argv0, const char *name, int argc, char **argv) {
  std::string program = OwnFolder(argv0) + "/" + name;
  std::vector<char *> arguments{&program[0]};
  for (int i = 0; i < argc; i++)
    arguments.push_back(argv[i]);
  arguments.push_back(nullptr);
  fflush(stdout);
  pid_t child = fork();
  if (child < 0) {
    fprintf(stderr, "qmgdist: cannot start %s: %s\n", program.c_str(), strerror(errno));
    return 2;
  }
  if (child == 0) {
    execv(program.c_str(), arguments.data());
    fprintf(stderr, "qmgdist: cannot start %s: %s\n", program.c_str(), strerror(errno));
    _exit(2);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR)
      return 2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
