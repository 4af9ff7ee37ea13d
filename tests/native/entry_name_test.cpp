#include <gtest/gtest.h>

#include "script/entry_name.h"

namespace {

TEST(EntryName, NamesAreNumberedFromTheSecond) {
  EXPECT_EQ(EntryNameFor("Reed Runner", 1), "QMG Reed Runner");
  EXPECT_EQ(EntryNameFor("Reed Runner", 2), "QMG Reed Runner_2");
  EXPECT_EQ(EntryNameFor("Reed Runner", 98), "QMG Reed Runner_98");
}

TEST(EntryName, OnlyTheNamesOfTheTitleAreOurs) {
  struct Case {
    const char *name;
    bool ours;
  } cases[] = {
      {"QMG Reed Runner", true},
      {"qmg reed runner", true},
      {"QMG Reed Runner_2", true},
      {"QMG Reed Runner_98", true},
      {"QMG Reed Runner_1", false},
      {"QMG Reed Runner_99", false},
      {"QMG Reed Runner_02", false},
      {"QMG Reed Runner_", false},
      {"QMG Reed Runner_2x", false},
      {"QMG Reed Runner_100", false},
      {"QMG Reed Runner 2", false},
      {"QMG Reed", false},
      {"QMG Reed Runners", false},
      {"QMG Other Game", false},
      {"Reed Runner", false},
      {"{0A1B2C3D-other-program}", false},
      {"", false},
      {"QMG Reed Runner\\Sub", false},
      {"QMG Reed Runner_2\\..", false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(IsEntryNameOf(c.name, "Reed Runner"), c.ours) << c.name;
  // A title with a backslash makes no single subkey name.
  EXPECT_FALSE(IsEntryNameOf("QMG A\\B", "A\\B"));
}

} // namespace
