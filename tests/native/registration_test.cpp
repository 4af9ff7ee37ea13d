// Registration on the dry host: which installed entries are asked about,
// removed or passed over, and what is written, for a table of Uninstall
// keys. The dry machine has no installed logs, so every removal meets a
// missing log and drops the entry, as SETUP.EXE does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/dry_machine.h"
#include "base/setup_state.h"
#include "script/dry_run.h"
#include "script/product_registration.h"

namespace {

using Lines = std::vector<std::string>;

const char Folder[] = "C:\\QMG\\GAME";

// The registry lines and the messages of the run, in order.
Lines Register(const std::vector<DryEntry> &entries, const std::vector<bool> &answers, bool &registered) {
  StartDryRun("C:\\Programs", entries);
  AnswerDryQuestionsWith(answers);
  strcpy(ProductTitle, "Test Game");
  strcpy(ProductVersion, "1.1");
  strcpy(ProductFolder, Folder);
  std::string name;
  registered = PrepareProductEntry(DryInstallHost(), name) && WriteProductEntry(DryInstallHost(), name.c_str());
  return DryOperations();
}

Lines Written(const std::string &name) {
  return {"registry create " + name, "registry set " + name + " DisplayName=" + name,
          "registry set " + name + " UninstallString=C:\\QMG\\GAME\\unsetup.exe",
          "registry set " + name + " Folder=C:\\QMG\\GAME", "registry set " + name + " Version=1.1"};
}

Lines Then(Lines first, const Lines &more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

TEST(Registration, InstalledEntriesAreAskedAboutRemovedOrPassedOver) {
  const std::string noLog = "message UNSETUP.CTL error, no uninstall info.";
  const std::string replace =
      "question Version 1.0 already exists in that folder.\nDo you want to replace it with version 1.1?";
  const std::string older = "question The version you're trying to install is older than\nthe already installed "
                            "version.  Do you want to\nuninstall the previous version first?\n(All player data & "
                            "records will be lost.)";
  struct Case {
    const char *why;
    std::vector<DryEntry> entries;
    std::vector<bool> answers;
    bool registered;
    Lines operations;
  } cases[] = {
      {"nothing installed", {}, {}, true, Written("QMG Test Game")},
      {"an older version here, replaced",
       {{"QMG Test Game", Folder, "1.0"}},
       {true},
       true,
       Then({replace, noLog, "registry delete QMG Test Game"}, Written("QMG Test Game"))},
      {"a newer version here, declined", {{"QMG Test Game", "c:\\qmg\\game", "2.0"}}, {false}, false, {older}},
      {"the same version here goes without a question",
       {{"QMG Test Game_2", Folder, "1.1"}},
       {},
       true,
       Then({noLog, "registry delete QMG Test Game_2"}, Written("QMG Test Game"))},
      {"another folder goes without a question",
       {{"QMG Test Game", "D:\\OLD", "0.5"}, {"QMG Other Game", Folder, "1.0"}},
       {},
       true,
       Then({noLog, "registry delete QMG Test Game"}, Written("QMG Test Game"))},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    bool registered = false;
    EXPECT_EQ(Register(c.entries, c.answers, registered), c.operations);
    EXPECT_EQ(registered, c.registered);
  }
}

// Entries that cannot be read (no Folder or Version) are neither removed nor
// reused; when they hold every name, the last is opened for reading only
// and the first write to it is reported.
TEST(Registration, WhenEveryNameIsTakenTheWriteFailsAndIsReported) {
  std::vector<DryEntry> taken;
  for (int n = 1; n <= 98; n++)
    taken.push_back({n == 1 ? "QMG Test Game" : "QMG Test Game_" + std::to_string(n), "", ""});
  bool registered = true;
  Lines operations = Register(taken, {}, registered);
  EXPECT_FALSE(registered);
  EXPECT_EQ(operations, Lines{"message Error writing app name Registry key:\nQMG Test Game_98"});
}

} // namespace
