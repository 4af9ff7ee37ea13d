// The project's sample distribution installed end to end by SETUP.EXE, as a
// player would: every file, every uninstall log (compared record by record
// with the disk), the Uninstall entries, the shortcuts and the Finished
// dialog; then a newer version of one product installed over it, answered
// Yes and No; then the products removed again by running each Uninstall
// entry's UninstallString as the list of installed programs does, with
// unsetup.exe answering for itself.
#include <windows.h>

#include <algorithm>
#include <cstdio>
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

using setup_driver::ListTree;
using setup_driver::ProgramsGroup;
using setup_driver::ReadShortcut;
using setup_driver::Shortcut;

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

  // Waits for SETUP's main dialog, selects the products whose titles are
  // given (all when empty), types the install folder and presses Install.
  void StartInstall(SetupProcess &setup, const std::vector<std::string> &only) {
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
  }

  // Reed Runner `version` in the distribution's script, in place of 1.0.
  void OfferReedRunner(const char *version) {
    std::string script = distribution_.ReadScript();
    script.replace(script.find("V=1.0"), 5, std::string("V=") + version);
    distribution_.WriteStampedScript(script);
  }

  // Runs SETUP, installs the products whose titles are given (all when
  // empty), answering a replacement question with `answer` (IDYES or IDNO),
  // and returns every message shown on the way.
  std::vector<std::string> RunInstall(const std::vector<std::string> &only = {}, int answer = IDYES,
                         const char *progressShot = nullptr) {
    SetupProcess setup(distribution_.SetupExe());
    StartInstall(setup, only);
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

  struct Removal {
    std::vector<std::string> messages;
    DWORD exitCode = 0;
  };

  // Runs the product's UninstallString exactly as the registry gives it,
  // answers its question with `answer` (IDYES or IDNO) and OK to the rest.
  // With `shots`, the question and the last box are saved as
  // shots-question.png and shots-final.png.
  Removal RunUninstall(const SampleProduct &product, int answer, const char *shots = nullptr) {
    std::string command = RegistryValue(std::string("QMG ") + product.title, "UninstallString");
    SetupProcess program(setup_driver::CommandLine{command, setup_driver::UninstallCaption});
    Removal removal;
    for (;;) {
      Shown next = program.Next();
      if (next.kind != Shown::MessageBox) {
        EXPECT_EQ(next.kind, Shown::Exit) << Describe(next);
        removal.exitCode = next.exitCode;
        return removal;
      }
      EXPECT_EQ(next.caption, "Uninstall");
      bool question = GetDlgItem(next.window, IDYES) != nullptr;
      if (shots) {
        program.Settle();
        const char *box = removal.messages.empty() ? "-question.png" : "-final.png";
        setup_driver::SavePng(setup_driver::CaptureScreen(), std::string(QMG_SCREENSHOT_DIR) + "/" + shots + box);
      }
      removal.messages.push_back(next.text);
      if (question) {
        program.Press(next.window, answer);
        program.WaitUntilHidden(next.window, answer == IDYES ? "Yes" : "No");
      } else {
        program.Answer(next.window);
      }
    }
  }

  std::string Uninstaller(const SampleProduct &product) const { return ProductFolder(product) + "\\unsetup.exe"; }

  // Kilobytes, rounded up, of the files the product's log names inside its
  // folder, each once (the shortcut in the group folder is not looked up).
  unsigned long long LoggedKilobytes(const SampleProduct &product) const {
    std::set<std::string> files;
    const std::string inside = ProductFolder(product) + "\\";
    for (const std::string &record : ReadLog(ProductFolder(product) + "\\unsetup.ctl"))
      if (record[0] == 'D' && Normal(record.substr(1)).compare(0, inside.size(), inside) == 0)
        files.insert(Normal(record.substr(1)));
    unsigned long long bytes = 0;
    for (const std::string &file : files)
      bytes += ReadFileBytes(file).size();
    return (bytes + 1023) / 1024;
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
    // What the list of installed programs shows.
    EXPECT_EQ(RegistryValue(entry, "Publisher"), "Quillmarsh Games");
    EXPECT_EQ(RegistryValue(entry, "DisplayVersion"), product.version);
    EXPECT_EQ(RegistryValue(entry, "InstallLocation"), ProductFolder(product));
    EXPECT_EQ(RegistryValue(entry, "DisplayIcon"), ProductFolder(product) + "\\" + product.program);
    EXPECT_EQ(setup_driver::UninstallNumber(entry, "NoModify"), "1");
    EXPECT_EQ(setup_driver::UninstallNumber(entry, "NoRepair"), "1");
    EXPECT_EQ(setup_driver::UninstallNumber(entry, "EstimatedSize"), std::to_string(LoggedKilobytes(product)));
    EXPECT_EQ(setup_driver::UninstallNumber(entry, "InstallFinished"), "1");

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
  OfferReedRunner("1.1");

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

  OfferReedRunner("1.1");

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

  OfferReedRunner("2.0");
  EXPECT_EQ(RunInstall({"Reed Runner"}, IDNO),
            std::vector<std::string>{
                "Version 1.0 already exists in that folder.\nDo you want to replace it with version 2.0?"});

  EXPECT_EQ(ReadLog(folder + "\\unsetup.ctl"), before);
  EXPECT_EQ(RegistryValue("QMG Reed Runner", "Version"), "1.0");
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{"QMG Reed Runner"});
  ExpectLogMatchesDisk(Products[2], {folder + "\\REEDRUN.SAV"});
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string TempFolder() {
  char temp[MAX_PATH + 1] = "";
  GetTempPathA(sizeof temp, temp);
  return temp;
}

// The copies the uninstaller ran from: each one in a folder of its own in
// the temporary folder, gone or (where the system keeps a running
// program's file, as Wine does) to be deleted at the next restart. They
// are deleted here, as a restart would.
void ExpectNoCopyLeftBehind() {
  std::string temp = TempFolder();
  std::vector<std::string> copies;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((temp + "qmg-unsetup-*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do
      copies.push_back(temp + entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  for (const std::string &folder : copies) {
    std::string copy = folder + "\\unsetup.exe";
    auto scheduled = [&copy] {
      std::vector<char> pending(64 * 1024);
      DWORD size = static_cast<DWORD>(pending.size());
      if (RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                       "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, pending.data(),
                       &size) != ERROR_SUCCESS)
        return false;
      // Pairs of names, each a source and its new name ("" to delete it).
      const char *end = pending.data() + size;
      for (const char *name = pending.data(); name < end && (*name || name + 1 < end); name += strlen(name) + 1)
        if (lstrcmpiA(name, ("\\??\\" + copy).c_str()) == 0)
          return true;
      return false;
    };
    // The copy schedules its deletion as its last step.
    const DWORD started = GetTickCount();
    while (Exists(copy) && !scheduled() && GetTickCount() - started < 10000)
      Sleep(50);
    EXPECT_TRUE(!Exists(copy) || scheduled()) << copy << " is left behind";
    RemoveTree(folder);
  }
}

TEST_F(SampleInstall, EachProductGoesWithEverythingItsLogListed) {
  RunInstall();
  const SampleProduct &reed = Products[2];
  std::ofstream(ProductFolder(reed) + "\\REEDRUN.SAV") << "level 4, 1200 points";
  const std::string group = ProgramsGroup();

  for (const SampleProduct &product : Products) {
    SCOPED_TRACE(product.title);
    const std::string folder = ProductFolder(product);
    const bool last = &product == &reed;
    std::vector<std::string> log = ReadLog(folder + "\\unsetup.ctl");
    ASSERT_FALSE(log.empty());
    Removal removal = RunUninstall(product, IDYES, last ? "uninstall" : nullptr);
    std::string removed = std::string(product.title) + " has been removed.";
    if (last)
      removed += "\nFiles that Setup did not install are kept in " + folder + ".";
    EXPECT_EQ(removal.messages, (std::vector<std::string>{"Do you want to remove " + std::string(product.title) + "?",
                                                          removed}));
    EXPECT_EQ(removal.exitCode, 0u);
    EXPECT_TRUE(setup_driver::WaitForUninstallerRemoval(Uninstaller(product), 10000));

    for (size_t i = 1; i < log.size(); i++) {
      std::string path = Normal(log[i].substr(1));
      switch (log[i][0]) {
      case 'D':
        EXPECT_FALSE(Exists(path)) << path;
        break;
      case 'F': {
        // The install folder holds Music and CommonUI; Reed Runner's folder
        // holds the player's save; the group folder (recorded by the product
        // that made it) holds the shortcuts of the games still there.
        bool stays = path == installFolder_ || (last && path == folder) || (!last && path == group);
        EXPECT_EQ(Exists(path), stays) << path;
        break;
      }
      case 'K':
        EXPECT_EQ(RegistryValue(path, "DisplayName"), "(none)");
        break;
      }
    }
    // The group folder goes with the last game in it.
    EXPECT_EQ(Exists(group), !last) << group;
  }
  std::set<std::string> left;
  ListTree(ProductFolder(reed), left);
  EXPECT_EQ(left, std::set<std::string>{ProductFolder(reed) + "\\REEDRUN.SAV"});
  EXPECT_EQ(ReadFileBytes(ProductFolder(reed) + "\\REEDRUN.SAV"), "level 4, 1200 points");
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{});
  ExpectNoCopyLeftBehind();
}

TEST_F(SampleInstall, NoLeavesEverything) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  std::set<std::string> before, after;
  ListTree(installFolder_, before);
  ListTree(ProgramsGroup(), before);

  Removal removal = RunUninstall(reed, IDNO);
  EXPECT_EQ(removal.messages, std::vector<std::string>{"Do you want to remove Reed Runner?"});
  EXPECT_EQ(removal.exitCode, 1u);
  ListTree(installFolder_, after);
  ListTree(ProgramsGroup(), after);
  EXPECT_EQ(after, before);
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{"QMG Reed Runner"});
  ExpectLogMatchesDisk(reed);
}

// A log that is not there, or does not start with its title: the
// uninstaller says so before it asks anything, and nothing changes. (A log
// whose tail was torn off is another matter: see below.)
TEST_F(SampleInstall, AMissingOrDamagedLogChangesNothing) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  const std::string logPath = ProductFolder(reed) + "\\unsetup.ctl";
  const std::string log = ReadFileBytes(logPath);
  const std::string title = std::string("AReed Runner") + '\0';
  ASSERT_EQ(log.compare(0, title.size(), title), 0);
  struct Case {
    const char *name;
    std::string log; // "" with `missing`: no log at all
    bool missing;
    const char *message;
  };
  const Case cases[] = {
      {"missing", "", true, "UNSETUP.CTL error, no uninstall info."},
      {"empty", "", false, "UNSETUP.CTL error, no uninstall info."},
      {"no title first", log.substr(title.size()), false, "Error in UNSETUP.CTL file."},
  };
  std::set<std::string> before;
  ListTree(installFolder_, before);
  before.erase(logPath);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileA(logPath.c_str());
    if (!c.missing)
      std::ofstream(logPath, std::ios::binary) << c.log;
    Removal removal = RunUninstall(reed, IDYES);
    EXPECT_EQ(removal.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(removal.exitCode, 1u);
    std::set<std::string> after;
    ListTree(installFolder_, after);
    after.erase(logPath);
    EXPECT_EQ(after, before);
    EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{"QMG Reed Runner"});
  }
  std::ofstream(logPath, std::ios::binary) << log;
  ExpectLogMatchesDisk(reed);
}

// A record of no known kind, met on the way back: what came after it in the
// log is gone, the walk stops there, and the rest stays.
TEST_F(SampleInstall, AnInvalidRecordStopsTheWalkWhereItIs) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  const std::string logPath = folder + "\\unsetup.ctl";
  std::string log = ReadFileBytes(logPath);
  // Straight after the K record: the commands' records come after it.
  std::string entry = std::string("KQMG Reed Runner") + '\0';
  size_t at = log.find(entry);
  ASSERT_NE(at, std::string::npos);
  log.insert(at + entry.size(), std::string("X") + folder + "\\README.TXT" + '\0');
  std::ofstream(logPath, std::ios::binary) << log;

  Removal removal = RunUninstall(reed, IDYES);
  EXPECT_EQ(removal.messages,
            (std::vector<std::string>{"Do you want to remove Reed Runner?", "Error in UNSETUP.CTL file."}));
  EXPECT_EQ(removal.exitCode, 2u);
  EXPECT_FALSE(Exists(ProgramsGroup() + "\\Reed Runner.lnk"));
  EXPECT_FALSE(Exists(folder + "\\README.TXT"));
  EXPECT_TRUE(Exists(logPath));
  EXPECT_TRUE(Exists(Uninstaller(reed)));
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{"QMG Reed Runner"});
}

TEST_F(SampleInstall, AnUpgradeThenAnUninstallKeepThePlayersData) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  std::ofstream(folder + "\\REEDRUN.SAV") << "level 9";
  OfferReedRunner("1.1");
  RunInstall({"Reed Runner"}, IDYES);
  ASSERT_EQ(RegistryValue("QMG Reed Runner", "Version"), "1.1");

  Removal removal = RunUninstall(reed, IDYES);
  EXPECT_EQ(removal.messages,
            (std::vector<std::string>{"Do you want to remove Reed Runner?",
                                      "Reed Runner has been removed.\nFiles that Setup did not install are kept in " +
                                          folder + "."}));
  EXPECT_EQ(removal.exitCode, 0u);
  EXPECT_TRUE(setup_driver::WaitForUninstallerRemoval(Uninstaller(reed), 10000));
  std::set<std::string> left;
  ListTree(folder, left);
  EXPECT_EQ(left, std::set<std::string>{folder + "\\REEDRUN.SAV"});
  EXPECT_EQ(ReadFileBytes(folder + "\\REEDRUN.SAV"), "level 9");
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{});
  ExpectNoCopyLeftBehind();
}

// A log edited to name a file outside the product folder, and the entry of
// the same title installed in another folder: both stay, and the player
// is told that not everything went. The product's own files go.
TEST_F(SampleInstall, ALogNamingWhatIsNotTheProductsRemovesOnlyItsOwn) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  const std::string outside = installFolder_ + "\\outside.txt";
  std::ofstream(outside) << "not the game's";
  HKEY other;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QMG Reed Runner_2", 0,
                            nullptr, 0, KEY_WRITE, nullptr, &other, nullptr),
            ERROR_SUCCESS);
  std::string elsewhere = installFolder_ + "\\ELSEWHERE";
  RegSetValueExA(other, "Folder", 0, REG_SZ, reinterpret_cast<const BYTE *>(elsewhere.c_str()),
                 static_cast<DWORD>(elsewhere.size() + 1));
  RegCloseKey(other);
  std::vector<std::string> log = ReadLog(folder + "\\unsetup.ctl");
  std::ofstream(folder + "\\unsetup.ctl", std::ios::binary | std::ios::app)
      << "D" << outside << '\0' << "KQMG Reed Runner_2" << '\0';

  Removal removal = RunUninstall(reed, IDYES);
  EXPECT_EQ(removal.messages,
            (std::vector<std::string>{"Do you want to remove Reed Runner?", "Warning: some items were not removed."}));
  EXPECT_EQ(removal.exitCode, 2u);
  EXPECT_EQ(ReadFileBytes(outside), "not the game's");
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{"QMG Reed Runner_2"});
  EXPECT_TRUE(setup_driver::WaitForUninstallerRemoval(Uninstaller(reed), 10000));
  for (size_t i = 1; i < log.size(); i++) {
    if (log[i][0] == 'D') {
      EXPECT_FALSE(Exists(Normal(log[i].substr(1)))) << log[i];
    }
  }
  EXPECT_FALSE(Exists(folder));
  ExpectNoCopyLeftBehind();
}

// A log whose last record lost its end, as a power loss can leave it: the
// uninstaller removes what the complete records list; the thing the torn
// record named (here the shortcut) stays.
TEST_F(SampleInstall, ATornLogIsRemovedByItsCompleteRecords) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  const std::string logPath = folder + "\\unsetup.ctl";
  std::string log = ReadFileBytes(logPath);
  const std::string shortcut = ProgramsGroup() + "\\Reed Runner.lnk";
  ASSERT_EQ(ReadLog(logPath).back(), "D" + shortcut);
  std::ofstream(logPath, std::ios::binary | std::ios::trunc) << log.substr(0, log.size() - 3);

  Removal removal = RunUninstall(reed, IDYES);
  EXPECT_EQ(removal.messages,
            (std::vector<std::string>{"Do you want to remove Reed Runner?", "Reed Runner has been removed."}));
  EXPECT_EQ(removal.exitCode, 0u);
  EXPECT_TRUE(setup_driver::WaitForUninstallerRemoval(Uninstaller(reed), 10000));
  EXPECT_FALSE(Exists(folder));
  EXPECT_TRUE(Exists(shortcut));
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{});
  DeleteFileA(shortcut.c_str());
}

// Killed at the error of an upgrade (the entry of 2.0 written, its commands
// not run to their end), SETUP run again installs the same version over it
// without a question, keeping the player's data.
TEST_F(SampleInstall, AnUpgradeKilledOnTheWayKeepsThePlayersDataThroughTheNextRun) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  std::ofstream(folder + "\\REEDRUN.SAV") << "level 5";
  OfferReedRunner("1.1");
  const std::string package = distribution_.PathOf("REEDRUN.QPK");
  const std::string goodPackage = ReadFileBytes(package);
  std::ofstream(package, std::ios::binary | std::ios::trunc) << "not a package";
  {
    SetupProcess setup(distribution_.SetupExe());
    StartInstall(setup, {reed.title});
    Shown question = setup.Next(true);
    ASSERT_EQ(question.kind, Shown::MessageBox) << Describe(question);
    setup.Press(question.window, IDYES);
    setup.WaitUntilHidden(question.window, "Yes");
    Shown error = setup.Next(true);
    ASSERT_TRUE(IsMessage(error, "Error unpacking REEDRUN.QPK"));
    setup.Kill();
  }
  ASSERT_EQ(RegistryValue("QMG Reed Runner", "Version"), "1.1");
  std::ofstream(package, std::ios::binary | std::ios::trunc) << goodPackage;

  EXPECT_EQ(RunInstall({"Reed Runner"}), std::vector<std::string>{});
  EXPECT_EQ(ReadFileBytes(folder + "\\REEDRUN.SAV"), "level 5");
  ExpectLogMatchesDisk(reed, {folder + "\\REEDRUN.SAV"});
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{"QMG Reed Runner"});
}

// Killed at whatever moment the extraction has reached when its first
// folder appears, SETUP run again finishes the install with nothing to
// say, and the uninstaller then leaves only what is not the product's.
TEST_F(SampleInstall, AnInstallKilledOnTheWayIsFinishedByTheNextRunAndRemovedWhole) {
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  {
    SetupProcess setup(distribution_.SetupExe());
    StartInstall(setup, {reed.title});
    DWORD start = GetTickCount();
    while (setup.Running() && !Exists(folder + "\\levels") && GetTickCount() - start < 15000)
      Sleep(0);
    setup.Kill();
  }
  // Where the kill fell varies from run to run; every moment must pass.
  printf("killed with %zu log records written\n", ReadLog(folder + "\\unsetup.ctl").size());
  EXPECT_EQ(RunInstall({"Reed Runner"}), std::vector<std::string>{});
  ExpectLogMatchesDisk(reed);
  Removal removal = RunUninstall(reed, IDYES);
  EXPECT_EQ(removal.messages,
            (std::vector<std::string>{"Do you want to remove Reed Runner?", "Reed Runner has been removed."}));
  EXPECT_TRUE(setup_driver::WaitForUninstallerRemoval(Uninstaller(reed), 10000));
  EXPECT_FALSE(Exists(folder));
  std::set<std::string> left;
  ListTree(installFolder_, left);
  for (const std::string &path : left)
    EXPECT_TRUE(path.find("\\Music\\") != std::string::npos || path.find("\\CommonUI\\") != std::string::npos)
        << path;
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{});
}

// The uninstaller killed at whatever moment its walk has reached when the
// first file it removes is gone: run again from the list of installed
// programs while the entry is there, else after one more install, it
// leaves only the player's save.
TEST_F(SampleInstall, ARemovalKilledOnTheWayIsFinishedByRunningItAgain) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  std::ofstream(folder + "\\REEDRUN.SAV") << "level 2";
  {
    std::string command = RegistryValue("QMG Reed Runner", "UninstallString");
    SetupProcess program(setup_driver::CommandLine{command, setup_driver::UninstallCaption});
    Shown question = program.Next();
    ASSERT_TRUE(IsMessage(question, "Do you want to remove Reed Runner?"));
    program.Press(question.window, IDYES);
    DWORD start = GetTickCount();
    while (program.Running() && Exists(ProgramsGroup() + "\\Reed Runner.lnk") && GetTickCount() - start < 15000)
      Sleep(0);
    program.Kill();
  }
  bool entryLeft = !EntriesNamed("QMG ").empty();
  printf("killed with the entry %s\n", entryLeft ? "left" : "gone");
  if (!entryLeft) {
    EXPECT_EQ(RunInstall({"Reed Runner"}), std::vector<std::string>{});
  }
  Removal removal = RunUninstall(reed, IDYES);
  EXPECT_EQ(removal.exitCode, 0u);
  EXPECT_TRUE(setup_driver::WaitForUninstallerRemoval(Uninstaller(reed), 10000));
  std::set<std::string> left;
  ListTree(folder, left);
  EXPECT_EQ(left, std::set<std::string>{folder + "\\REEDRUN.SAV"});
  EXPECT_EQ(ReadFileBytes(folder + "\\REEDRUN.SAV"), "level 2");
  EXPECT_FALSE(Exists(ProgramsGroup() + "\\Reed Runner.lnk"));
  EXPECT_EQ(EntriesNamed("QMG "), std::vector<std::string>{});
}

// The names under which a planted DLL could be loaded: COMCTL32 (the
// folder browser's), the one the runtime start-up asks for by name, and
// DLLs that the system DLLs the programs use load on demand. Under Wine the
// first three of these names never load from a program's folder (Wine puts
// its own in their place whatever lies there), so for them the test shows
// less than on Windows; the rest Wine takes from the program's folder when
// a program searches it, which it showed before the programs restricted
// their search.
const char *const PlantedDlls[] = {"comctl32.dll",  "uxtheme.dll",   "version.dll", "dwmapi.dll",
                                   "libgcc_s_dw2-1.dll", "propsys.dll", "profapi.dll", "userenv.dll",
                                   "cryptbase.dll", "windowscodecs.dll", "shfolder.dll", "winmm.dll",
                                   "msimg32.dll",   "ntmarta.dll",   "mpr.dll",     "netapi32.dll"};

void PlantDlls(const std::string &folder) {
  const std::string planted = setup_driver::ToWindowsPath(QMG_PLANTED_DLL);
  for (const char *name : PlantedDlls)
    ASSERT_TRUE(CopyFileA(planted.c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
}

// The markers the planted DLLs left in `folder`: those that were loaded.
std::vector<std::string> LoadedDlls(const std::string &folder) {
  std::vector<std::string> loaded;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*.loaded").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do
      loaded.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  return loaded;
}

// DLLs planted beside SETUP.EXE in its distribution folder and beside
// unsetup.exe in a product folder, both places other users may write: an
// install that opens the folder browser, makes shortcuts and registers the
// products, and an uninstall, load none of them.
TEST_F(SampleInstall, NoDllPlantedBesideTheProgramsIsLoaded) {
  // The planted DLL shows a load: loaded here by its path, it leaves its
  // marker.
  const std::string probe = FreshScratchFolder("planted-probe");
  ASSERT_NO_FATAL_FAILURE(PlantDlls(probe));
  HMODULE module = LoadLibraryA((probe + "\\dwmapi.dll").c_str());
  ASSERT_NE(module, nullptr);
  FreeLibrary(module);
  EXPECT_EQ(LoadedDlls(probe), std::vector<std::string>{"dwmapi.dll.loaded"});

  ASSERT_NO_FATAL_FAILURE(PlantDlls(distribution_.Folder()));
  {
    SetupProcess setup(distribution_.SetupExe());
    Shown dialog = setup.Next();
    ASSERT_TRUE(IsMainDialog(dialog));
    setup.Press(dialog.window, IDC_BROWSE);
    HWND browser = setup.WaitForOwnWindow("Select the install folder");
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(setup.PressAndWaitUntilClosed(browser, IDCANCEL));
    setup.Press(dialog.window, IDCANCEL);
    EXPECT_TRUE(IsExit(setup.Next(true), 0));
  }
  EXPECT_EQ(RunInstall(), std::vector<std::string>{});
  EXPECT_EQ(LoadedDlls(distribution_.Folder()), std::vector<std::string>{});

  const SampleProduct &reed = Products[2];
  ASSERT_NO_FATAL_FAILURE(PlantDlls(ProductFolder(reed)));
  Removal removal = RunUninstall(reed, IDYES);
  EXPECT_EQ(removal.exitCode, 0u);
  EXPECT_EQ(LoadedDlls(ProductFolder(reed)), std::vector<std::string>{});
  ExpectNoCopyLeftBehind();
}

// A folder of an installed product swapped for a link to a folder outside
// holding files of the same names, before the uninstaller runs: nothing
// where the link leads is deleted, and the removal says so.
TEST_F(SampleInstall, AnUninstallDeletesNothingThroughALinkSwappedIn) {
  RunInstall({"Reed Runner"});
  const SampleProduct &reed = Products[2];
  const std::string folder = ProductFolder(reed);
  const std::string outside = FreshScratchFolder("swapped-outside") + "\\levels";
  ASSERT_TRUE(MoveFileA((folder + "\\levels").c_str(), outside.c_str()));
  if (!PlantFolderLink(folder + "\\levels", outside))
    GTEST_SKIP() << "no symbolic link can be made here";
  std::set<std::string> before, after;
  ListTree(outside, before);
  ASSERT_FALSE(before.empty());
  Removal removal = RunUninstall(reed, IDYES);
  ASSERT_FALSE(removal.messages.empty());
  EXPECT_EQ(removal.messages.back(), "Warning: some items were not removed.");
  ListTree(outside, after);
  EXPECT_EQ(after, before);
  RemoveFolderLink(folder + "\\levels");
  ExpectNoCopyLeftBehind();
}

} // namespace
} // namespace e2e
