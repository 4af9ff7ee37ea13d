// Walks arbitrary bytes as an uninstall log, acting on nothing, and checks
// the walk against a plain model of the format: the records are the texts
// between NULs, the first (the title) is never visited, the others are
// visited newest first while each starts with F, D or K in either case, and
// an empty record or another kind ends the walk as invalid; a torn tail
// (bytes after the last NUL, NULs after the last record's) is passed over. The walk must
// visit exactly the model's records, in its order, with texts that lie
// inside the log, and stop at once when told to. The bytes are held in a
// buffer of exactly their size so that a read past the end trips
// AddressSanitizer.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/uninstall_log.h"

namespace {

struct Record {
  char kind;
  std::string text;
  bool operator!=(const Record &other) const { return kind != other.kind || text != other.text; }
};

struct Walk {
  const unsigned char *log;
  size_t size;
  size_t stopAfter; // visits before `act` asks to stop
  std::vector<Record> visited;
  const char *previous = nullptr;
};

bool Visit(char kind, const char *text, void *context) {
  Walk &walk = *static_cast<Walk *>(context);
  const char *begin = reinterpret_cast<const char *>(walk.log);
  // The text lies inside the log, after its kind letter, and every visit
  // lies before the one visited earlier.
  if (text < begin + 2 || text >= begin + walk.size)
    __builtin_trap();
  if (walk.previous && text >= walk.previous)
    __builtin_trap();
  walk.previous = text;
  if (toupper(static_cast<unsigned char>(text[-1])) != kind || text[-2] != '\0')
    __builtin_trap();
  walk.visited.push_back({kind, text});
  return walk.visited.size() < walk.stopAfter;
}

// What the walk should visit, and whether the log is valid.
bool Model(const unsigned char *log, size_t size, std::vector<Record> &expected) {
  expected.clear();
  // A torn tail: bytes after the last NUL, and NULs after the NUL that ends
  // the last record, are not part of the log.
  while (size > 0 && log[size - 1] != '\0')
    size--;
  while (size > 1 && log[size - 2] == '\0')
    size--;
  if (size <= 1)
    return true;
  std::vector<std::string> records;
  std::string current;
  for (size_t i = 0; i + 1 < size; i++) {
    if (log[i] == '\0') {
      records.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(log[i]);
    }
  }
  records.push_back(current);
  for (size_t i = records.size(); i-- > 1;) {
    const std::string &record = records[i];
    char kind = record.empty() ? '\0' : static_cast<char>(toupper(static_cast<unsigned char>(record[0])));
    if (kind != 'F' && kind != 'D' && kind != 'K')
      return false;
    expected.push_back({kind, record.substr(1)});
  }
  return true;
}

void ExpectSame(const std::vector<Record> &visited, const std::vector<Record> &expected, size_t count) {
  if (visited.size() != count)
    __builtin_trap();
  for (size_t i = 0; i < count; i++)
    if (visited[i] != expected[i])
      __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::unique_ptr<unsigned char[]> log(new unsigned char[size ? size : 1]);
  memcpy(log.get(), data, size);

  std::vector<Record> expected;
  bool valid = Model(log.get(), size, expected);

  Walk whole{log.get(), size, SIZE_MAX, {}};
  if (WalkLogBackwards(log.get(), size, Visit, &whole) != valid)
    __builtin_trap();
  ExpectSame(whole.visited, expected, expected.size());

  // Told to stop after some of the records, the walk stops there and
  // counts the log as valid.
  if (!expected.empty()) {
    size_t stopAfter = 1 + size % expected.size();
    Walk part{log.get(), size, stopAfter, {}};
    bool result = WalkLogBackwards(log.get(), size, Visit, &part);
    if (stopAfter < expected.size() && !result)
      __builtin_trap();
    ExpectSame(part.visited, expected, stopAfter);
  }
  return 0;
}
