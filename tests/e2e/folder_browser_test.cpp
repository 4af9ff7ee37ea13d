// The folder browser and the New folder dialog, operated from the main
// dialog's Browse button as a player would: where the tree opens, what OK
// and Cancel hand back to the install-folder edit, and making a folder with
// New. The folders the tree is shown live in a scratch folder of their own
// at the top of drive C:.
#include <windows.h>

#include <functional>
#include <memory>

#include "e2e_support.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const char BrowserCaption[] = "Select the install folder";
const char NewFolderCaption[] = "New folder";

bool IsFolder(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class BrowseButton : public testing::Test {
protected:
  void SetUp() override {
    ForgetRememberedFolder();
    // C:\qmg-browse-PID: Alpha (a file only), Beta\Inner, Gamma (empty).
    root_ = "C:\\qmg-browse-" + std::to_string(GetCurrentProcessId());
    RemoveTree(root_);
    setup_driver::MakeFolders(root_ + "\\Alpha");
    setup_driver::MakeFolders(root_ + "\\Beta\\Inner");
    setup_driver::MakeFolders(root_ + "\\Gamma");
    setup_driver::UniqueHandle file(CreateFileA((root_ + "\\Alpha\\readme.txt").c_str(), GENERIC_WRITE, 0,
                                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid());

    distribution_.AddPackages({"REED.QPK"});
    distribution_.WriteStampedScript(std::string(ScriptHeader) +
                                     "L01=Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nZ=REED.QPK\r\n");
    setup_.reset(new SetupProcess(distribution_.SetupExe()));
    Shown dialog = setup_->Next();
    ASSERT_TRUE(IsMainDialog(dialog));
    main_ = dialog.window;
  }
  void TearDown() override {
    if (setup_ && setup_->Running() && main_) {
      // Whatever is still open goes first, so that Abort reaches the main
      // dialog's own loop.
      for (const char *caption : {NewFolderCaption, BrowserCaption})
        if (HWND open = setup_->FindOwnWindow(caption))
          setup_->PressAndWaitUntilClosed(open, IDCANCEL);
      setup_->Press(main_, IDCANCEL);
      EXPECT_TRUE(IsExit(setup_->Next(true), 0));
    }
    setup_.reset();
    RemoveTree(root_);
    ForgetRememberedFolder();
  }

  // Types a folder into the main dialog's install-folder edit and presses
  // Browse; the browser's tree is in tree_ afterwards.
  HWND Browse(const std::string &folder) {
    EXPECT_EQ(setup_->Type(main_, IDC_INSTALL_FOLDER, folder), folder);
    setup_->Press(main_, IDC_BROWSE);
    HWND browser = setup_->WaitForOwnWindow(BrowserCaption);
    tree_ = GetDlgItem(browser, IDC_FOLDER_TREE);
    EXPECT_NE(tree_, nullptr);
    return browser;
  }
  std::string SelectedPath() const { return setup_->TreeItemPath(tree_, setup_->TreeSelection(tree_)); }
  std::string InstallFolderText() const { return setup_->Folder(main_); }
  void Screenshot(const char *name) const {
    setup_->Settle();
    setup_driver::SavePng(setup_driver::CaptureScreen(), std::string(QMG_SCREENSHOT_DIR) + "/" + name);
  }

  std::string root_;
  Distribution distribution_;
  std::unique_ptr<SetupProcess> setup_;
  HWND main_ = nullptr;
  HWND tree_ = nullptr;
};

TEST_F(BrowseButton, OpensAtTheInstallFolderAsFarAsItExists) {
  const std::string nowhere = "C:\\qmg-nowhere-" + std::to_string(GetCurrentProcessId());
  std::string lowerRoot = root_;
  for (char &c : lowerRoot)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  struct Case {
    const char *what;
    std::string typed;
    std::string selected; // the selected item's path, also in the browser's edit
    bool leaf;            // the selected folder has no sub-folder
  } cases[] = {
      {"an existing folder", root_ + "\\Beta\\Inner", root_ + "\\Beta\\Inner\\", true},
      {"the last parts missing", root_ + "\\Beta\\Missing\\Deeper", root_ + "\\Beta\\", false},
      {"forward slashes, lower case", "c:/" + lowerRoot.substr(3) + "/beta/inner/", root_ + "\\Beta\\Inner\\",
       true},
      {"only the drive there", nowhere + "\\Games", "C:\\", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.typed);
    HWND browser = Browse(c.typed);
    HTREEITEM selected = setup_->TreeSelection(tree_);
    ASSERT_NE(selected, nullptr) << "nothing selected";
    EXPECT_EQ(setup_->TreeItemPath(tree_, selected), c.selected);
    EXPECT_EQ(setup_->ControlText(browser, IDC_FOLDER_TEXT), c.selected);
    // The selected folder has been listed: it is open, or, having nothing
    // to list, no longer offers to open.
    SetupProcess::TreeItem item = setup_->ReadTreeItem(tree_, selected);
    if (c.leaf) {
      EXPECT_EQ(item.children, 0);
      EXPECT_TRUE(setup_->TreeChildren(tree_, selected).empty());
    } else {
      EXPECT_TRUE(item.expanded);
      EXPECT_FALSE(setup_->TreeChildren(tree_, selected).empty());
    }
    // The tree's top level is the fixed drives, C: among them.
    EXPECT_NE(setup_->FindTreeChild(tree_, nullptr, "C:\\"), nullptr);

    ASSERT_TRUE(setup_->PressAndWaitUntilClosed(browser, IDCANCEL));
    EXPECT_EQ(InstallFolderText(), c.typed) << "Cancel leaves the typed folder";
  }

  // The scratch folder as it was listed on the way: its sub-folders in
  // order, and only Beta offering to open further.
  Browse(root_ + "\\Beta");
  HTREEITEM scratch = setup_->FindTreeChild(tree_, setup_->FindTreeChild(tree_, nullptr, "C:\\"), root_.substr(3));
  ASSERT_NE(scratch, nullptr);
  std::vector<std::string> names;
  std::vector<int> offers;
  for (HTREEITEM child : setup_->TreeChildren(tree_, scratch)) {
    SetupProcess::TreeItem item = setup_->ReadTreeItem(tree_, child);
    names.push_back(item.text);
    offers.push_back(item.children);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(offers, (std::vector<int>{0, 1, 0}));
  Screenshot("browser.png");
}

TEST_F(BrowseButton, OkHandsBackTheBrowsersFolderAndCancelChangesNothing) {
  const std::string start = root_ + "\\Beta\\Inner";
  const std::string gamma = root_ + "\\Gamma\\";
  const std::string typed = "D:\\Typed\\Not there";
  struct Case {
    const char *what;
    std::function<void(HWND browser)> act;
    std::string selected; // the tree's selection then
    std::string shown;    // the browser's edit then
    int button;
    std::string folder; // the install-folder edit afterwards
  } cases[] = {
      {"OK at once", [](HWND) {}, start + "\\", start + "\\", IDOK, start + "\\"},
      {"Gamma chosen, then Cancel", [&](HWND) { setup_->ChooseTreeFolder(tree_, root_ + "\\Gamma"); }, gamma,
       gamma, IDCANCEL, start},
      {"Gamma chosen, then OK", [&](HWND) { setup_->ChooseTreeFolder(tree_, root_ + "\\Gamma"); }, gamma, gamma,
       IDOK, gamma},
      {"the drive chosen, then OK", [&](HWND) { setup_->ChooseTreeFolder(tree_, "C:\\"); }, "C:\\", "C:\\", IDOK,
       "C:\\"},
      // Taken as typed, whether it exists or not; the tree stays put.
      {"a folder typed over the browser's edit, then OK",
       [&](HWND browser) { setup_->Type(browser, IDC_FOLDER_TEXT, typed); }, start + "\\", typed, IDOK, typed},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    HWND browser = Browse(start);
    c.act(browser);
    EXPECT_EQ(SelectedPath(), c.selected);
    EXPECT_EQ(setup_->ControlText(browser, IDC_FOLDER_TEXT), c.shown);
    ASSERT_TRUE(setup_->PressAndWaitUntilClosed(browser, c.button));
    EXPECT_EQ(InstallFolderText(), c.folder);
  }
}

TEST_F(BrowseButton, NewMakesTheFolderOnDiskAndTheTreeSelectsIt) {
  HWND browser = Browse(root_ + "\\Beta");
  setup_->Press(browser, IDC_NEW_FOLDER);
  HWND dialog = setup_->WaitForOwnWindow(NewFolderCaption);
  EXPECT_EQ(setup_->ControlText(dialog, IDC_PARENT_FOLDER), root_ + "\\Beta\\");
  EXPECT_EQ(setup_->Type(dialog, IDC_FOLDER_NAME, "Fresh Pond"), "Fresh Pond");
  Screenshot("new-folder.png");
  ASSERT_TRUE(setup_->PressAndWaitUntilClosed(dialog, IDOK)) << "a message box came up";

  const std::string made = root_ + "\\Beta\\Fresh Pond";
  EXPECT_TRUE(IsFolder(made));
  EXPECT_EQ(SelectedPath(), made + "\\");
  EXPECT_EQ(setup_->ControlText(browser, IDC_FOLDER_TEXT), made + "\\");
  // Beta's branch was listed afresh: both sub-folders, in order.
  HTREEITEM beta = setup_->TreeParent(tree_, setup_->TreeSelection(tree_));
  std::vector<std::string> names;
  for (HTREEITEM child : setup_->TreeChildren(tree_, beta))
    names.push_back(setup_->ReadTreeItem(tree_, child).text);
  EXPECT_EQ(names, (std::vector<std::string>{"Fresh Pond", "Inner"}));

  ASSERT_TRUE(setup_->PressAndWaitUntilClosed(browser, IDOK));
  EXPECT_EQ(InstallFolderText(), made + "\\");
}

TEST_F(BrowseButton, NewRefusesANameItCannotMakeAndStaysOpen) {
  struct Case {
    const char *name;
    const char *message;
    const char *notMade; // under Beta
  } cases[] = {
      {"One\\Two", "Sorry, only a single folder can be created at a time.\nDo not use '\\'.", "One"},
      // A forward slash passes the check; the folder before it is missing.
      {"Missing/Child", "Error creating folder.", "Missing"},
  };
  HWND browser = Browse(root_ + "\\Beta");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    setup_->Press(browser, IDC_NEW_FOLDER);
    HWND dialog = setup_->WaitForOwnWindow(NewFolderCaption);
    setup_->Type(dialog, IDC_FOLDER_NAME, c.name);
    ASSERT_FALSE(setup_->PressAndWaitUntilClosed(dialog, IDOK)) << "the dialog closed without a message";
    Shown refusal = setup_->NextMessageBox();
    EXPECT_TRUE(IsMessage(refusal, c.message));
    setup_->Answer(refusal.window);

    EXPECT_EQ(setup_->FindOwnWindow(NewFolderCaption), dialog) << "the New folder dialog stays open";
    EXPECT_EQ(setup_->ControlText(dialog, IDC_FOLDER_NAME), c.name) << "with the name still in its box";
    EXPECT_EQ(setup_->ControlText(dialog, IDC_PARENT_FOLDER), root_ + "\\Beta\\");
    EXPECT_FALSE(IsFolder(root_ + "\\Beta\\" + c.notMade));
    ASSERT_TRUE(setup_->PressAndWaitUntilClosed(dialog, IDCANCEL));
    EXPECT_EQ(SelectedPath(), root_ + "\\Beta\\") << "Cancel leaves the tree as it was";
  }
  ASSERT_TRUE(setup_->PressAndWaitUntilClosed(browser, IDCANCEL));
  EXPECT_EQ(InstallFolderText(), root_ + "\\Beta");
}

} // namespace
} // namespace e2e
