#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "qmgdist/command_line.h"
#include "qmgdist/package_verbs.h"

int UsageError(const char *verb, const std::string &report, const char *help) {
  fprintf(stderr, "qmgdist %s: %s\n\n%s", verb, report.c_str(), help);
  return 2;
}

bool ParseKeyedArguments(int argc, char **argv, size_t operandCount, KeyedArguments &arguments,
                         std::string &report) {
  const char *keyText = nullptr;
  arguments.operands.clear();
  for (int i = 0; i < argc; i++) {
    const char *text = nullptr;
    if (!strcmp(argv[i], "--key")) {
      if (i + 1 == argc) {
        report = "--key needs a value: shared, zero or a product code such as 01";
        return false;
      }
      text = argv[++i];
    } else if (!strncmp(argv[i], "--key=", 6)) {
      text = argv[i] + 6;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::string name = std::string(argv[i]).substr(0, std::string(argv[i]).find('='));
      report = "unknown option " + name + DidYouMean(name, {"--key"});
      return false;
    } else {
      arguments.operands.push_back(argv[i]);
      continue;
    }
    if (keyText) {
      report = "--key is given twice";
      return false;
    }
    keyText = text;
  }
  if (!keyText) {
    report = "--key is required: shared, zero or a product code such as 01";
    return false;
  }
  if (arguments.operands.size() != operandCount) {
    report = "expected " + std::to_string(operandCount) + " arguments besides --key, got " +
             std::to_string(arguments.operands.size());
    return false;
  }
  return ParsePackageKey(keyText, arguments.key, report);
}

namespace {

struct FileCloser {
  void operator()(FILE *file) const { fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

std::string Failure(const char *path, const char *what) {
  return std::string(path) + ": " + what + ": " + strerror(errno);
}

} // namespace

bool CopyScrambled(const char *fromPath, FILE *to, const std::string &toName, const uint8_t key[KeyTableBytes],
                   std::string &report) {
  FileHandle from(fopen(fromPath, "rb"));
  if (!from) {
    report = Failure(fromPath, "cannot open");
    return false;
  }
  std::unique_ptr<uint8_t[]> piece(new uint8_t[64 * 1024]);
  uint64_t offset = 0;
  for (;;) {
    size_t got = fread(piece.get(), 1, 64 * 1024, from.get());
    if (got == 0) {
      if (ferror(from.get())) {
        report = Failure(fromPath, "cannot read");
        return false;
      }
      break;
    }
    ScrambleAt(piece.get(), got, offset, key);
    offset += got;
    if (fwrite(piece.get(), 1, got, to) != got) {
      report = Failure(toName.c_str(), "cannot write");
      return false;
    }
  }
  // The last piece may still be buffered: a full disk may show only here.
  if (fflush(to) != 0) {
    report = Failure(toName.c_str(), "cannot write");
    return false;
  }
  return true;
}
