// Writes the folder tree that the extraction benchmark packs: several
// thousand files of varied sizes in nested folders, about a third each (by
// bytes) of text-like, repetitive binary and incompressible data, all drawn
// from a fixed seed so every run packs the same bytes.
//
//   make_bench_tree FOLDER
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

enum class Kind { Text, Binary, Random };

struct SizeClass {
  int count;
  size_t smallest, largest;
};

// About 3,600 files and 210 MB: many small files, a few hundred medium
// ones, and a few dozen large ones that carry most of the bytes.
const SizeClass SizeClasses[] = {
    {3000, 0, 16 * 1024},
    {560, 16 * 1024, 256 * 1024},
    {40, 1024 * 1024, 4 * 1024 * 1024},
};

const char *const Words[] = {
    "reed", "runner", "marsh", "level", "tile", "score", "bonus", "water", "lily", "frog", "jump", "puzzle",
    "stone", "bridge", "lantern", "night", "quill", "map", "sprite", "sound", "music", "wind", "gate", "key",
    "the", "a", "of", "and", "to", "in", "is", "on", "with", "for", "at", "by", "from", "=", "0", "1", "12",
    "255", "true", "false", "{", "}", ";", "x", "y", "width", "height", "speed",
};

// Prose-like lines: words from a small vocabulary, as script and level text.
void FillText(std::mt19937_64 &random, std::string &data, size_t size) {
  const size_t wordCount = sizeof Words / sizeof Words[0];
  while (data.size() < size) {
    int length = 3 + static_cast<int>(random() % 12);
    for (int w = 0; w < length; w++) {
      data += Words[random() % wordCount];
      data += w + 1 < length ? ' ' : '\n';
    }
  }
  data.resize(size);
}

// Records of a few slowly changing fields, as tile maps and sample data.
void FillBinary(std::mt19937_64 &random, std::string &data, size_t size) {
  uint8_t tile = 0, height = 64;
  while (data.size() < size) {
    if (random() % 16 == 0)
      tile = static_cast<uint8_t>(random() % 24);
    height = static_cast<uint8_t>(height + static_cast<int>(random() % 3) - 1);
    const uint8_t record[8] = {tile, height, 0, 0, static_cast<uint8_t>(data.size() >> 3), 0xFF, 0, 1};
    data.append(reinterpret_cast<const char *>(record), sizeof record);
  }
  data.resize(size);
}

void FillRandom(std::mt19937_64 &random, std::string &data, size_t size) {
  while (data.size() < size) {
    uint64_t word = random();
    data.append(reinterpret_cast<const char *>(&word), sizeof word);
  }
  data.resize(size);
}

bool MakeFolders(const std::string &path) {
  for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
      return false;
    if (slash == std::string::npos)
      return true;
  }
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fputs("usage: make_bench_tree FOLDER\n", stderr);
    return 2;
  }
  std::string root = argv[1];
  std::mt19937_64 random(20010203);
  uint64_t totals[3] = {};
  int files = 0;
  std::string data;
  for (const SizeClass &sizes : SizeClasses) {
    for (int i = 0; i < sizes.count; i++, files++) {
      size_t size = sizes.smallest + random() % (sizes.largest - sizes.smallest + 1);
      // Folders two to four levels deep: area, zone and sometimes a level.
      std::string folder = root + "/area" + std::to_string(random() % 8) + "/zone" + std::to_string(random() % 6);
      if (random() % 2)
        folder += "/level " + std::to_string(random() % 10);
      Kind kind = static_cast<Kind>(random() % 3);
      const char *extension[] = {".txt", ".dat", ".bin"};
      std::string path = folder + "/file" + std::to_string(files) + extension[static_cast<int>(kind)];

      data.clear();
      if (kind == Kind::Text)
        FillText(random, data, size);
      else if (kind == Kind::Binary)
        FillBinary(random, data, size);
      else
        FillRandom(random, data, size);
      totals[static_cast<int>(kind)] += size;

      FILE *file = MakeFolders(folder) ? fopen(path.c_str(), "wb") : nullptr;
      if (!file || fwrite(data.data(), 1, data.size(), file) != data.size() || fclose(file) != 0) {
        fprintf(stderr, "make_bench_tree: %s: cannot write: %s\n", path.c_str(), strerror(errno));
        return 1;
      }
    }
  }
  // Empty folders, which a package must keep too.
  for (int i = 0; i < 4; i++)
    MakeFolders(root + "/area" + std::to_string(i) + "/empty " + std::to_string(i));
  printf("%d files: %.1f MB text-like, %.1f MB repetitive binary, %.1f MB random\n", files, totals[0] / 1e6,
         totals[1] / 1e6, totals[2] / 1e6);
  return 0;
}
