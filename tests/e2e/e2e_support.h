// Shared pieces of the end-to-end tests: scratch distributions, the
// remembered install folder in the registry, and the steps most tests take
// with SETUP.EXE.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "setup_driver.h"

namespace setup_driver {
// Lets gtest print product lists in failure messages.
void PrintTo(const Product &product, std::ostream *out);
} // namespace setup_driver

namespace e2e {

using setup_driver::Product;
using setup_driver::SetupProcess;
using setup_driver::Shown;

// The header line every test script starts with; qmgdist stamp fills in the
// eight digits.
extern const char ScriptHeader[];

// A distribution folder of its own for one run of SETUP.EXE, in a scratch
// folder of this test process: SETUP.EXE is copied in, the test writes the
// control script and the package files. The folder is removed at the end
// unless the test failed; then it is kept and its path is printed.
class Distribution {
public:
  Distribution();
  ~Distribution();
  Distribution(const Distribution &) = delete;
  Distribution &operator=(const Distribution &) = delete;

  // Windows path, no trailing backslash.
  const std::string &Folder() const { return folder_; }
  std::string PathOf(const std::string &name) const { return folder_ + "\\" + name; }
  std::string SetupExe() const { return PathOf("SETUP.EXE"); }

  // SETUP.CTL exactly as given.
  void WriteScript(const std::string &text) const;
  // SETUP.CTL with its header checksum stamped by qmgdist.
  void WriteStampedScript(const std::string &text) const;
  std::string ReadScript() const;
  // Package files; SETUP only looks for them, so any content does.
  void AddPackages(const std::vector<std::string> &names) const;
  // Every file of another distribution folder (a Windows path).
  void CopyFrom(const std::string &folder) const;

private:
  std::string folder_;
};

// A fresh, empty folder of this test process's scratch area (Windows path).
std::string FreshScratchFolder(const std::string &name);
void RemoveTree(const std::string &path);
std::string ReadFileBytes(const std::string &path);

// Makes `link` a symbolic link to the folder `target`, and takes it away
// again (tests/support/wine_folder_link.h). False when it cannot be made.
bool PlantFolderLink(const std::string &link, const std::string &target);
void RemoveFolderLink(const std::string &link);

// Runs a console program to its end with its output in the file `logPath`,
// which it also leaves in `log`; returns the exit code.
DWORD RunProgram(const std::string &program, const std::string &arguments, const std::string &logPath,
                 std::string &log);

// HKLM\Software\QuillmarshGames DefaultInstallPath, shared with SETUP.EXE
// through the Wine prefix.
std::optional<std::string> RememberedFolder();
void RememberFolder(const std::string &folder);
void ForgetRememberedFolder();

// The names of the Uninstall entries that start with `prefix`, sorted.
std::vector<std::string> EntriesNamed(const std::string &prefix);
// Deletes every "QMG " entry, as no test leaves one behind.
void DeleteSampleEntries();

std::string Describe(const Shown &shown);
// Passes when SETUP showed what was expected; the failure says what came
// instead.
testing::AssertionResult IsMainDialog(const Shown &shown);
testing::AssertionResult IsMessage(const Shown &shown, const std::string &text);
testing::AssertionResult IsExit(const Shown &shown, DWORD exitCode);

struct DialogContents {
  std::vector<Product> products;
  std::string folder;
  RECT rect = {};
};

// Runs SETUP.EXE of the distribution up to its main dialog, reads the
// dialog, presses Abort and checks that SETUP ends with exit code 0 and
// nothing more to say. Use with ASSERT_NO_FATAL_FAILURE.
void ShowAndAbort(const Distribution &distribution, DialogContents *seen);

// Answers the message box that SETUP shows next, which must say `text`, and
// checks that SETUP then ends with exit code 0 and shows nothing else. Use
// with ASSERT_NO_FATAL_FAILURE.
void ExpectLastMessage(SetupProcess &setup, const std::string &text, bool mainDialogOpen = false);

// Product list lines with every product selected, in the given order.
std::vector<Product> AllSelected(const std::vector<std::string> &titles);

} // namespace e2e
