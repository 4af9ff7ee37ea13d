// qmgdist check over arbitrary distributions: the bytes up to the first
// NUL are SETUP.CTL, the rest is a ZIP archive that is scrambled with the
// key of product 01 and stored as REED.QPK, so that both the script walk and
// the reading of a package's member names meet hostile input. The check
// must neither crash nor leave anything in the distribution it did not find
// there.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "package/key_table.h"
#include "qmgdist/distribution_check.h"
#include "tests/support/zip_builder.h"

namespace {

std::string Distribution;

void WriteFile(const std::string &name, const std::string &bytes) {
  FILE *file = fopen((Distribution + "/" + name).c_str(), "wb");
  if (!file)
    abort();
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

size_t EntriesIn(const std::string &folder) {
  size_t count = 0;
  if (DIR *listing = opendir(folder.c_str())) {
    while (readdir(listing))
      count++;
    closedir(listing);
  }
  return count;
}

void RemoveDistribution() {
  for (const char *name : {"UNSETUP.EXE", "SETUP.CTL", "REED.QPK"})
    unlink((Distribution + "/" + name).c_str());
  rmdir(Distribution.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char folder[] = "/dev/shm/qmg-fuzz-check-XXXXXX";
  if (!mkdtemp(folder)) {
    char fallback[] = "/tmp/qmg-fuzz-check-XXXXXX";
    if (!mkdtemp(fallback))
      abort();
    Distribution = fallback;
  } else {
    Distribution = folder;
  }
  WriteFile("UNSETUP.EXE", "MZ");
  atexit(RemoveDistribution);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *bytes = reinterpret_cast<const char *>(data);
  const char *split = static_cast<const char *>(memchr(bytes, '\0', size));
  std::string script(bytes, split ? static_cast<size_t>(split - bytes) : size);
  std::string archive = split ? std::string(split + 1, bytes + size) : std::string();
  if (script.empty())
    return 0;
  uint16_t table[KeyTableWordCount];
  BuildProductKeyTable(1, table);
  WriteFile("SETUP.CTL", script);
  WriteFile("REED.QPK", ZipBuilder::Scrambled(archive, table));
  size_t before = EntriesIn(Distribution);
  std::vector<CheckFinding> findings;
  std::string report;
  CheckDistribution({Distribution, {"C:\\" + std::string(200, 'g')}}, findings, report);
  if (EntriesIn(Distribution) != before)
    abort();
  return 0;
}
