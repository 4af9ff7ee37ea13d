// The New folder dialog, opened modally as the browser opens it and worked
// like a user: a name typed, OK pressed, and Cancel when it stays open.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "browse/new_folder_dialog.h"
#include "resources/resource_ids.h"
#include "tests/support/modal_dialog_driver.h"
#include "tests/support/user_interface_recorder.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

const char Backslash[] = "Sorry, only a single folder can be created at a time.\nDo not use '\\'.";
const char CannotMake[] = "Error creating folder.";

struct Outcome {
  INT_PTR result;
  bool closedByOk; // OK ended the dialog (no Cancel needed)
  std::string parentShown;
  std::string path; // PathBuffer afterwards
  std::vector<std::string> messages;
  LRESULT limit;
};

class NewFolderDialog : public testing::Test {
protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    ResetUserInterfaceRecord();
  }

  // Opens the dialog with `parent` in PathBuffer, types `name` and presses
  // OK; presses Cancel if that leaves the dialog open.
  static Outcome Run(const std::string &parent, const std::string &name) {
    ResetUserInterfaceRecord();
    snprintf(PathBuffer, sizeof PathBuffer, "%s", parent.c_str());
    Outcome outcome = {};
    outcome.result = DriveModalDialog(
        "New folder",
        [] { return DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_NEW_FOLDER), nullptr, NewFolderDlgProc, 0); },
        [&](HWND dialog) {
          outcome.parentShown = DialogWatcher::Text(dialog, IDC_PARENT_FOLDER);
          outcome.limit = SendDlgItemMessageA(dialog, IDC_FOLDER_NAME, EM_GETLIMITTEXT, 0, 0);
          SetDlgItemTextA(dialog, IDC_FOLDER_NAME, name.c_str());
          DialogWatcher::Press(dialog, IDOK);
          outcome.closedByOk = !DialogWatcher::StillOpen(dialog);
          if (!outcome.closedByOk)
            DialogWatcher::Press(dialog, IDCANCEL);
        });
    outcome.path = PathBuffer;
    outcome.messages = RecordedUserInterface().messages;
    return outcome;
  }

  Win32ScratchFolder scratch_{"qmgnew"};
};

TEST_F(NewFolderDialog, NamesAreMadeFoundOrRefusedWithTheDialogKeptOpen) {
  scratch_.Folder("Existing");
  scratch_.Folder("a");
  const std::string parent = scratch_.path() + "\\";
  struct Case {
    const char *name;
    INT_PTR result;
    std::string path;
    const char *message;
  } cases[] = {
      {"Pond", 1, scratch_ / "Pond", nullptr},
      {"Pond", 1, scratch_ / "Pond", nullptr}, // there now: found, not made again
      {"Existing", 1, scratch_ / "Existing", nullptr},
      {"", 1, scratch_.path(), nullptr},       // the parent itself
      {"a\\b", 2, parent, Backslash},
      {"missing/b", 2, parent, CannotMake},
      {"a/b", 1, parent + "a/b", nullptr},      // a forward slash is let through
      {"bad|name", 2, parent, CannotMake},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    // The parent comes without its backslash; the dialog adds it.
    Outcome outcome = Run(scratch_.path(), c.name);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.closedByOk, c.result == 1);
    EXPECT_EQ(outcome.parentShown, parent);
    EXPECT_EQ(outcome.limit, 255);
    EXPECT_EQ(outcome.path, c.path);
    std::vector<std::string> shown;
    if (c.message)
      shown.push_back(c.message);
    EXPECT_EQ(outcome.messages, shown);
  }
  EXPECT_TRUE(Win32ScratchFolder::IsFolder(scratch_ / "Pond"));
  EXPECT_TRUE(Win32ScratchFolder::IsFolder(scratch_ / "a\\b"));
  EXPECT_FALSE(Win32ScratchFolder::IsFolder(scratch_ / "missing"));
}

TEST_F(NewFolderDialog, ParentAndNameTogetherKeepWithin511Bytes) {
  // A parent of 300 characters leaves room for 210 of the name. A backslash
  // just past that room is cut off with the rest (the folder then cannot be
  // made, as the parent does not exist); one just inside it is refused.
  std::string parent = "C:\\" + std::string(296, 'p') + "\\";
  ASSERT_EQ(parent.size(), 300u);
  std::string beyond = std::string(210, 'n') + "\\tail";
  std::string within = std::string(209, 'n') + "\\tail";
  EXPECT_EQ(Run(parent, beyond).messages, std::vector<std::string>{CannotMake});
  Outcome refused = Run(parent, within);
  EXPECT_EQ(refused.messages, std::vector<std::string>{Backslash});
  EXPECT_EQ(refused.path, parent);
}

TEST_F(NewFolderDialog, AParentThatFillsTheBufferLeavesNoRoomForAName) {
  for (size_t length : {510u, 511u}) {
    SCOPED_TRACE(length);
    std::string parent = "C:\\" + std::string(length - 3, 'p');
    Outcome outcome = Run(parent, "name");
    EXPECT_EQ(outcome.result, 2);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{CannotMake});
    EXPECT_EQ(outcome.path.size(), 511u) << "the backslash fits only after 510 characters";
  }
}

TEST_F(NewFolderDialog, CancelEndsWithTwoAndMakesNothing) {
  snprintf(PathBuffer, sizeof PathBuffer, "%s\\", scratch_.path().c_str());
  INT_PTR result = DriveModalDialog(
      "New folder",
      [] { return DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_NEW_FOLDER), nullptr, NewFolderDlgProc, 0); },
      [](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_FOLDER_NAME, "Never");
        DialogWatcher::Press(dialog, IDCANCEL);
      });
  EXPECT_EQ(result, 2);
  EXPECT_FALSE(Win32ScratchFolder::IsFolder(scratch_ / "Never"));
}

} // namespace
