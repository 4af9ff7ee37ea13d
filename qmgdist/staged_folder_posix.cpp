#include "qmgdist/staged_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// `out` without a final "/", resolved through links when it exists, so
// that the folder a link leads to is the one replaced.
std::string Target(const std::string &out) {
  char resolved[PATH_MAX];
  if (realpath(out.c_str(), resolved))
    return resolved;
  std::string path = out;
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}

// The folder holding `path` with a final "/" ("" for the current folder),
// and the last part of `path`.
void Split(const std::string &path, std::string &parent, std::string &name) {
  size_t slash = path.rfind('/');
  parent = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Beside(const std::string &out, const char *what) {
  std::string parent, name;
  Split(Target(out), parent, name);
  return parent + "." + name + "." + what + "-XXXXXX";
}

} // namespace

bool MakeStagingFolder(const std::string &out, std::string &staging, std::string &report) {
  std::string pattern = Beside(out, "building");
  // mkdtemp fails rather than reuse a name that exists; the staging folder
  // gets the permissions a new folder gets, not mkdtemp's 0700.
  if (!mkdtemp(&pattern[0])) {
    report = pattern + ": cannot make a folder beside " + out + " to build in: " + strerror(errno);
    return false;
  }
  mode_t mask = umask(0);
  umask(mask);
  chmod(pattern.c_str(), 0777 & ~mask);
  staging = pattern;
  return true;
}

bool PutFolderInPlace(const std::string &staging, const std::string &out, std::string &report) {
  std::string target = Target(out);
  struct stat info;
  if (lstat(target.c_str(), &info) != 0) {
    if (rename(staging.c_str(), target.c_str()) == 0)
      return true;
    report = out + ": cannot put the new distribution in place: " + strerror(errno);
    return false;
  }
  // The old folder goes over an empty folder of a fresh name, which
  // rename replaces.
  std::string aside = Beside(out, "old");
  bool made = mkdtemp(&aside[0]) != nullptr;
  if (!made || rename(target.c_str(), aside.c_str()) != 0) {
    report = out + ": cannot move the old distribution aside: " + strerror(errno);
    if (made)
      rmdir(aside.c_str());
    return false;
  }
  if (rename(staging.c_str(), target.c_str()) != 0) {
    report = out + ": cannot put the new distribution in place: " + strerror(errno);
    rename(aside.c_str(), target.c_str());
    return false;
  }
  DiscardFolder(aside);
  return true;
}

void DiscardFolder(const std::string &folder) {
  if (DIR *listing = opendir(folder.c_str())) {
    std::vector<std::string> names;
    while (dirent *entry = readdir(listing))
      if (strcmp(entry->d_name, ".") && strcmp(entry->d_name, ".."))
        names.push_back(entry->d_name);
    closedir(listing);
    for (const std::string &name : names) {
      std::string path = folder + "/" + name;
      struct stat info;
      if (lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        DiscardFolder(path);
      else
        unlink(path.c_str());
    }
  }
  rmdir(folder.c_str());
}
