// An install, an upgrade and a removal cut off at any moment, on the dry
// machine: every record is written before what it names, the entry after
// its log, and the entry and the log go last in a removal. Then the same
// runs cut after each of their operations in turn, run again and removed:
// the machine ends as an uncut run leaves it, with the player's data and
// without an entry. The figures of the cut replays are printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/dry_machine.h"
#include "base/folder_chain.h"
#include "base/path_rules.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "package/key_table.h"
#include "script/dry_run.h"
#include "script/product_install.h"
#include "script/removal_walk.h"
#include "script/script_reader.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/zip_builder.h"

namespace {

using Lines = std::vector<std::string>;

const char Programs[] = "C:\\ProgramData\\Start Menu\\Programs";
const char Root[] = "C:\\qmgi";
const char Folder[] = "C:\\qmgi\\QMG\\GAME";
const char Scores[] = "C:\\qmgi\\QMG\\GAME\\SCORES.DAT";
const char Entry[] = "QMG Test Game";

std::string Section(const char *version) {
  return std::string("Test Game\nV=") + version +
         "\nK=SCORES.DAT\nF=GAME\nC=UNSETUP.EXE=unsetup.exe\nZ=GAME.QPK\nF=EXTRA\nC=README.TXT=readme.txt\n"
         "M=GAME.EXE=Test Game\n";
}

// A second product, whose shortcut shares the group folder.
const char OtherSection[] = "Other Game\nV=1.0\nF=OTHER\nC=UNSETUP.EXE=unsetup.exe\nZ=GAME.QPK\nM=GAME.EXE=Other Game\n";

bool StartsWith(const std::string &text, const std::string &start) { return text.compare(0, start.size(), start) == 0; }

// The uninstaller's own program stays through the walk, as unsetup.exe
// leaves itself to the copy that removes it at the end.
struct Uninstaller {
  RemovalOperations platform;
  std::string program;
};

DeleteOutcome DeleteAllButProgram(void *context, const char *path, const char *folder, bool utf8) {
  Uninstaller &self = *static_cast<Uninstaller *>(context);
  if (EqualIgnoringAsciiCase(path, self.program))
    return DeleteOutcome::Deleted;
  return self.platform.deleteFile(self.platform.context, path, folder, utf8);
}

struct Machine {
  Lines paths, entries;
  bool operator==(const Machine &other) const { return paths == other.paths && entries == other.entries; }
};

class CutOff : public testing::Test {
protected:
  void SetUp() override {
    BuildSharedKeyTable(SharedKeyTable);
    BuildProductKeyTable(1, ProductKeyTable);
    ScratchFolder::Write(dist_ / "UNSETUP.EXE", "uninstaller");
    ScratchFolder::Write(dist_ / "README.TXT", "read me");
    ScratchFolder::Write(dist_ / "GAME.QPK", ZipBuilder::Scrambled(ZipBuilder()
                                                                       .Add("GAME.EXE", "game")
                                                                       .Add("data/level.dat", "L1")
                                                                       .Add("data/sound/a.wav", "wav")
                                                                       .Build(),
                                                                   ProductKeyTable));
    snprintf(SourceFolder, sizeof SourceFolder, "%s/", dist_.path().c_str());
    snprintf(InstallFolder, sizeof InstallFolder, "%s\\QMG", Root);
  }
  void TearDown() override {
    Settle();
    ObserveLogRecords(nullptr, nullptr);
    SourceFolder[0] = '\0';
  }

  // A machine that holds the folder the install folder goes in.
  static void Fresh() {
    StartDryRun(Programs);
    AddDryFolder(Root);
  }
  // What a cut process leaves behind it in this one: nothing open.
  static void Settle() {
    CutDryRunAfter(0);
    CloseUninstallLog();
    TruncatePendingFolders(0);
  }

  bool Install(const char *version, const std::vector<bool> &answers = {}) { return Run(Section(version), answers); }
  bool Run(const std::string &section, const std::vector<bool> &answers = {}) {
    script_ = section;
    AttachScript(reinterpret_cast<const unsigned char *>(script_.data()), static_cast<uint32_t>(script_.size()));
    AnswerDryQuestionsWith(answers);
    return InstallProduct(DryInstallHost());
  }
  // The install run of both products, in the order of the list.
  bool InstallBoth() {
    bool other = Run(OtherSection);
    return Install("1.0") && other;
  }

  // unsetup.exe in `folder`, run to its end: the walk of its log, then the
  // empty Start Menu group folder, its own program and its folder.
  static void Uninstall(const std::string &folder) {
    std::vector<unsigned char> log;
    std::string title;
    if (!ReadUninstallLogOf(folder.c_str(), log) || !ReadLogTitle(log.data(), log.size(), title))
      return;
    RemovalOperations platform = DryInstallHost().removalOperations(nullptr);
    Uninstaller self{platform, folder + "\\unsetup.exe"};
    RemovalOperations operations{&self, DeleteAllButProgram, platform.removeEmptyFolder, platform.deleteEntry,
                                 platform.crossesLink};
    RemovalScope scope = RemovalScopeIn(folder.c_str(), title.c_str(), Programs);
    RemoveLoggedItems(log.data(), log.size(), scope, RemovalMode::RemoveAll, {}, operations);
    platform.removeEmptyFolder(nullptr, scope.startMenuGroup.c_str(), "");
    platform.deleteFile(nullptr, self.program.c_str(), folder.c_str(), false);
    platform.removeEmptyFolder(nullptr, folder.c_str(), "");
  }

  // Runs the uninstaller of every entry the list of installed programs can
  // start; false when there was none.
  static bool UninstallFromEntries() {
    bool any = false;
    char folder[PathCapacity], version[TitleCapacity];
    for (const std::string &name : DryEntryNames())
      if (DryInstallHost().readEntry(nullptr, name.c_str(), folder, version)) {
        Uninstall(folder);
        any = true;
      }
    return any;
  }

  // Runs `run` with a cut after `count` operations in all; true when it was
  // cut there.
  template <class Run> static bool CutAfter(size_t count, Run run) {
    CutDryRunAfter(count);
    bool cut = false;
    try {
      run();
    } catch (const DryRunCut &) {
      cut = true;
    }
    Settle();
    return cut;
  }

  static Machine Now() { return {DryPaths(), DryEntryNames()}; }

  // Cuts the run that `act` makes on the machine `prepare` sets up after
  // each of its operations in turn but the last (a cut after the last one
  // is the uncut run), finishes the work with `finish`, which tells whether
  // the player's data is there, and removes the product with `remove`. The
  // machine must end as the uncut run followed by `remove` leaves it.
  template <class Prepare, class Act, class Finish, class Remove>
  void Replay(const char *what, Prepare prepare, Act act, Finish finish, Remove remove) {
    prepare();
    size_t start = DryOperations().size();
    act();
    size_t count = DryOperations().size() - start;
    remove();
    Machine clean = Now();
    ASSERT_GT(count, 1u);
    EXPECT_TRUE(clean.entries.empty());
    size_t passed = 0;
    for (size_t n = 1; n < count; n++) {
      prepare();
      size_t before = DryOperations().size();
      bool cut = CutAfter(before + n, act);
      std::string at = cut ? DryOperations()[before + n - 1] : "(not cut)";
      SCOPED_TRACE(std::string(what) + " cut after operation " + std::to_string(n) + ": " + at);
      EXPECT_TRUE(cut);
      bool kept = finish();
      remove();
      Machine after = Now();
      EXPECT_TRUE(kept);
      EXPECT_EQ(after.paths, clean.paths);
      EXPECT_EQ(after.entries, Lines{});
      if (cut && kept && after == clean)
        passed++;
    }
    printf("%s: %zu cut points, %zu passed\n", what, count - 1, passed);
    EXPECT_EQ(passed, count - 1);
  }

  ScratchFolder dist_;
  std::string script_;
};

// Each thing made after the log exists has its record written first; the
// entry is written after the log holds its K record; before the log, only
// the install folder and the product folder are made.
TEST_F(CutOff, AnInstallRecordsEachThingBeforeMakingItAndWritesTheEntryAfterItsLog) {
  Fresh();
  ASSERT_TRUE(Install("1.0"));
  const Lines &operations = DryOperations();
  const Lines &records = DryLogRecords();
  const std::vector<size_t> &moments = DryLogRecordMoments();
  auto recordedBy = [&](const std::string &record, size_t index) {
    for (size_t i = 0; i < records.size(); i++)
      if (records[i] == record && moments[i] <= index)
        return true;
    return false;
  };
  std::string logPath = std::string(Folder) + "\\unsetup.ctl";
  size_t logMade = operations.size();
  for (size_t i = 0; i < operations.size(); i++) {
    const std::string &line = operations[i];
    SCOPED_TRACE(line);
    if (line == "file " + logPath) {
      logMade = i;
      continue;
    }
    if (i < logMade) {
      EXPECT_TRUE(line == std::string("folder ") + InstallFolder || line == std::string("folder ") + Folder);
      continue;
    }
    std::string path = line.substr(line.find(' ') + 1);
    if (StartsWith(line, "folder "))
      EXPECT_TRUE(recordedBy("F" + path, i));
    else if (StartsWith(line, "file "))
      EXPECT_TRUE(recordedBy("D" + path, i));
    else if (StartsWith(line, "copy "))
      EXPECT_TRUE(recordedBy("D" + line.substr(line.find(" > ") + 3), i));
    else if (StartsWith(line, "link "))
      EXPECT_TRUE(recordedBy("D" + path.substr(0, path.find(" > ")), i));
    else if (StartsWith(line, "registry "))
      EXPECT_TRUE(recordedBy(std::string("K") + Entry, i));
    else
      ADD_FAILURE() << "not expected here";
  }
  EXPECT_LT(logMade, operations.size());
  EXPECT_EQ(operations.back(), std::string("registry set ") + Entry + " InstallFinished=1");
}

TEST_F(CutOff, ARemovalDeletesTheEntryAndThenTheLogAfterEverythingElse) {
  Fresh();
  ASSERT_TRUE(Install("1.0"));
  size_t start = DryOperations().size();
  ASSERT_TRUE(UninstallFromEntries());
  Lines removal(DryOperations().begin() + static_cast<long>(start), DryOperations().end());
  std::string entryGone = std::string("registry delete ") + Entry;
  std::string logGone = std::string("delete ") + Folder + "\\unsetup.ctl";
  size_t entryAt = 0;
  while (entryAt < removal.size() && removal[entryAt] != entryGone)
    entryAt++;
  ASSERT_LT(entryAt + 1, removal.size());
  EXPECT_EQ(removal[entryAt + 1], logGone);
  // Only the folders that held the log, and the uninstaller's own end,
  // come after.
  for (size_t i = entryAt + 2; i < removal.size(); i++)
    EXPECT_TRUE(StartsWith(removal[i], "remove folder ") || removal[i] == std::string("delete ") + Folder +
                                                                               "\\unsetup.exe")
        << removal[i];
  EXPECT_GT(entryAt, 5u) << "the files and folders of the product go first";
}

// An install of the same version replaces a finished one with everything,
// the player's data included (as it always did), but one that did not run
// to its end is replaced keeping the data, without a question. A log left
// with no entry (cut before the entry's values) is removed the same way,
// its entry name taken again.
TEST_F(CutOff, AnInstallThatDidNotFinishIsReplacedKeepingThePlayersData) {
  struct Case {
    const char *why;
    const char *cutAt; // the first operation not to happen; "" for none
    bool scoresKept;
  } cases[] = {
      {"finished", "", false},
      {"cut among the commands", "copy ", true},
      {"cut before the entry's values", "registry set ", true},
      {"cut before the entry", "registry create ", true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    Fresh();
    size_t start = DryOperations().size();
    ASSERT_TRUE(Install("1.0"));
    size_t cutAfter = 0;
    for (size_t i = start; c.cutAt[0] && i < DryOperations().size() && !cutAfter; i++)
      if (StartsWith(DryOperations()[i], c.cutAt))
        cutAfter = i - start;
    if (c.cutAt[0]) {
      ASSERT_GT(cutAfter, 0u);
      Fresh();
      ASSERT_TRUE(CutAfter(DryOperations().size() + cutAfter, [&] { Install("1.0"); }));
    }
    AddDryFile(Scores);
    size_t rerun = DryOperations().size();
    EXPECT_TRUE(Install("1.0"));
    for (size_t i = rerun; i < DryOperations().size(); i++)
      EXPECT_FALSE(StartsWith(DryOperations()[i], "question ") || StartsWith(DryOperations()[i], "message "))
          << DryOperations()[i];
    EXPECT_EQ(DryPathKind(Scores) == 1, c.scoresKept);
    EXPECT_EQ(DryEntryNames(), Lines{Entry});
  }
}

TEST_F(CutOff, AnInstallCutAfterAnyOperationIsFinishedByTheNextRunAndRemovedWhole) {
  Replay(
      "install", [] { Fresh(); }, [&] { Install("1.0"); }, [&] { return Install("1.0"); },
      [] { UninstallFromEntries(); });
}

TEST_F(CutOff, AnInstallOfTwoProductsCutAfterAnyOperationIsFinishedByTheNextRunAndRemovedWhole) {
  Replay(
      "install of two products", [] { Fresh(); }, [&] { InstallBoth(); }, [&] { return InstallBoth(); },
      [] { UninstallFromEntries(); });
}

TEST_F(CutOff, AnUpgradeCutAfterAnyOperationKeepsThePlayersDataThroughTheNextRun) {
  Replay(
      "upgrade",
      [&] {
        Fresh();
        Install("1.0");
        AddDryFile(Scores);
      },
      [&] { Install("2.0", {true}); },
      [&] { return Install("2.0", {true}) && DryPathKind(Scores) == 1; }, [] { UninstallFromEntries(); });
}

// A removal cut off is run again from the list of installed programs while
// its entry is there; once the entry is gone, the next install takes what
// is left for an unregistered install of the product.
TEST_F(CutOff, ARemovalCutAfterAnyOperationIsFinishedByRunningItAgain) {
  Replay(
      "removal",
      [&] {
        Fresh();
        Install("1.0");
        AddDryFile(Scores);
      },
      [] { UninstallFromEntries(); },
      [&] {
        bool ran = UninstallFromEntries() || Install("1.0");
        return ran && DryPathKind(Scores) == 1;
      },
      [] { UninstallFromEntries(); });
}

} // namespace
