// qmgdist build: a distribution folder from a source folder. The source
// holds SETUP.CTL, one folder per package (named after the package without
// its extension), and the files the C lines copy and SETUPBK.QBK as they
// are. Every package is packed with the key SETUP.EXE will unpack it with,
// the files are copied, SETUP.EXE and UNSETUP.EXE put in, the script
// stamped, and the result checked.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "qmgdist/companion_program.h"
#include "qmgdist/package_verbs.h"
#include "qmgdist/script_stamp.h"
#include "base/setup_state.h"
#include "script/product_code.h"

const char BuildHelp[] =
    "  build [--clean] [--setup EXE] [--uninstaller EXE] SOURCE OUT\n"
    "                  make the distribution OUT from the source folder SOURCE:\n"
    "                  SETUP.CTL, a folder per package (REEDRUN/ for\n"
    "                  REEDRUN.QPK), the files C lines copy and SETUPBK.QBK.\n"
    "                  Packs every package with the key SETUP.EXE uses for it,\n"
    "                  copies the files, adds SETUP.EXE and UNSETUP.EXE (from\n"
    "                  the Win32 build unless given), stamps the script and runs\n"
    "                  check. --clean empties OUT first (a distribution only);\n"
    "                  otherwise OUT may hold\n"
    "                  only files this build writes. Exit 1 when check finds an\n"
    "                  error or a package would need two keys.\n";

namespace {

const char ScriptName[] = "SETUP.CTL";
const char SetupName[] = "SETUP.EXE";
const char UninstallerName[] = "UNSETUP.EXE";
const char PictureName[] = "SETUPBK.QBK";

std::string Upper(std::string text) {
  for (char &c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool ReadText(const std::string &path, std::string &text) {
  FILE *file = fopen(path.c_str(), "rb");
  if (!file)
    return false;
  char chunk[65536];
  size_t got;
  text.clear();
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
    text.append(chunk, got);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

bool IsFolder(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
bool IsRegularFile(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A package the script names, and the key SETUP.EXE unpacks it with.
struct PackageUse {
  std::string key; // "shared" or a product code
  int line;
};

// What a build needs of the script: packages with their keys, and the
// distribution files the C lines name. Lines are taken as the installer's
// reader sees them: a command letter after blanks, "E" and "{" before a
// command on the same line, the operand to the end of the line.
struct ScriptNeeds {
  std::map<std::string, PackageUse> packages; // upper-cased name
  std::vector<std::string> conflicts;
  std::set<std::string> copies;               // as written
};

ScriptNeeds ReadNeeds(const std::string &script) {
  ScriptNeeds needs;
  std::string sectionKey;
  size_t at = 0;
  int line = 0;
  while (at < script.size()) {
    size_t end = script.find_first_of("\r\n", at);
    if (end == std::string::npos)
      end = script.size();
    std::string text = script.substr(at, end - at);
    line++;
    at = end + (end + 1 < script.size() && script[end] == '\r' && script[end + 1] == '\n' ? 2 : 1);
    size_t p = text.find_first_not_of(" \t");
    for (int step = 0; step < 2 && p != std::string::npos; step++)
      if (text[p] == 'E' || text[p] == 'e' || text[p] == '{')
        p = text.find_first_not_of(" \t", p + 1);
    if (p == std::string::npos || p + 1 >= text.size())
      continue;
    char letter = static_cast<char>(toupper(static_cast<unsigned char>(text[p])));
    if ((letter == 'L' || letter == 'S') && p + 2 < text.size()) {
      int slot = ProductCodeSlot(text[p + 1], text[p + 2]);
      sectionKey = slot >= 0 && slot < static_cast<int>(ProductSlotCount) ? text.substr(p + 1, 2) : "";
      continue;
    }
    if (text[p + 1] != '=')
      continue;
    std::string operand = text.substr(p + 2);
    if (letter == 'C') {
      needs.copies.insert(operand.substr(0, operand.find('=')));
    } else if (letter == 'Z' || letter == 'U') {
      std::string key = letter == 'U' ? "shared" : sectionKey;
      if (key.empty())
        continue; // a section that is never offered under any key
      auto known = needs.packages.find(Upper(operand));
      if (known == needs.packages.end())
        needs.packages[Upper(operand)] = {key, line};
      else if (known->second.key != key)
        needs.conflicts.push_back(std::string(ScriptName) + ":" + std::to_string(line) + ": error: " + operand +
                                  " is unpacked with the " + key + " key here and with the " + known->second.key +
                                  " key at line " + std::to_string(known->second.line) +
                                  ": one package cannot serve both");
    }
  }
  return needs;
}

std::string NameOnDisk(const std::string &name) {
  std::string path = name;
  for (char &c : path)
    if (c == '\\')
      c = '/';
  return path;
}

bool CopyFile(const std::string &from, const std::string &to, std::string &report) {
  std::string bytes;
  if (!ReadText(from, bytes)) {
    report = from + ": cannot read: " + strerror(errno);
    return false;
  }
  std::string temporary = to + ".part";
  FILE *file = fopen(temporary.c_str(), "wb");
  if (!file || fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || fclose(file) != 0) {
    report = to + ": cannot write: " + strerror(errno);
    if (file)
      remove(temporary.c_str());
    return false;
  }
  if (rename(temporary.c_str(), to.c_str()) != 0) {
    report = to + ": cannot write: " + strerror(errno);
    remove(temporary.c_str());
    return false;
  }
  return true;
}

// Removes everything below `folder`, never following a link.
bool EmptyFolder(const std::string &folder, std::string &report) {
  DIR *listing = opendir(folder.c_str());
  if (!listing) {
    report = folder + ": cannot read the folder: " + strerror(errno);
    return false;
  }
  std::vector<std::string> names;
  while (dirent *entry = readdir(listing))
    if (strcmp(entry->d_name, ".") && strcmp(entry->d_name, ".."))
      names.push_back(entry->d_name);
  closedir(listing);
  for (const std::string &name : names) {
    std::string path = folder + "/" + name;
    if (IsFolder(path)) {
      if (!EmptyFolder(path, report))
        return false;
      if (rmdir(path.c_str()) != 0) {
        report = path + ": cannot remove: " + strerror(errno);
        return false;
      }
    } else if (unlink(path.c_str()) != 0) {
      report = path + ": cannot remove: " + strerror(errno);
      return false;
    }
  }
  return true;
}

std::string RealPath(const std::string &path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool Inside(const std::string &path, const std::string &folder) {
  return path == folder || path.compare(0, folder.size() + 1, folder + "/") == 0;
}

// A name build can write into OUT: one plain file name, never a path that
// could lead out of the folder.
bool IsPlainName(const std::string &name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

int Fail(const std::string &report) {
  fprintf(stderr, "qmgdist build: %s\n", report.c_str());
  return 2;
}

} // namespace

int RunBuild(int argc, char **argv, const char *argv0) {
  bool clean = false;
  std::string setup, uninstaller;
  std::vector<std::string> operands;
  for (int i = 0; i < argc; i++) {
    if (!strcmp(argv[i], "--clean"))
      clean = true;
    else if (!strcmp(argv[i], "--setup") && i + 1 < argc)
      setup = argv[++i];
    else if (!strcmp(argv[i], "--uninstaller") && i + 1 < argc)
      uninstaller = argv[++i];
    else if (argv[i][0] == '-')
      return UsageError("build", std::string("unexpected argument ") + argv[i], BuildHelp);
    else
      operands.push_back(argv[i]);
  }
  if (operands.size() != 2)
    return UsageError("build", "expected a source folder and an out folder", BuildHelp);
#ifdef QMG_WIN32_BUILD
  if (setup.empty())
    setup = QMG_WIN32_BUILD "/SETUP.exe";
  if (uninstaller.empty())
    uninstaller = QMG_WIN32_BUILD "/unsetup/unsetup.exe";
#endif
  const std::string source = operands[0], out = operands[1];
  for (const std::string &program : {setup, uninstaller})
    if (program.empty() || !IsRegularFile(program))
      return Fail((program.empty() ? std::string("no program given") : program + ": not a file") +
                  "; name SETUP.EXE and unsetup.exe with --setup and --uninstaller");

  std::string script;
  if (!IsFolder(source) || !ReadText(source + "/" + ScriptName, script))
    return Fail(source + ": not a source folder with a " + ScriptName);
  bool madeOut = mkdir(out.c_str(), 0777) == 0;
  if (!madeOut && errno != EEXIST)
    return Fail(out + ": cannot make the folder: " + strerror(errno));
  if (!IsFolder(out))
    return Fail(out + ": not a folder");
  std::string realSource = RealPath(source), realOut = RealPath(out);
  if (Inside(realOut, realSource) || Inside(realSource, realOut)) {
    if (madeOut)
      rmdir(out.c_str());
    return Fail(out + ": the out folder and the source folder must lie apart");
  }

  ScriptNeeds needs = ReadNeeds(script);
  for (const std::string &conflict : needs.conflicts)
    fprintf(stderr, "%s\n", conflict.c_str());
  if (!needs.conflicts.empty())
    return 1;

  // What this build writes into OUT, by name, and where each comes from
  // (an empty source is a package to pack).
  for (const std::string &copy : needs.copies)
    if (!IsPlainName(copy))
      return Fail(std::string(ScriptName) + ": C=" + copy +
                  ": build copies only files that lie in the source folder itself, named without a path");
  for (const auto &package : needs.packages)
    if (!IsPlainName(package.first))
      return Fail(std::string(ScriptName) + ":" + std::to_string(package.second.line) + ": " + package.first +
                  ": a package is named without a path");
  std::map<std::string, std::string> made;
  made[ScriptName] = source + "/" + ScriptName;
  made[SetupName] = setup;
  made[UninstallerName] = uninstaller;
  if (IsRegularFile(source + "/" + PictureName))
    made[PictureName] = source + "/" + PictureName;
  for (const std::string &copy : needs.copies) {
    std::string upper = Upper(copy);
    if (upper == UninstallerName || upper == SetupName)
      continue;
    // A missing file is left to check, which names the line.
    if (IsRegularFile(source + "/" + NameOnDisk(copy)))
      made[copy] = source + "/" + NameOnDisk(copy);
  }
  std::map<std::string, std::string> packages; // name: key
  for (const auto &package : needs.packages)
    packages[package.first] = package.second.key;
  for (const char *shared : {"MUSIC.QPK", "COMMONUI.QPK"})
    if (!packages.count(shared) && IsFolder(source + "/" + std::string(shared).substr(0, strlen(shared) - 4)))
      packages[shared] = "shared";
  for (const auto &package : packages) {
    std::string folder = package.first.substr(0, package.first.rfind('.'));
    if (!IsFolder(source + "/" + folder)) {
      fprintf(stderr, "qmgdist build: warning: %s: no folder %s/%s to pack it from; it is left out\n",
              package.first.c_str(), source.c_str(), folder.c_str());
      continue;
    }
    made[package.first] = "";
  }

  if (clean) {
    // Only a distribution is emptied: a folder named by mistake (a home
    // folder, a source folder) is refused, not wiped.
    DIR *listing = opendir(out.c_str());
    bool empty = true;
    while (listing && empty)
      if (dirent *entry = readdir(listing))
        empty = !strcmp(entry->d_name, ".") || !strcmp(entry->d_name, "..");
      else
        break;
    if (listing)
      closedir(listing);
    if (!empty && !IsRegularFile(out + "/" + ScriptName) && !IsRegularFile(out + "/" + SetupName))
      return Fail(out + ": --clean empties only a distribution folder (one with SETUP.CTL or SETUP.EXE)");
    std::string report;
    if (!EmptyFolder(out, report))
      return Fail(report);
  } else {
    std::set<std::string> ours;
    for (const auto &file : made)
      ours.insert(Upper(file.first));
    DIR *listing = opendir(out.c_str());
    if (!listing)
      return Fail(out + ": cannot read the folder: " + strerror(errno));
    std::vector<std::string> foreign;
    while (dirent *entry = readdir(listing))
      if (strcmp(entry->d_name, ".") && strcmp(entry->d_name, "..") &&
          (!ours.count(Upper(entry->d_name)) || !IsRegularFile(out + "/" + entry->d_name)))
        foreign.push_back(entry->d_name);
    closedir(listing);
    if (!foreign.empty())
      return Fail(out + ": holds " + foreign.front() +
                  (foreign.size() > 1 ? " and " + std::to_string(foreign.size() - 1) + " more" : "") +
                  ", which this build does not make; use --clean to empty it first");
  }

  for (const auto &file : made) {
    std::string target = out + "/" + NameOnDisk(file.first);
    std::string report;
    if (file.second.empty()) {
      std::string folder = source + "/" + file.first.substr(0, file.first.rfind('.'));
      std::string key = packages[file.first];
      std::vector<std::string> arguments = {"--key", key, folder, target};
      std::vector<char *> pointers;
      for (std::string &argument : arguments)
        pointers.push_back(&argument[0]);
      if (RunPack(static_cast<int>(pointers.size()), pointers.data()) != 0)
        return Fail(file.first + ": not packed");
    } else if (!CopyFile(file.second, target, report)) {
      return Fail(report);
    }
  }
  std::string report;
  if (StampScript((out + "/" + ScriptName).c_str(), report) != StampStatus::Ok)
    return Fail(report);

  std::string outArgument = out;
  char *checkArguments[] = {&outArgument[0]};
  int checked = RunCompanion(argv0, "qmgdist-check", 1, checkArguments);
  if (checked != 0) {
    fprintf(stderr, "qmgdist build: %s: check found errors; the distribution is not fit to ship\n", out.c_str());
    return checked == 1 ? 1 : 2;
  }
  return 0;
}
