// qmgdist build: a distribution folder from a source folder. The source
// holds SETUP.CTL, one folder per package (named after the package without
// its extension), and the files the C lines copy and SETUPBK.QBK as they
// are. Every package is packed with the key SETUP.EXE will unpack it with,
// the files are copied, SETUP.EXE and UNSETUP.EXE put in, the script
// stamped, and the result checked.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "qmgdist/command_line.h"
#include "qmgdist/companion_program.h"
#include "qmgdist/pack_files.h"
#include "qmgdist/package_verbs.h"
#include "qmgdist/program_identity.h"
#include "qmgdist/script_stamp.h"
#include "qmgdist/staged_folder.h"
#include "base/setup_state.h"
#include "script/product_code.h"

const char BuildHelp[] =
    "  build [--clean] [--strict] [--no-warn=KIND]... [-q] [--setup EXE]\n"
    "        [--uninstaller EXE] SOURCE OUT\n"
    "                  make the distribution OUT from the source folder SOURCE:\n"
    "                  SETUP.CTL, a folder per package (REEDRUN/ for\n"
    "                  REEDRUN.QPK), the files C lines copy and SETUPBK.QBK.\n"
    "                  Checks the script first, packs every package with the\n"
    "                  key SETUP.EXE uses for it, copies the files, adds\n"
    "                  SETUP.EXE and UNSETUP.EXE, stamps the script and runs\n"
    "                  check, whose findings name the files in SOURCE. All is\n"
    "                  made in a folder beside OUT that replaces OUT only when\n"
    "                  the build succeeds: a failed build leaves OUT as it was.\n"
    "                  SETUP.EXE and unsetup.exe are the i686 programs beside\n"
    "                  qmgdist or in its ../share/qmg, unless given. OUT may\n"
    "                  hold only files this build writes; --clean replaces any\n"
    "                  distribution folder. --strict, --no-warn and -q as for\n"
    "                  check. Exit 1 when the script or check finds an error.\n"
    "                  --x86_64 takes the x86_64 twins of SETUP.EXE and\n"
    "                  unsetup.exe instead, for tests on machines that run no\n"
    "                  32-bit programs; never ship such a distribution.\n";

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

ScriptNeeds ReadNeeds(const std::string &script, const std::string &scriptPath) {
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
        needs.conflicts.push_back(scriptPath + ":" + std::to_string(line) + ": error: " + operand +
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
  // Windows' rename will not replace a file; this does, on both systems.
  if (!ReplaceFileWith(temporary, to)) {
    report = to + ": cannot write: " + strerror(errno);
    remove(temporary.c_str());
    return false;
  }
  return true;
}

std::string RealPath(const std::string &path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// The full path `path` has or would have once made: a folder that does not
// exist yet is its resolved parent and its own name.
std::string IntendedPath(const std::string &path) {
  std::string real = RealPath(path);
  if (!real.empty())
    return real;
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/')
    trimmed.pop_back();
  size_t slash = trimmed.rfind('/');
  std::string parent = RealPath(slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash));
  return parent.empty() ? "" : parent + "/" + trimmed.substr(slash == std::string::npos ? 0 : slash + 1);
}

bool Inside(const std::string &path, const std::string &folder) {
  return path == folder || path.compare(0, folder.size() + 1, folder + "/") == 0;
}

// A name build can write into OUT: one plain file name, never a path that
// could lead out of the folder.
bool IsPlainName(const std::string &name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

// `name` inside `folder` as the maker gave the folder: "src" and "src/" both
// give "src/NAME".
std::string Within(const std::string &folder, const std::string &name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The entry of `folder` whose name equals `name` without regard to case,
// or "".
std::string NameInOtherCase(const std::string &folder, const std::string &name) {
  DIR *listing = opendir(folder.c_str());
  std::string found;
  while (listing && found.empty())
    if (dirent *entry = readdir(listing)) {
      if (Upper(entry->d_name) == Upper(name) && name != entry->d_name)
        found = entry->d_name;
    } else {
      break;
    }
  if (listing)
    closedir(listing);
  return found;
}

int Fail(const std::string &report) {
  fprintf(stderr, "qmgdist build: %s\n", report.c_str());
  return 2;
}

// The last line of a build that failed, with its exit status.
int Failed(const std::string &out, int status) {
  fprintf(stderr, "qmgdist build: %s: the build failed; %s\n", out.c_str(),
          IsFolder(out) ? "the folder is left as it was" : "nothing was made");
  return status;
}

// Whether OUT may be replaced by the new distribution: it does not exist,
// is empty, or holds only files this build writes (`ours`, upper-cased);
// with --clean, any distribution folder (one with SETUP.CTL or SETUP.EXE),
// never a folder named by mistake (a home folder, a source folder).
bool MayReplace(const std::string &out, bool clean, const std::set<std::string> &ours, std::string &report) {
  struct stat info;
  if (lstat(out.c_str(), &info) != 0 && errno == ENOENT)
    return true;
  if (!IsFolder(RealPath(out))) {
    report = out + ": not a folder";
    return false;
  }
  DIR *listing = opendir(out.c_str());
  if (!listing) {
    report = out + ": cannot read the folder: " + strerror(errno);
    return false;
  }
  std::vector<std::string> foreign;
  bool empty = true, distribution = false;
  while (dirent *entry = readdir(listing)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    empty = false;
    distribution = distribution || Upper(name) == ScriptName || Upper(name) == SetupName;
    if (!ours.count(Upper(name)) || !IsRegularFile(Within(out, name)))
      foreign.push_back(name);
  }
  closedir(listing);
  if (clean && !empty && !distribution) {
    report = out + ": --clean replaces only a distribution folder (one with SETUP.CTL or SETUP.EXE)";
    return false;
  }
  if (!clean && !foreign.empty()) {
    report = out + ": holds " + foreign.front() +
             (foreign.size() > 1 ? " and " + std::to_string(foreign.size() - 1) + " more" : "") +
             ", which this build does not make; use --clean to replace it";
    return false;
  }
  return true;
}

// The options of build that check takes over.
struct BuildOptions {
  bool clean = false, strict = false, quiet = false, x86_64Twin = false;
  std::string setup, uninstaller;
  std::vector<std::string> noWarn;
};

// Runs check on the distribution in `folder` with the findings named after
// SOURCE and OUT; `scriptOnly` checks the script alone.
int RunCheckOn(const char *argv0, const BuildOptions &options, const std::string &source, const std::string &out,
               const std::string &folder, bool scriptOnly) {
  std::vector<std::string> arguments = {"--source", source, "--as", out};
  if (scriptOnly)
    arguments.push_back("--script-only");
  if (options.strict)
    arguments.push_back("--strict");
  if (options.quiet)
    arguments.push_back("-q");
  for (const std::string &kind : options.noWarn)
    arguments.push_back("--no-warn=" + kind);
  arguments.push_back("--");
  arguments.push_back(folder);
  std::vector<char *> pointers;
  for (std::string &argument : arguments)
    pointers.push_back(&argument[0]);
  return RunCompanion(argv0, "qmgdist-check", static_cast<int>(pointers.size()), pointers.data());
}

// Writes every file of the distribution into `staging`: packages packed
// from their folders (an empty source in `made`), the rest copied.
bool WriteDistribution(const std::string &source, const std::string &staging, const std::string &out, bool quiet,
                       const std::map<std::string, std::string> &made, const std::map<std::string, std::string> &keys,
                       std::string &report) {
  for (const auto &file : made) {
    std::string target = Within(staging, NameOnDisk(file.first));
    if (!file.second.empty()) {
      if (!CopyFile(file.second, target, report))
        return false;
      continue;
    }
    std::string folder = Within(source, file.first.substr(0, file.first.rfind('.')));
    PackageKey key;
    if (!ParsePackageKey(keys.at(file.first).c_str(), key, report))
      return false;
    // Packed into the staging folder, shown by its name in OUT: the maker
    // never sees the staging folder.
    PackOptions options;
    options.progress = !quiet;
    int packed = PackFolder(SourcePathFromArgument(folder.c_str()), SourcePathFromArgument(target.c_str()), key,
                            options, Within(out, file.first), false);
    if (packed != 0) {
      report = file.first + ": not packed from " + folder + "/";
      return false;
    }
    if (!quiet)
      printf("%s: packed from %s/ with the %s key\n", Within(out, file.first).c_str(), folder.c_str(),
             keys.at(file.first).c_str());
  }
  return true;
}

} // namespace

int RunBuild(int argc, char **argv, const char *argv0) {
  ParsedArguments parsed;
  std::string report;
  if (!ParseArguments(argc, argv,
                      {{"--clean", false},
                       {"--strict", false},
                       {"-q", false},
                       {"--quiet", false},
                       {"--setup", true},
                       {"--uninstaller", true},
                       {"--no-warn", true},
                       {"--x86_64", false}},
                      parsed, report))
    return UsageError("build", report, BuildHelp);
  BuildOptions options;
  for (const ParsedOption &option : parsed.options) {
    if (option.name == "--clean")
      options.clean = true;
    else if (option.name == "--strict")
      options.strict = true;
    else if (option.name == "-q" || option.name == "--quiet")
      options.quiet = true;
    else if (option.name == "--setup")
      options.setup = option.value;
    else if (option.name == "--uninstaller")
      options.uninstaller = option.value;
    else if (option.name == "--x86_64")
      options.x86_64Twin = true;
    else
      options.noWarn.push_back(option.value);
  }
  if (parsed.operands.size() != 2)
    return UsageError("build", "expected a source folder and an out folder", BuildHelp);
  const std::string source = parsed.operands[0], out = parsed.operands[1];
  struct Program {
    std::string &path;
    const char *name, *option;
  };
  for (const Program &program :
       {Program{options.setup, "SETUP.EXE", "--setup"}, Program{options.uninstaller, "unsetup.exe", "--uninstaller"}}) {
    if (program.path.empty())
      program.path = ShippedProgram(argv0, program.name);
    if (program.path.empty())
      return Fail(std::string("no ") + program.name + " beside qmgdist or in its share/qmg folder; name it with " +
                  program.option);
    if (!IsProjectProgram(program.path, program.name, options.x86_64Twin, report))
      return Fail(report + " (given as " + program.option + ")");
  }

  // The script first: a build that cannot be stamped or checked fails
  // before anything is packed.
  const std::string scriptPath = Within(source, ScriptName);
  std::string script;
  if (!IsFolder(source) || !ReadText(scriptPath, script))
    return Fail(source + ": not a source folder with a " + ScriptName);
  if (!CanStampScript(std::vector<unsigned char>(script.begin(), script.end()), report)) {
    fprintf(stderr, "%s:1: error: %s\n", scriptPath.c_str(), report.c_str());
    return Failed(out, 1);
  }
  std::string realSource = RealPath(source), realOut = IntendedPath(out);
  if (realOut.empty())
    return Fail(out + ": its folder does not exist");
  if (Inside(realOut, realSource) || Inside(realSource, realOut))
    return Fail(out + ": the out folder and the source folder must lie apart");

  ScriptNeeds needs = ReadNeeds(script, scriptPath);
  for (const std::string &conflict : needs.conflicts)
    fprintf(stderr, "%s\n", conflict.c_str());
  if (!needs.conflicts.empty())
    return Failed(out, 1);

  // What this build writes into OUT, by name, and where each comes from
  // (an empty source is a package to pack).
  for (const std::string &copy : needs.copies)
    if (!IsPlainName(copy))
      return Fail(scriptPath + ": C=" + copy +
                  ": build copies only files that lie in the source folder itself, named without a path");
  for (const auto &package : needs.packages)
    if (!IsPlainName(package.first))
      return Fail(scriptPath + ":" + std::to_string(package.second.line) + ": " + package.first +
                  ": a package is named without a path");
  std::map<std::string, std::string> made;
  made[ScriptName] = scriptPath;
  made[SetupName] = options.setup;
  made[UninstallerName] = options.uninstaller;
  if (IsRegularFile(Within(source, PictureName)))
    made[PictureName] = Within(source, PictureName);
  for (const std::string &copy : needs.copies) {
    std::string upper = Upper(copy);
    if (upper == UninstallerName || upper == SetupName)
      continue;
    // A missing file is left to check, which names the line.
    if (IsRegularFile(Within(source, NameOnDisk(copy))))
      made[copy] = Within(source, NameOnDisk(copy));
  }
  std::map<std::string, std::string> keys; // package name: key
  std::map<std::string, int> lines;        // package name: the line naming it
  for (const auto &package : needs.packages) {
    keys[package.first] = package.second.key;
    lines[package.first] = package.second.line;
  }
  for (const char *shared : {"MUSIC.QPK", "COMMONUI.QPK"})
    if (!keys.count(shared) && IsFolder(Within(source, std::string(shared).substr(0, strlen(shared) - 4))))
      keys[shared] = "shared";
  int misnamed = 0;
  for (const auto &package : keys) {
    std::string folder = package.first.substr(0, package.first.rfind('.'));
    if (IsFolder(Within(source, folder))) {
      made[package.first] = "";
      continue;
    }
    std::string where = scriptPath + ":" + std::to_string(lines[package.first]);
    std::string other = NameInOtherCase(source, folder);
    if (!other.empty() && IsFolder(Within(source, other))) {
      fprintf(stderr,
              "%s: error: %s: no folder %s to pack it from; did you mean %s? Package folders are found "
              "by their exact name: rename it %s/\n",
              where.c_str(), package.first.c_str(), Within(source, folder + "/").c_str(),
              Within(source, other + "/").c_str(), folder.c_str());
      misnamed++;
    } else if (std::find(options.noWarn.begin(), options.noWarn.end(), "no-folder") == options.noWarn.end()) {
      fprintf(stderr, "%s: warning: %s: no folder %s to pack it from; it is left out [no-folder]\n", where.c_str(),
              package.first.c_str(), Within(source, folder + "/").c_str());
      if (options.strict)
        misnamed++;
    }
  }
  if (misnamed > 0)
    return Failed(out, 1);
  std::set<std::string> ours;
  for (const auto &file : made)
    ours.insert(Upper(file.first));

  // Everything is made in a staging folder beside OUT, which takes OUT's
  // place only when the build succeeded. The script is checked there
  // first, before OUT is judged: its mistakes explain what OUT holds.
  std::string staging;
  if (!MakeStagingFolder(out, staging, report))
    return Fail(report);
  int status = 0;
  if (!CopyFile(scriptPath, Within(staging, ScriptName), report) ||
      StampScript(Within(staging, ScriptName).c_str(), report) != StampStatus::Ok) {
    status = Fail(report);
  } else if ((status = RunCheckOn(argv0, options, source, out, staging, true)) != 0) {
    status = status == 1 ? 1 : 2;
  } else if (!MayReplace(out, options.clean, ours, report)) {
    status = Fail(report);
  } else if (!WriteDistribution(source, staging, out, options.quiet, made, keys, report) ||
             StampScript(Within(staging, ScriptName).c_str(), report) != StampStatus::Ok) {
    status = Fail(report);
  } else if ((status = RunCheckOn(argv0, options, source, out, staging, false)) != 0) {
    status = status == 1 ? 1 : 2;
  } else if (!PutFolderInPlace(staging, out, report)) {
    status = Fail(report);
  } else {
    return 0;
  }
  DiscardFolder(staging);
  return Failed(out, status);
}
