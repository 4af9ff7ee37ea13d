#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/uninstall_log.h"
#include "tests/support/scratch_folder.h"

namespace {

using Records = std::vector<std::string>;

bool Collect(char kind, const char *text, void *context) {
  static_cast<Records *>(context)->push_back(std::string(1, kind) + text);
  return true;
}

// Walks `log` and returns what was acted on, newest first.
Records Walk(const std::string &log, bool expectValid = true) {
  Records acted;
  bool valid = WalkLogBackwards(reinterpret_cast<const unsigned char *>(log.data()), log.size(), Collect, &acted);
  EXPECT_EQ(valid, expectValid) << testing::PrintToString(log);
  return acted;
}

std::string Log(std::initializer_list<const char *> records) {
  std::string log;
  for (const char *r : records)
    log += std::string(r) + '\0';
  return log;
}

TEST(UninstallLog, WriterAppendsWholeRecordsOnlyWhileOpen) {
  ScratchFolder scratch;
  std::string path = scratch / "unsetup.ctl";
  WriteLogRecord('D', "before opening");
  ASSERT_TRUE(OpenUninstallLog(path.c_str()));
  EXPECT_TRUE(UninstallLogOpen());
  WriteLogRecord('A', "Reed Runner");
  WriteLogRecord('F', "C:\\QMG\\REEDRUN");
  // Reaches the file at once: a log cut short by a crash keeps it.
  EXPECT_EQ(ScratchFolder::Read(path), Log({"AReed Runner", "FC:\\QMG\\REEDRUN"}));
  std::string longPath = "C:\\" + std::string(700, 'p');
  WriteLogRecord('D', longPath.c_str());
  CloseUninstallLog();
  WriteLogRecord('D', "after closing");
  EXPECT_EQ(ScratchFolder::Read(path), Log({"AReed Runner", "FC:\\QMG\\REEDRUN", ("D" + longPath).c_str()}));
  EXPECT_EQ(Walk(ScratchFolder::Read(path)), (Records{"D" + longPath, "FC:\\QMG\\REEDRUN"}));

  ASSERT_TRUE(OpenUninstallLog(path.c_str()));
  CloseUninstallLog();
  EXPECT_EQ(ScratchFolder::Read(path), "") << "an older log is replaced";
}

TEST(UninstallLog, ReaderWalksNewestFirstAndNeverActsOnTheTitle) {
  struct Case {
    const char *why;
    std::string log;
    Records acted;
    bool valid;
  } cases[] = {
      {"a full log", Log({"AGame", "FC:\\QMG", "FC:\\QMG\\GAME", "DC:\\QMG\\GAME\\unsetup.ctl", "KGame", "DC:\\QMG\\GAME\\a.txt"}),
       {"DC:\\QMG\\GAME\\a.txt", "KGame", "DC:\\QMG\\GAME\\unsetup.ctl", "FC:\\QMG\\GAME", "FC:\\QMG"}, true},
      {"title only", Log({"AGame"}), {}, true},
      {"lower-case kinds act like upper-case", Log({"AGame", "dC:\\a", "fC:\\b"}), {"FC:\\b", "DC:\\a"}, true},
      {"empty file", "", {}, true},
      {"a single byte", std::string(1, '\0'), {}, true},
      {"a single letter", "A", {}, true},
      // Torn by a power loss: the complete records are walked.
      {"a last record without its NUL", Log({"AGame", "DC:\\a"}) + "DC:\\b", {"DC:\\a"}, true},
      {"NULs where data never came", Log({"AGame", "DC:\\a"}) + std::string(8, '\0'), {"DC:\\a"}, true},
      {"a torn title", "AGa", {}, true},
      {"A in the middle stops the walk there", Log({"AGame", "DC:\\early", "AOther", "DC:\\late"}), {"DC:\\late"}, false},
      {"an empty record", Log({"AGame", "DC:\\a", "", "DC:\\b"}), {"DC:\\b"}, false},
      {"an unknown kind", Log({"AGame", "XC:\\a"}), {}, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Walk(c.log, c.valid), c.acted);
  }
}

TEST(UninstallLog, TheActionCanStopTheWalk) {
  std::string log = Log({"AGame", "Dfirst", "Dsecond", "Dthird"});
  Records acted;
  auto stopAfterOne = [](char kind, const char *text, void *context) {
    Collect(kind, text, context);
    return false;
  };
  EXPECT_TRUE(WalkLogBackwards(reinterpret_cast<const unsigned char *>(log.data()), log.size(), stopAfterOne, &acted));
  EXPECT_EQ(acted, Records{"Dthird"});
}

} // namespace
