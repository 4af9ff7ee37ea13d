#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browse/tree_path.h"

namespace {

std::vector<std::string> Components(const char *path) {
  std::vector<std::string> found;
  char component[512];
  while (*path) {
    bool fits = NextPathComponent(path, component, sizeof component);
    found.push_back(fits ? component : "<too long>");
  }
  return found;
}

TEST(TreePath, PathsSplitIntoTheComponentsItemsAreMatchedWith) {
  struct Case {
    const char *path;
    std::vector<std::string> components;
  } cases[] = {
      {"C:\\Games\\Puzzles", {"C:\\", "Games", "Puzzles"}},
      {"C:\\Games\\Puzzles\\", {"C:\\", "Games", "Puzzles"}},
      {"c:/games/", {"c:\\", "games"}},
      {"C:", {"C:\\"}},
      {"C:\\", {"C:\\"}},
      {"C:\\\\//Games", {"C:\\", "Games"}},
      {"\\\\server\\share", {"", "server", "share"}},
      {"Games:\\x", {"Games:\\", "x"}},
      {"", {}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Components(c.path), c.components) << c.path;
}

TEST(TreePath, AComponentThatDoesNotFitIsRefusedAndSteppedOver) {
  std::string path = "C:\\" + std::string(600, 'x') + "\\after";
  EXPECT_EQ(Components(path.c_str()), (std::vector<std::string>{"C:\\", "<too long>", "after"}));

  // The colon's backslash needs room too: three characters fit in four
  // bytes, but not when a backslash joins them.
  char small[4];
  const char *cursor = "ABC";
  EXPECT_TRUE(NextPathComponent(cursor, small, sizeof small));
  EXPECT_STREQ(small, "ABC");
  cursor = "AB:";
  EXPECT_FALSE(NextPathComponent(cursor, small, sizeof small));
  EXPECT_STREQ(small, "");
  EXPECT_STREQ(cursor, "");
}

TEST(TreePath, ItemTextsJoinIntoAPathWithATrailingBackslash) {
  char path[64] = "";
  for (const char *text : {"Puzzles", "Games", "C:\\"})
    ASSERT_TRUE(PrependPathItem(path, sizeof path, text));
  EXPECT_STREQ(path, "C:\\Games\\Puzzles\\");

  char drive[8] = "";
  ASSERT_TRUE(PrependPathItem(drive, sizeof drive, "C:\\"));
  EXPECT_STREQ(drive, "C:\\");

  char empty[8] = "x\\";
  ASSERT_TRUE(PrependPathItem(empty, sizeof empty, ""));
  EXPECT_STREQ(empty, "x\\") << "an empty text adds no separator";
}

TEST(TreePath, AJoinThatWouldNotFitIsRefusedAndLeavesThePath) {
  // "abc\" + "de\" is 7 characters: it fits 8 bytes, not 7.
  char fits[8] = "de\\";
  EXPECT_TRUE(PrependPathItem(fits, sizeof fits, "abc"));
  EXPECT_STREQ(fits, "abc\\de\\");

  char tight[7] = "de\\";
  EXPECT_FALSE(PrependPathItem(tight, sizeof tight, "abc"));
  EXPECT_STREQ(tight, "de\\");
}

TEST(TreePath, ProperCaseTouchesOnlyTextsWithoutLowerCase) {
  struct Case {
    const char *text, *cased;
  } cases[] = {
      {"C:\\", "C:\\"}, {"WINDOWS", "Windows"}, {"Program Files", "Program Files"},
      {"QMG2", "Qmg2"}, {"_TEMP", "_temp"},     {"", ""},
  };
  for (const Case &c : cases) {
    std::string text = c.text;
    ProperCase(&text[0]);
    EXPECT_EQ(text, c.cased) << c.text;
  }
}

} // namespace
