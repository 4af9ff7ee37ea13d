// The package verbs of qmgdist. Each takes the arguments that follow its
// name, prints what it did (errors to stderr, each one sentence naming the
// file) and returns the exit status: 0 success, 2 usage or file error;
// extract returns 1 when the unpacking reported a problem, pack when
// --strict meets a name warning.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "qmgdist/package_key.h"

int RunPack(int argc, char **argv);

// What pack does for its operands: packs `folder` into the package file
// `package` under `key`. `shownAs` names the package in the progress line
// and the closing line ("" for `package` itself; build packs into a
// staging folder and shows the name in OUT), and `announce` says whether
// the closing line is printed. Returns pack's exit status.
struct PackOptions {
  bool strict = false;
  int level = 6;
  unsigned threads = 0; // 0: one per processor
  bool progress = true; // the progress line, on a terminal only
};
int PackFolder(std::string folder, const std::string &package, const PackageKey &key, const PackOptions &options,
               const std::string &shownAs, bool announce);
int RunList(int argc, char **argv);
int RunExtract(int argc, char **argv);
// build also runs check, with qmgdist-check beside `argv0`'s program.
int RunBuild(int argc, char **argv, const char *argv0);

// The lines of the usage text that describe each verb. Builds without a
// verb say so in its lines.
extern const char PackHelp[];
extern const char ListHelp[];
extern const char ExtractHelp[];
extern const char BuildHelp[];

// Prints a usage error of `verb` and its help lines; returns 2.
int UsageError(const char *verb, const std::string &report, const char *help);

// The arguments of a package verb: "--key K" (or "--key=K") anywhere, and
// exactly `operandCount` other arguments. False, with one sentence in
// `report`, for anything else.
struct KeyedArguments {
  PackageKey key;
  std::vector<const char *> operands;
};
bool ParseKeyedArguments(int argc, char **argv, size_t operandCount, KeyedArguments &arguments,
                         std::string &report);

// Copies a file through ScrambleAt in 64 KB pieces into `to` (named
// `toName` in reports), which the caller has created and closes: scrambles a
// ZIP archive into a package, or descrambles a package back into a ZIP
// archive. Everything is flushed when it returns true.
bool CopyScrambled(const char *fromPath, FILE *to, const std::string &toName, const uint8_t key[KeyTableBytes],
                   std::string &report);
