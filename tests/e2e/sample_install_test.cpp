// The project's sample distribution installed end to end by SETUP.EXE, as a
// player would: every file, every uninstall log (compared record by record
// with the disk), the Uninstall entries, the shortcuts and the Finished
// dialog; then a newer version of one product installed over it, answered
// Yes and No.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "e2e_support.h"
#include "installation.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct SampleProduct {
  const char *title, *folder, *version, *program;
};
const SampleProduct Products[] = {
    {"Heron Hop", "HERONHOP", "1.2", "HERONHOP.EXE"},
    {"Lily Links", "LILYLINK", "2.1", "LILYLINK.EXE"},
    {"Reed Runner", "REEDRUN", "1.0", "REEDRUN.EXE"},
};

std::string RegistryValue(const std::string &entry, const char *name) {
  return setup_driver::UninstallValue(entry, name);
}

std::vector<std::string> EntriesNamed(const std::string &prefix) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  char name[512];
  for (DWORD i = 0;; i++) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (std::string(name).compare(0, prefix.size(), prefix) == 0)
      names.push_back(name);
  }
  RegCloseKey(key);
  std::sort(names.begin(), names.end());
  return names;
}

void DeleteSampleEntries() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  for (const std::string &name : EntriesNamed("QMG "))
    RegDeleteKeyA(key, name.c_str());
  RegCloseKey(key);
}

using setup_driver::ProgramsGroup;
using setup_driver::ReadShortcut;
using setup_driver::Shortcut;

// Every file and folder below `folder`, as full paths; folders end in "\".
void ListTree(const std::string &folder, std::set<std::string> &found) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..")
      continue;
    std::string path = folder + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      found.insert(path + "\\");
      ListTree(path, found);
    } else {
      found.insert(path);
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}

std::vector<std::string> ReadLog(const std::string &path) { return setup_driver::ReadUninstallLog(path); }

// Backslashes only, so that "F" records written as dest/sub compare with
// paths read from the disk.
std::string Normal(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

class SampleInstall : public testing::Test {
protected:
  void SetUp() override {
    CoInitialize(nullptr);
    DeleteSampleEntries();
    RemoveTree(ProgramsGroup());
    installFolder_ = FreshScratchFolder("sample-install") + "\\Games";
    distribution_.CopyFrom(setup_driver::ToWindowsPath(QMG_SAMPLE_DISTRIBUTION));
  }
  void TearDown() override {
    DeleteSampleEntries();
    RemoveTree(ProgramsGroup());
  }

  std::string ProductFolder(const SampleProduct &product) const { return installFolder_ + "\\" + product.folder; }

  // Runs SETUP, installs the products whose titles are given (all when
  // empty), answering a replacement question with `answer` (IDYES or IDNO),
  // and returns every message shown on the way.
  std::vector<std::string> RunInstall(const std::vector<std::string> &only = {}, int answer = IDYES,
                         const char *progressShot = nullptr) {
    SetupProcess setup(distribution_.SetupExe());
    Shown dialog = setup.Next();
    EXPECT_TRUE(IsMainDialog(dialog));
    if (!only.empty()) {
      std::vector<Product> listed = setup.Products(dialog.window);
      for (size_t i = 0; i < listed.size(); i++)
        setup.SelectProduct(dialog.window, static_cast<int>(i),
                            std::find(only.begin(), only.end(), listed[i].title) != only.end());
    }
    setup.SetFolder(dialog.window, installFolder_);
    setup.Press(dialog.window, IDC_INSTALL);
    std::vector<std::string> messages;
    for (;;) {
      Shown next = setup.Next(true);
      if (next.kind == Shown::MessageBox) {
        messages.push_back(next.text);
        bool question = GetDlgItem(next.window, IDYES) != nullptr;
        if (question && progressShot) {
          // The progress display stands behind the question.
          setup.Settle();
          setup_driver::SavePng(setup_driver::CaptureScreen(), std::string(QMG_SCREENSHOT_DIR) + "/" + progressShot);
        }
        if (question) {
          setup.Press(next.window, answer);
          // Else the next look may find the same box, not yet closed.
          setup.WaitUntilHidden(next.window, answer == IDYES ? "Yes" : "No");
        } else {
          setup.Answer(next.window);
        }
        continue;
      }
      EXPECT_EQ(next.kind, Shown::OtherDialog) << Describe(next);
      if (next.kind != Shown::OtherDialog)
        return messages;
      EXPECT_EQ(next.caption, "Finished");
      EXPECT_NE(next.text.find("Setup has completed.  You may access the game(s)"), std::string::npos) << next.text;
      EXPECT_NE(next.text.find("Thank you, and good puzzling!"), std::string::npos);
      if (!progressShot) {
        setup.Settle();
        setup_driver::SavePng(setup_driver::CaptureScreen(), std::string(QMG_SCREENSHOT_DIR) + "/finished-dialog.png");
      }
      setup.Answer(next.window);
      break;
    }
    EXPECT_TRUE(IsExit(setup.Next(), 0));
    return messages;
  }

  // Checks a product's log against the disk: "A" first with the title,
  // then the folders, the log itself and the entry; every "D" file exists;
  // every "F" folder exists; everything in the product folder is logged,
  // apart from `unlogged`.
  void ExpectLogMatchesDisk(const SampleProduct &product, const std::set<std::string> &unlogged = {}) {
    SCOPED_TRACE(product.title);
    std::string folder = ProductFolder(product);
    std::vector<std::string> log = ReadLog(folder + "\\unsetup.ctl");
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0], std::string("A") + product.title);
    EXPECT_EQ(log[1], "F" + installFolder_);
    EXPECT_EQ(log[2], "F" + folder);
    EXPECT_EQ(log[3], "D" + folder + "\\unsetup.ctl");
    EXPECT_EQ(log[4], std::string("KQMG ") + product.title);
    std::set<std::string> logged;
    for (size_t i = 1; i < log.size(); i++) {
      std::string path = Normal(log[i].substr(1));
      DWORD attributes = GetFileAttributesA(path.c_str());
      switch (log[i][0]) {
      case 'F':
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << path;
        logged.insert(path + "\\");
        break;
      case 'D':
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
        logged.insert(path);
        break;
      case 'K':
        EXPECT_EQ(RegistryValue(log[i].substr(1), "DisplayName"), log[i].substr(1));
        break;
      default:
        ADD_FAILURE() << "record " << log[i];
      }
    }
    std::set<std::string> onDisk;
    ListTree(folder, onDisk);
    for (const std::string &path : onDisk)
      if (!logged.count(path) && !unlogged.count(path))
        ADD_FAILURE() << "not in the log: " << path;
  }

  // What dry-run.exe did with this distribution and install folder, the
  // Programs folder and the install folder's parent seen as they are:
  // each product's log records by product folder, and its operations.
  struct DryRun {
    std::map<std::string, std::vector<std::string>> logs;
    std::vector<std::string> operations;
  };
  DryRun RunDry(const std::string &options = "") const {
    const std::string group = ProgramsGroup();
    const std::string programs = group.substr(0, group.rfind('\\'));
    const std::string parent = installFolder_.substr(0, installFolder_.rfind('\\'));
    std::string output;
    DWORD code = RunProgram(setup_driver::ToWindowsPath(QMG_DRY_RUN_EXE),
                            options + " \"" + distribution_.Folder() + "\" \"" + installFolder_ + "\" \"" + programs +
                                "\" \"" + parent + "\"",
                            parent + "\\dry-run.log", output);
    DeleteFileA((parent + "\\dry-run.log").c_str());
    EXPECT_EQ(code, 0u) << output;
    DryRun run;
    std::string folder;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      if (line.compare(0, 4, "log ") == 0)
        folder = line.substr(4);
      else if (line.compare(0, 7, "record ") == 0)
        run.logs[folder].push_back(line.substr(7));
      else if (line.compare(0, 10, "operation ") == 0)
        run.operations.push_back(line.substr(10));
      else if (line.compare(0, 2, "+ ") == 0 && !run.operations.empty())
        run.operations.back() += "\n" + line.substr(2);
    }
    return run;
  }
  // The messages and questions among a dry run's operations.
  static std::vector<std::string> MessagesOf(const DryRun &run) {
    std::vector<std::string> messages;
    for (const std::string &line : run.operations)
      for (const char *kind : {"message ", "question "})
        if (line.compare(0, strlen(kind), kind) == 0)
          messages.push_back(line.substr(strlen(kind)));
    return messages;
  }

  Distribution distribution_;
  std::string installFolder_;
};

TEST_F(SampleInstall, EverythingMadeIsLoggedRegisteredAndReachable) {
  EXPECT_EQ(RunInstall(), std::vector<std::string>{});

  // Shared packages: unpacked once, in no product's log.
  for (const char *shared : {"Music\\theme1.mid", "CommonUI\\buttons.dat", "CommonUI\\fonts\\puzzle.fnt"})
    EXPECT_NE(GetFileAttributesA((installFolder_ + "\\" + shared).c_str()), INVALID_FILE_ATTRIBUTES) << shared;
  // The products offered and installed; the others not.
  for (const char *absent : {"BOGBLOCK", "MOSAIC"})
    EXPECT_EQ(GetFileAttributesA((installFolder_ + "\\" + absent).c_str()), INVALID_FILE_ATTRIBUTES) << absent;

  const std::string group = ProgramsGroup();
  for (const SampleProduct &product : Products) {
    SCOPED_TRACE(product.title);
    ExpectLogMatchesDisk(product);
    std::string entry = std::string("QMG ") + product.title;
    EXPECT_EQ(RegistryValue(entry, "DisplayName"), entry);
    EXPECT_EQ(RegistryValue(entry, "UninstallString"), ProductFolder(product) + "\\unsetup.exe");
    EXPECT_EQ(RegistryValue(entry, "Folder"), ProductFolder(product));
    EXPECT_EQ(RegistryValue(entry, "Version"), product.version);

    Shortcut shortcut;
    ASSERT_TRUE(ReadShortcut(group + "\\" + product.title + ".lnk", shortcut));
    EXPECT_EQ(shortcut.target, ProductFolder(product) + "\\" + product.program);
    EXPECT_EQ(shortcut.folder, ProductFolder(product));
    EXPECT_EQ(shortcut.description, product.title);
    std::vector<std::string> log = ReadLog(ProductFolder(product) + "\\unsetup.ctl");
    EXPECT_NE(std::find(log.begin(), log.end(), "D" + group + "\\" + product.title + ".lnk"), log.end());
  }
  // The script's own steps: Lily Links had no settings, so the default ones
  // were copied; its extra puzzles went to the sub-folder; the game files
  // kept their read-only attribute.
  const std::string lily = ProductFolder(Products[1]);
  EXPECT_EQ(ReadFileBytes(lily + "\\LILYLINK.CFG"), ReadFileBytes(distribution_.PathOf("LILYLINK.CFG")));
  EXPECT_EQ(GetFileAttributesA((lily + "\\LILYLINK.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((lily + "\\EXTRA\\extra1.dat").c_str()), INVALID_FILE_ATTRIBUTES);
  DWORD level = GetFileAttributesA((ProductFolder(Products[2]) + "\\levels\\level01.dat").c_str());
  EXPECT_TRUE(level != INVALID_FILE_ATTRIBUTES && (level & FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA((ProductFolder(Products[0]) + "\\BROKEN.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The same distribution and install folder on the dry machine, before the
// real install: the dry run makes nothing, and records for every product
// the very uninstall log that SETUP.EXE then writes, the same Uninstall
// entry and no message.
TEST_F(SampleInstall, TheDryRunRecordsWhatTheRealInstallLogs) {
  const std::string group = ProgramsGroup();
  DryRun dry = RunDry();
  EXPECT_EQ(GetFileAttributesA(installFolder_.c_str()), INVALID_FILE_ATTRIBUTES) << "the dry run made a folder";
  EXPECT_EQ(GetFileAttributesA(group.c_str()), INVALID_FILE_ATTRIBUTES) << "the dry run made the group";
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{});

  EXPECT_EQ(RunInstall(), MessagesOf(dry));
  for (const SampleProduct &product : Products) {
    SCOPED_TRACE(product.title);
    std::vector<std::string> log = ReadLog(ProductFolder(product) + "\\unsetup.ctl");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(dry.logs[ProductFolder(product)], log);
    const std::string entry = std::string("QMG ") + product.title;
    for (const char *value : {"DisplayName", "UninstallString", "Folder", "Version"}) {
      std::string set = "registry set " + entry + " " + value + "=" + RegistryValue(entry, value);
      EXPECT_NE(std::find(dry.operations.begin(), dry.operations.end(), set), dry.operations.end()) << set;
    }
  }
  EXPECT_EQ(dry.logs.size(), std::size(Products));
}

// An upgrade over the installed sample, answered Yes and No: the dry run
// asks the same question, removes through the installed log as the real
// run does, and records the same new log (none when declined), while the
// installed version stays as it was until the real run.
TEST_F(SampleInstall, TheDryRunOfAnUpgradeRecordsWhatTheRealOneLogs) {
  RunInstall();
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  std::ofstream(folder + "\\REEDRUN.SAV") << "level 4, 1200 points";
  std::ofstream(folder + "\\levels\\custom.dat") << "the player's own level";
  const std::vector<std::string> installed = ReadLog(folder + "\\unsetup.ctl");
  std::string script = distribution_.ReadScript();
  script.replace(script.find("V=1.0"), 5, "V=1.1");
  distribution_.WriteStampedScript(script);

  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    DryRun dry = RunDry(std::string("--only \"Reed Runner\" --answers ") + (yes ? "Y" : "N"));
    EXPECT_EQ(ReadLog(folder + "\\unsetup.ctl"), installed) << "the dry run changed the installed log";
    EXPECT_NE(GetFileAttributesA((folder + "\\REEDRUN.EXE").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(RunInstall({"Reed Runner"}, yes ? IDYES : IDNO), MessagesOf(dry));
    std::vector<std::string> log = ReadLog(folder + "\\unsetup.ctl");
    if (yes)
      EXPECT_EQ(dry.logs[folder], log);
    else
      EXPECT_EQ(dry.logs[folder], std::vector<std::string>{});
  }
}

TEST_F(SampleInstall, ANewerVersionKeepsThePlayersDataWhenTheAnswerIsYes) {
  RunInstall();
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  std::ofstream(folder + "\\REEDRUN.SAV") << "level 4, 1200 points";
  std::ofstream(folder + "\\levels\\custom.dat") << "the player's own level";

  std::string script = distribution_.ReadScript();
  script.replace(script.find("V=1.0"), 5, "V=1.1");
  distribution_.WriteStampedScript(script);

  EXPECT_EQ(RunInstall({"Reed Runner"}, IDYES, "progress.png"),
            std::vector<std::string>{
                "Version 1.0 already exists in that folder.\nDo you want to replace it with version 1.1?"});
  EXPECT_EQ(ReadFileBytes(folder + "\\REEDRUN.SAV"), "level 4, 1200 points");
  EXPECT_EQ(RegistryValue("QMG Reed Runner", "Version"), "1.1");
  EXPECT_EQ(EntriesNamed("QMG Reed Runner"), std::vector<std::string>{"QMG Reed Runner"});
  // Nothing of the old version is left but the player's files. The folder
  // that holds the player's own level stayed, so the new install found it
  // there and did not record it.
  ExpectLogMatchesDisk(reed, {folder + "\\REEDRUN.SAV", folder + "\\levels\\custom.dat", folder + "\\levels\\"});
}

TEST_F(SampleInstall, NothingChangesWhenTheAnswerIsNo) {
  RunInstall({"Reed Runner"});
  const std::string folder = ProductFolder(Products[2]);
  std::ofstream(folder + "\\REEDRUN.SAV") << "saved";
  std::vector<std::string> before = ReadLog(folder + "\\unsetup.ctl");

  std::string script = distribution_.ReadScript();
  script.replace(script.find("V=1.0"), 5, "V=2.0");
  distribution_.WriteStampedScript(script);
  EXPECT_EQ(RunInstall({"Reed Runner"}, IDNO),
            std::vector<std::string>{
                "Version 1.0 already exists in that folder.\nDo you want to replace it with version 2.0?"});

  EXPECT_EQ(ReadLog(folder + "\\unsetup.ctl"), before);
  EXPECT_EQ(RegistryValue("QMG Reed Runner", "Version"), "1.0");
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{"QMG Reed Runner"});
  ExpectLogMatchesDisk(Products[2], {folder + "\\REEDRUN.SAV"});
}

} // namespace
} // namespace e2e
