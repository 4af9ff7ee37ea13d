#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/setup_state.h"
#include "browse/new_folder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/user_interface_recorder.h"

namespace {

const char Backslash[] = "Sorry, only a single folder can be created at a time.\nDo not use '\\'.";
const char CannotMake[] = "Error creating folder.";

TEST(NewFolder, NamesAreMadeFoundOrRefused) {
  ScratchFolder scratch;
  std::string parent = scratch.path() + "/";
  mkdir((scratch / "Existing").c_str(), 0700);
  mkdir((scratch / "a").c_str(), 0700);

  struct Case {
    const char *name;
    NewFolderOutcome outcome;
    std::string path;       // PathBuffer afterwards
    const char *message;    // shown, or null
  } cases[] = {
      {"Pond", NewFolderOutcome::Made, scratch / "Pond", nullptr},
      {"Existing", NewFolderOutcome::AlreadyThere, scratch / "Existing", nullptr},
      {"", NewFolderOutcome::AlreadyThere, scratch.path(), nullptr},
      {"a\\b", NewFolderOutcome::NameHasBackslash, parent, Backslash},
      {"missing/b", NewFolderOutcome::NotMade, parent, CannotMake},
      {"a/b", NewFolderOutcome::Made, scratch / "a/b", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ResetUserInterfaceRecord();
    snprintf(PathBuffer, sizeof PathBuffer, "%s%s", parent.c_str(), c.name);
    EXPECT_EQ(CreateNamedFolder(PathBuffer, parent.size()), c.outcome);
    EXPECT_EQ(std::string(PathBuffer), c.path);
    std::vector<std::string> shown;
    if (c.message)
      shown.push_back(c.message);
    EXPECT_EQ(RecordedUserInterface().messages, shown);
  }
  EXPECT_TRUE(ScratchFolder::Exists(scratch / "Pond"));
  EXPECT_TRUE(ScratchFolder::Exists(scratch / "a/b"));
  EXPECT_FALSE(ScratchFolder::Exists(scratch / "missing"));
}

TEST(NewFolder, ARefusalAfterAnEmptyNameGivesTheParentBackWhole) {
  // The parent has gone: the empty name names it, it cannot be made (its
  // own parent is missing), and the refusal must restore the separator that
  // the existence test took off.
  ScratchFolder scratch;
  std::string parent = scratch / "gone/inner/";
  ResetUserInterfaceRecord();
  snprintf(PathBuffer, sizeof PathBuffer, "%s", parent.c_str());
  EXPECT_EQ(CreateNamedFolder(PathBuffer, parent.size()), NewFolderOutcome::NotMade);
  EXPECT_EQ(std::string(PathBuffer), parent);
}

} // namespace
