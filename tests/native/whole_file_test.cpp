// Reading a file whole: what counts as no file at all, and a file read to
// its last byte, NULs and line ends included.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/whole_file.h"
#include "tests/support/scratch_folder.h"

namespace {

TEST(WholeFile, NothingUsableIsNoFileAtAll) {
  ScratchFolder scratch;
  mkdir((scratch / "folder").c_str(), 0777);
  ScratchFolder::Write(scratch / "empty", "");
  struct Case {
    const char *why;
    std::string path;
  } cases[] = {
      {"missing", scratch / "missing"},
      {"a folder", scratch / "folder"},
      {"empty", scratch / "empty"},
      {"below a file", scratch / "empty/below"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<unsigned char> bytes = {1, 2, 3};
    EXPECT_FALSE(ReadWholeFile(c.path.c_str(), bytes));
    EXPECT_TRUE(bytes.empty());
  }
}

TEST(WholeFile, EveryByteIsRead) {
  ScratchFolder scratch;
  std::string content("A title\0Dfile\r\n", 15);
  content += std::string(70000, 'x'); // more than one stdio buffer
  ScratchFolder::Write(scratch / "log", content);
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(ReadWholeFile((scratch / "log").c_str(), bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
}

} // namespace
