// The removal walk against recording stand-ins for the platform: which
// records of an uninstall log it acts on, in which form, and what it counts
// as not removed.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "script/removal_walk.h"

namespace {

using Calls = std::vector<std::string>;

struct FakePlatform {
  Calls calls;
  Calls folders; // the folder each delete and rmdir was given, in call order
  std::set<std::string> links;                  // folders that are junctions
  std::map<std::string, DeleteOutcome> outcome; // "ansi <path>" or "utf8 <path>"; Deleted otherwise
  std::set<std::string> stubbornEntries;

  static FakePlatform &Of(void *context) { return *static_cast<FakePlatform *>(context); }
  static DeleteOutcome DeleteFile(void *context, const char *path, const char *folder, bool utf8) {
    std::string call = std::string(utf8 ? "utf8 " : "ansi ") + path;
    Of(context).calls.push_back("delete " + call);
    Of(context).folders.push_back(folder);
    auto found = Of(context).outcome.find(call);
    return found == Of(context).outcome.end() ? DeleteOutcome::Deleted : found->second;
  }
  static void RemoveFolder(void *context, const char *path, const char *folder) {
    Of(context).calls.push_back(std::string("rmdir ") + path);
    Of(context).folders.push_back(folder);
  }
  static bool DeleteEntry(void *context, const char *name) {
    Of(context).calls.push_back(std::string("entry ") + name);
    return Of(context).stubbornEntries.count(name) == 0;
  }
  static bool CrossesLink(void *context, const char *path, size_t from, bool) {
    std::string p = path;
    // The folders on the way: the first `from` characters and each folder below, not the last name.
    for (size_t i = from; i < p.size(); i++)
      if ((i == from || p[i] == '\\') && Of(context).links.count(p.substr(0, i)))
        return true;
    return false;
  }
  RemovalOperations Operations() { return RemovalOperations{this, DeleteFile, RemoveFolder, DeleteEntry, CrossesLink}; }
};

std::string Log(std::initializer_list<std::string> records) {
  std::string log = std::string("AReed Runner") + '\0';
  for (const std::string &r : records)
    log += r + '\0';
  return log;
}

const RemovalScope Scope{"C:\\QMG\\REED", "C:\\Start\\Programs\\Quillmarsh Games", "Reed Runner"};

RemovalResult Remove(FakePlatform &platform, const std::string &log, RemovalMode mode = RemovalMode::RemoveAll,
                     const std::vector<std::string> &keep = {}, const RemovalScope &scope = Scope) {
  return RemoveLoggedItems(reinterpret_cast<const unsigned char *>(log.data()), log.size(), scope, mode, keep,
                           platform.Operations());
}

TEST(RemovalWalk, AnInstallersOwnLogIsUndoneNewestFirst) {
  FakePlatform platform;
  RemovalResult result =
      Remove(platform, Log({"FC:\\QMG", "FC:\\QMG\\REED", "DC:\\QMG\\REED\\unsetup.ctl", "KQMG Reed Runner",
                            "DC:\\QMG\\REED\\REED.EXE", "FC:\\QMG\\REED/data", "DC:\\QMG\\REED\\data\\level.dat",
                            "FC:\\Start\\Programs\\Quillmarsh Games",
                            "DC:\\Start\\Programs\\Quillmarsh Games\\Reed Runner.lnk"}));
  EXPECT_EQ(result.failures, 0u);
  EXPECT_FALSE(result.invalidRecord);
  EXPECT_EQ(platform.calls,
            (Calls{"delete ansi C:\\Start\\Programs\\Quillmarsh Games\\Reed Runner.lnk",
                   "rmdir C:\\Start\\Programs\\Quillmarsh Games", "delete ansi C:\\QMG\\REED\\data\\level.dat",
                   "rmdir C:\\QMG\\REED\\data", "delete ansi C:\\QMG\\REED\\REED.EXE", "entry QMG Reed Runner",
                   "delete ansi C:\\QMG\\REED\\unsetup.ctl", "rmdir C:\\QMG\\REED", "rmdir C:\\QMG"}));
  // Each file with the folder it must lie in; each folder inside the
  // product folder with it, the rest with none.
  const std::string group = Scope.startMenuGroup, folder = Scope.productFolder;
  EXPECT_EQ(platform.folders, (Calls{group, "", folder, folder, folder, folder, "", ""}));
}

// Wherever the log names them, the entry and then the log itself go after
// every other record, followed only by the folders recorded before the log.
TEST(RemovalWalk, TheEntryAndThenTheLogGoLast) {
  FakePlatform platform;
  RemovalResult result =
      Remove(platform, Log({"FC:\\QMG\\REED", "DC:\\QMG\\REED\\OLD.EXE", "DC:\\QMG\\REED\\unsetup.ctl",
                            "FC:\\QMG\\REED\\sub", "KQMG Reed Runner", "DC:\\QMG\\REED\\REED.EXE"}));
  EXPECT_EQ(result.failures, 0u);
  EXPECT_EQ(platform.calls, (Calls{"delete ansi C:\\QMG\\REED\\REED.EXE", "rmdir C:\\QMG\\REED\\sub",
                                   "delete ansi C:\\QMG\\REED\\OLD.EXE", "entry QMG Reed Runner",
                                   "delete ansi C:\\QMG\\REED\\unsetup.ctl", "rmdir C:\\QMG\\REED"}));
}

TEST(RemovalWalk, RecordsBeyondWhatTheInstallerWritesAreLeftAndCounted) {
  struct Case {
    const char *why;
    std::string record;
  } cases[] = {
      {"a file outside the folder", "DC:\\Windows\\system.ini"},
      {"a sibling folder that starts with the same name", "DC:\\QMG\\REEDX\\a.txt"},
      {"climbing out with ..", "DC:\\QMG\\REED\\..\\..\\Windows\\system.ini"},
      {"a trailing-blank .. ", "DC:\\QMG\\REED\\.. \\OTHER\\a.txt"},
      {"a stream name", "DC:\\QMG\\REED\\a.txt:hidden"},
      {"a relative path", "DREED.EXE"},
      {"a device path", "D\\\\?\\C:\\QMG\\REED\\REED.EXE"},
      {"the product folder itself as a file", "DC:\\QMG\\REED"},
      {"a shortcut outside the group", "DC:\\Start\\Programs\\Other.lnk"},
      {"a file in the group that is no shortcut", "DC:\\Start\\Programs\\Quillmarsh Games\\x.exe"},
      {"a shortcut below the group", "DC:\\Start\\Programs\\Quillmarsh Games\\sub\\x.lnk"},
      {"another program's entry", "KSomeOtherProgram"},
      {"another product's entry", "KQMG Other Game"},
      {"a key below an entry", "KQMG Reed Runner\\Sub"},
      {"a key beside the Uninstall key", "K..\\Run"},
      {"a folder outside", "FC:\\Other\\Empty"},
      {"a folder beside the group", "FC:\\Start\\Programs\\Startup"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    FakePlatform platform;
    RemovalResult result = Remove(platform, Log({"DC:\\QMG\\REED\\REED.EXE", c.record}));
    EXPECT_EQ(result.failures, 1u);
    EXPECT_FALSE(result.invalidRecord);
    EXPECT_EQ(platform.calls, Calls{"delete ansi C:\\QMG\\REED\\REED.EXE"}) << "only the file inside is touched";
  }
}

TEST(RemovalWalk, NoPathIsFollowedThroughALinkBelowTheProductFolder) {
  FakePlatform platform;
  platform.links = {"C:\\QMG\\REED\\data"};
  RemovalResult result = Remove(platform, Log({"FC:\\QMG\\REED", "DC:\\QMG\\REED\\REED.EXE",
                                               "DC:\\QMG\\REED\\data\\victim.txt", "FC:\\QMG\\REED\\data\\sub",
                                               "FC:\\QMG\\REED\\data"}));
  EXPECT_EQ(result.failures, 2u);
  // The link itself may go, as an empty folder would: removing it leaves its target.
  EXPECT_EQ(platform.calls, (Calls{"rmdir C:\\QMG\\REED\\data", "delete ansi C:\\QMG\\REED\\REED.EXE",
                                   "rmdir C:\\QMG\\REED"}));

  FakePlatform linkedFolder;
  linkedFolder.links = {"C:\\QMG\\REED"};
  EXPECT_EQ(Remove(linkedFolder, Log({"DC:\\QMG\\REED\\REED.EXE"})).failures, 1u);
  EXPECT_EQ(linkedFolder.calls, Calls{});
}

TEST(RemovalWalk, HighBytePathsNameTheAnsiFileOrElseTheUtf8One) {
  FakePlatform platform;
  platform.outcome["ansi C:\\QMG\\REED\\caf\xC3\xA9.txt"] = DeleteOutcome::AlreadyGone;
  RemovalResult result = Remove(platform, Log({"DC:\\QMG\\REED\\caf\xC3\xA9.txt", "DC:\\QMG\\REED\\\xE9t\xE9.txt"}));
  EXPECT_EQ(result.failures, 0u);
  EXPECT_EQ(platform.calls, (Calls{"delete ansi C:\\QMG\\REED\\\xE9t\xE9.txt",
                                   "delete ansi C:\\QMG\\REED\\caf\xC3\xA9.txt",
                                   "delete utf8 C:\\QMG\\REED\\caf\xC3\xA9.txt"}));

  // Both forms gone is no failure; a form that fails after the other was
  // not found is.
  FakePlatform gone;
  gone.outcome = {{"ansi C:\\QMG\\REED\\\xC3\xA9", DeleteOutcome::AlreadyGone},
                  {"utf8 C:\\QMG\\REED\\\xC3\xA9", DeleteOutcome::AlreadyGone},
                  {"ansi C:\\QMG\\REED\\\xC3\xA8", DeleteOutcome::AlreadyGone},
                  {"utf8 C:\\QMG\\REED\\\xC3\xA8", DeleteOutcome::Failed}};
  EXPECT_EQ(Remove(gone, Log({"DC:\\QMG\\REED\\\xC3\xA9", "DC:\\QMG\\REED\\\xC3\xA8"})).failures, 1u);
}

// The ANSI reading names a file that cannot be deleted (a link, a file
// elsewhere): that is the object, and the other reading is not tried.
TEST(RemovalWalk, AFileTheAnsiReadingCannotDeleteIsAFailureNotAReasonToTryTheOther) {
  FakePlatform platform;
  platform.outcome["ansi C:\\QMG\\REED\\caf\xC3\xA9.txt"] = DeleteOutcome::Failed;
  EXPECT_EQ(Remove(platform, Log({"DC:\\QMG\\REED\\caf\xC3\xA9.txt"})).failures, 1u);
  EXPECT_EQ(platform.calls, Calls{"delete ansi C:\\QMG\\REED\\caf\xC3\xA9.txt"});
}

TEST(RemovalWalk, FailuresOfThePlatformCountAndFilesAlreadyGoneDoNot) {
  FakePlatform platform;
  platform.outcome = {{"ansi C:\\QMG\\REED\\gone.txt", DeleteOutcome::AlreadyGone},
                      {"ansi C:\\QMG\\REED\\gone\\folder.txt", DeleteOutcome::AlreadyGone},
                      {"ansi C:\\QMG\\REED\\locked.txt", DeleteOutcome::Failed}};
  platform.stubbornEntries = {"QMG Reed Runner_2"};
  RemovalResult result = Remove(platform, Log({"KQMG Reed Runner_2", "DC:\\QMG\\REED\\gone.txt",
                                               "DC:\\QMG\\REED\\gone\\folder.txt", "DC:\\QMG\\REED\\locked.txt"}));
  EXPECT_EQ(result.failures, 2u);
}

TEST(RemovalWalk, KeepEntriesStayWhenKeepingAndGoFirstOtherwise) {
  std::string log = Log({"DC:\\QMG\\REED\\SCORES.DAT", "Dc:/qmg/reed/save/SLOT1.SAV", "DC:\\QMG\\REED\\REED.EXE"});
  std::vector<std::string> keep = {"SCORES.DAT", "SAVE\\SLOT1.SAV", "..\\..\\Windows\\win.ini", "C:\\boot.ini"};

  FakePlatform keeping;
  EXPECT_EQ(Remove(keeping, log, RemovalMode::KeepData, keep).failures, 0u);
  EXPECT_EQ(keeping.calls, Calls{"delete ansi C:\\QMG\\REED\\REED.EXE"});

  // Keep entries that climb out of the folder are not deleted either.
  FakePlatform removing;
  EXPECT_EQ(Remove(removing, log, RemovalMode::RemoveAll, keep).failures, 0u);
  EXPECT_EQ(removing.calls,
            (Calls{"delete ansi C:\\QMG\\REED\\SCORES.DAT", "delete ansi C:\\QMG\\REED\\SAVE\\SLOT1.SAV",
                   "delete ansi C:\\QMG\\REED\\REED.EXE", "delete ansi C:\\qmg\\reed\\save\\SLOT1.SAV",
                   "delete ansi C:\\QMG\\REED\\SCORES.DAT"}));
}

TEST(RemovalWalk, AnUnknownRecordStopsTheWalk) {
  FakePlatform platform;
  RemovalResult result =
      Remove(platform, Log({"DC:\\QMG\\REED\\a.txt", "XC:\\QMG\\REED\\b.txt", "DC:\\QMG\\REED\\c.txt"}));
  EXPECT_TRUE(result.invalidRecord);
  EXPECT_EQ(platform.calls, Calls{"delete ansi C:\\QMG\\REED\\c.txt"});
}

TEST(RemovalWalk, AProductFolderThatIsNoPlainFolderHoldsNothing) {
  for (const char *folder : {"C:\\", "C:\\QMG\\..\\REED", "REED", ""}) {
    SCOPED_TRACE(folder);
    FakePlatform platform;
    RemovalScope scope{folder, "", "Reed Runner"};
    RemovalResult result = Remove(platform, Log({"DC:\\QMG\\REED\\REED.EXE", "FC:\\QMG\\REED"}),
                                  RemovalMode::RemoveAll, {"SCORES.DAT"}, scope);
    EXPECT_EQ(result.failures, 2u);
    EXPECT_EQ(platform.calls, Calls{});
  }
}

} // namespace
