// A scratch folder for POSIX tests, removed with everything in it at the end.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class ScratchFolder {
public:
  ScratchFolder() {
    char pattern[] = "/tmp/qmg-test-XXXXXX";
    path_ = mkdtemp(pattern) ? pattern : "";
  }
  ~ScratchFolder() {
    if (!path_.empty())
      std::system(("chmod -R u+w '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'").c_str());
  }
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder &operator=(const ScratchFolder &) = delete;

  const std::string &path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }

  static void Write(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static bool Exists(const std::string &path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
  }

  // Every path below `root`, relative to it, folders marked with a final "/".
  static std::vector<std::string> Tree(const std::string &root, const std::string &prefix = "") {
    std::vector<std::string> found;
    DIR *dir = opendir(root.c_str());
    if (!dir)
      return found;
    while (dirent *entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..")
        continue;
      std::string full = root + "/" + name;
      struct stat info;
      lstat(full.c_str(), &info);
      if (S_ISDIR(info.st_mode)) {
        found.push_back(prefix + name + "/");
        for (const std::string &inner : Tree(full, prefix + name + "/"))
          found.push_back(inner);
      } else {
        found.push_back(prefix + name);
      }
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
  }

private:
  std::string path_;
};
