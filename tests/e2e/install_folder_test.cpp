// The install folder: offered from the registry, checked and stored when
// Install is pressed, left alone by Abort. The product is deselected before
// Install, so that what follows is about the folder alone: with nothing to
// install, Install ends the dialog with "Setup has completed.".
#include <optional>

#include "e2e_support.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

using Folder = std::optional<std::string>;

const char Completed[] = "Setup has completed.";

class InstallFolder : public testing::Test {
protected:
  void SetUp() override {
    ForgetRememberedFolder();
    distribution_.AddPackages({"REED.QPK"});
    distribution_.WriteStampedScript(std::string(ScriptHeader) +
                                     "L01=Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nZ=REED.QPK\r\n");
  }
  void TearDown() override { ForgetRememberedFolder(); }

  Distribution distribution_;
};

TEST_F(InstallFolder, InstallStoresTheFullFolderAndOffersItNextTime) {
  struct Case {
    std::string typed;
    std::string stored;
  } cases[] = {
      {"C:\\QMG\\", "C:\\QMG"},
      {"C:\\", "C:\\"},
      {"C:\\Games\\Quillmarsh", "C:\\Games\\Quillmarsh"},
      {"C:\\Games\\..\\QMG\\", "C:\\QMG"},
      // Relative to the folder SETUP runs in: the distribution folder.
      {"Games\\", distribution_.Folder() + "\\Games"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE("typed " + c.typed);
    ForgetRememberedFolder();
    {
      SetupProcess setup(distribution_.SetupExe());
      Shown dialog = setup.Next();
      ASSERT_TRUE(IsMainDialog(dialog));
      setup.SetFolder(dialog.window, c.typed);
      setup.SelectProduct(dialog.window, -1, false);
      setup.Press(dialog.window, IDC_INSTALL);
      Shown done = setup.Next(true);
      ASSERT_TRUE(IsMessage(done, Completed));
      EXPECT_EQ(setup.FindOwnWindow(setup_driver::MainDialogCaption), nullptr) << "the dialog has ended";
      EXPECT_EQ(RememberedFolder(), Folder(c.stored));
      setup.Answer(done.window);
      EXPECT_TRUE(IsExit(setup.Next(), 0));
    }
    DialogContents next;
    ASSERT_NO_FATAL_FAILURE(ShowAndAbort(distribution_, &next));
    EXPECT_EQ(next.folder, c.stored);
  }
}

TEST_F(InstallFolder, EditOffersTheRememberedFolderOrTheDefault) {
  struct Case {
    Folder remembered;
    std::string offered;
  } cases[] = {
      {std::nullopt, "C:\\QMG"},
      {"D:\\Games", "D:\\Games"},
      {"C:\\", "C:\\"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.remembered.value_or("no key"));
    ForgetRememberedFolder();
    if (c.remembered)
      RememberFolder(*c.remembered);
    DialogContents seen;
    ASSERT_NO_FATAL_FAILURE(ShowAndAbort(distribution_, &seen));
    EXPECT_EQ(seen.folder, c.offered);
    EXPECT_EQ(seen.products, AllSelected({"Reed Runner"}));
  }
}

// An install folder that is a link or junction, which anyone who could
// plant it chose where it leads, is no folder to install into.
TEST_F(InstallFolder, AFolderThatIsALinkIsRefused) {
  const std::string scratch = FreshScratchFolder("linked-install");
  const std::string elsewhere = scratch + "\\elsewhere", linked = scratch + "\\QMG";
  setup_driver::MakeFolders(elsewhere);
  if (!PlantFolderLink(linked, elsewhere))
    GTEST_SKIP() << "no symbolic link can be made here";
  SetupProcess setup(distribution_.SetupExe());
  Shown dialog = setup.Next();
  ASSERT_TRUE(IsMainDialog(dialog));
  setup.SetFolder(dialog.window, linked);
  setup.Press(dialog.window, IDC_INSTALL);
  Shown refused = setup.Next(true);
  ASSERT_TRUE(IsMessage(refused, "Invalid folder"));
  setup.Answer(refused.window);
  EXPECT_EQ(setup.FindOwnWindow(setup_driver::MainDialogCaption), dialog.window);
  EXPECT_EQ(RememberedFolder(), Folder());
  setup.Press(dialog.window, IDCANCEL);
  EXPECT_TRUE(IsExit(setup.Next(true), 0));
  EXPECT_EQ(GetFileAttributesA((elsewhere + "\\REEDRUN").c_str()), INVALID_FILE_ATTRIBUTES);
  RemoveFolderLink(linked);
  RemoveTree(scratch);
}

TEST_F(InstallFolder, EmptyFolderIsRefusedAndTheDialogStaysAsItWas) {
  RememberFolder("D:\\Games");
  SetupProcess setup(distribution_.SetupExe());
  Shown dialog = setup.Next();
  ASSERT_TRUE(IsMainDialog(dialog));
  std::vector<Product> products = setup.Products(dialog.window);
  ASSERT_EQ(products, AllSelected({"Reed Runner"}));

  setup.SetFolder(dialog.window, "");
  setup.Press(dialog.window, IDC_INSTALL);
  Shown refused = setup.Next(true);
  ASSERT_TRUE(IsMessage(refused, "Invalid folder"));
  setup.Answer(refused.window);

  EXPECT_EQ(setup.FindOwnWindow(setup_driver::MainDialogCaption), dialog.window);
  EXPECT_EQ(setup.Products(dialog.window), products);
  EXPECT_EQ(setup.Folder(dialog.window), "");
  EXPECT_EQ(RememberedFolder(), Folder("D:\\Games"));

  // The dialog still works: a folder now is taken.
  setup.SetFolder(dialog.window, "C:\\QMG\\");
  setup.SelectProduct(dialog.window, -1, false);
  setup.Press(dialog.window, IDC_INSTALL);
  ASSERT_NO_FATAL_FAILURE(ExpectLastMessage(setup, Completed, true));
  EXPECT_EQ(RememberedFolder(), Folder("C:\\QMG"));
}

// A folder that does not fit the installer's path buffers is refused whole:
// cut short it would name another folder, and the one remembered must not
// be taken in its place either.
TEST_F(InstallFolder, FolderTooLongForAPathIsRefusedNotCut) {
  RememberFolder("D:\\Games");
  SetupProcess setup(distribution_.SetupExe());
  Shown dialog = setup.Next();
  ASSERT_TRUE(IsMainDialog(dialog));
  std::string tooLong = "C:\\" + std::string(600, 'x');
  setup.SetFolder(dialog.window, tooLong);
  setup.Press(dialog.window, IDC_INSTALL);
  Shown refused = setup.Next(true);
  ASSERT_TRUE(IsMessage(refused, "Invalid folder"));
  setup.Answer(refused.window);
  EXPECT_EQ(setup.FindOwnWindow(setup_driver::MainDialogCaption), dialog.window);
  EXPECT_EQ(RememberedFolder(), Folder("D:\\Games"));
  setup.Press(dialog.window, IDCANCEL);
  EXPECT_TRUE(IsExit(setup.Next(true), 0));
}

TEST_F(InstallFolder, AbortLeavesTheRememberedFolderAlone) {
  RememberFolder("D:\\Games");
  SetupProcess setup(distribution_.SetupExe());
  Shown dialog = setup.Next();
  ASSERT_TRUE(IsMainDialog(dialog));
  setup.SetFolder(dialog.window, "C:\\Elsewhere");
  setup.Press(dialog.window, IDCANCEL);
  EXPECT_TRUE(IsExit(setup.Next(true), 0));
  EXPECT_EQ(RememberedFolder(), Folder("D:\\Games"));
}

} // namespace
} // namespace e2e
