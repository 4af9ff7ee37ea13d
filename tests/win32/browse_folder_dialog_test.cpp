// The folder tree browser under Wine: opened modelessly so that the tests
// can look into its tree, and once modally as the main dialog opens it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "browse/browse_folder_dialog.h"
#include "browse/folder_tree.h"
#include "resources/resource_ids.h"
#include "tests/support/modal_dialog_driver.h"
#include "tests/support/user_interface_recorder.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

class FolderBrowser : public testing::Test {
protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    ResetUserInterfaceRecord();
    // C:\qmgbrowseN\ Alpha (a file only), Beta\Inner, Gamma (empty)
    scratch_.Folder("Alpha");
    scratch_.File("Alpha\\readme.txt", "x");
    scratch_.Folder("Beta");
    scratch_.Folder("Beta\\Inner");
    scratch_.Folder("Gamma");
  }
  void TearDown() override {
    if (dialog_)
      DestroyWindow(dialog_);
  }

  // The browser, opened without its modal loop, starting at `folder`.
  void Open(const std::string &folder) {
    snprintf(InstallFolder, sizeof InstallFolder, "%s", folder.c_str());
    dialog_ = CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_BROWSE_FOLDER), nullptr, BrowseFolderDlgProc, 0);
    ASSERT_NE(dialog_, nullptr);
    tree_ = GetDlgItem(dialog_, IDC_FOLDER_TREE);
  }

  std::string EditText() const { return DialogWatcher::Text(dialog_, IDC_FOLDER_TEXT); }

  HTREEITEM Next(HTREEITEM item, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
  }
  TVITEMA Item(HTREEITEM item, std::string *text = nullptr) const {
    static char buffer[512];
    TVITEMA query = {};
    query.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    query.hItem = item;
    query.pszText = buffer;
    query.cchTextMax = sizeof buffer;
    SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
    if (text)
      *text = buffer;
    return query;
  }
  std::string Text(HTREEITEM item) const {
    std::string text;
    Item(item, &text);
    return text;
  }
  std::vector<std::string> Children(HTREEITEM item) const {
    std::vector<std::string> texts;
    for (HTREEITEM child = Next(item, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
      texts.push_back(Text(child));
    return texts;
  }
  HTREEITEM Child(HTREEITEM item, const std::string &text) const {
    for (HTREEITEM child = Next(item, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
      if (Text(child) == text)
        return child;
    return nullptr;
  }
  HTREEITEM Selected() const { return Next(nullptr, TVGN_CARET); }

  // A drive letter that names no drive in this prefix.
  static std::string MissingDrive() {
    DWORD drives = GetLogicalDrives();
    char letter = 'Q';
    while (letter > 'D' && (drives & (1u << (letter - 'A'))))
      letter--;
    return std::string(1, letter) + ":\\";
  }

  std::string Stem() const { return scratch_.path().substr(3); } // without "C:\"

  Win32ScratchFolder scratch_{"qmgbrowse", "C:\\"};
  HWND dialog_ = nullptr;
  HWND tree_ = nullptr;
};

TEST_F(FolderBrowser, TheTreeHoldsTheFixedDrivesInLetterOrder) {
  Open("C:\\");
  std::vector<std::string> fixed;
  for (char letter = 'A'; letter <= 'Z'; letter++) {
    std::string drive = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(drive.c_str()) == DRIVE_FIXED)
      fixed.push_back(drive);
  }
  std::vector<std::string> roots;
  for (HTREEITEM item = Next(nullptr, TVGN_ROOT); item; item = Next(item, TVGN_NEXT)) {
    roots.push_back(Text(item));
    EXPECT_EQ(Item(item).iImage, FixedDiskImage);
  }
  EXPECT_EQ(roots, fixed);

  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(tree_, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 15);
  int width = 0, height = 0;
  ImageList_GetIconSize(images, &width, &height);
  EXPECT_EQ(width, 17);
  EXPECT_EQ(height, 16);
}

TEST_F(FolderBrowser, TheStartingFolderIsOpenedAsFarAsItExists) {
  // Forward slashes, any case, and a last part that does not exist.
  std::string typed = "c:/" + Stem() + "/BETA/inner/missing";
  for (char &c : typed)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  Open(typed);
  EXPECT_EQ(EditText(), scratch_.path() + "\\Beta\\Inner\\");
  EXPECT_EQ(Text(Selected()), "Inner");

  HTREEITEM top = Child(Next(nullptr, TVGN_ROOT), Stem());
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(Children(top), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(Item(top).iImage, OpenFolderImage);
  EXPECT_EQ(Item(top).iSelectedImage, OpenFolderImage);
  // The probe on opening the scratch folder: only Beta has a sub-folder.
  EXPECT_EQ(Item(Child(top, "Alpha")).cChildren, 0);
  EXPECT_EQ(Item(Child(top, "Beta")).cChildren, 1);
  EXPECT_EQ(Item(Child(top, "Gamma")).cChildren, 0);
  EXPECT_EQ(Item(Child(top, "Alpha")).iImage, ClosedFolderImage);
}

TEST_F(FolderBrowser, ADriveThatIsNotInTheTreeSelectsNothing) {
  Open(MissingDrive() + "Games");
  EXPECT_EQ(Selected(), nullptr);
  EXPECT_EQ(EditText(), "");
  char path[512] = "untouched";
  EXPECT_FALSE(TreeGetItemPath(tree_, nullptr, path, sizeof path));
  EXPECT_STREQ(path, "");

  // New has no parent to make a folder in: no dialog opens.
  DialogWatcher watcher("New folder", [](HWND dialog) { DialogWatcher::Press(dialog, IDCANCEL); });
  DialogWatcher::Press(dialog_, IDC_NEW_FOLDER);
  MSG message;
  for (int i = 0; i < 10 && !watcher.Seen(); i++) {
    Sleep(20);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&message);
  }
  EXPECT_FALSE(watcher.Seen());

  // OK hands back the empty text.
  strcpy(InstallFolder, "before");
  DialogWatcher::Press(dialog_, IDOK);
  EXPECT_STREQ(InstallFolder, "");
}

TEST_F(FolderBrowser, APathTooLongForTheBufferIsRefused) {
  Open("C:\\");
  HTREEITEM item = TreeInsertFolder(tree_, TVI_ROOT, MissingDrive().c_str(), TVI_LAST, FixedDiskImage);
  for (int i = 0; i < 3; i++)
    item = TreeInsertFolder(tree_, item, std::string(200, char('a' + i)).c_str(), TVI_SORT, ClosedFolderImage);
  char path[512] = "untouched";
  EXPECT_FALSE(TreeGetItemPath(tree_, item, path, sizeof path));
  EXPECT_STREQ(path, "");
  char roomy[700];
  ASSERT_TRUE(TreeGetItemPath(tree_, item, roomy, sizeof roomy));
  std::string expected = MissingDrive();
  for (char c : {'a', 'b', 'c'})
    expected += std::string(200, c) + "\\";
  EXPECT_EQ(std::string(roomy), expected);
}

TEST_F(FolderBrowser, AFolderMadeOnDiskAppearsAfterARefresh) {
  Open(scratch_.path() + "\\Beta");
  HTREEITEM beta = Selected();
  ASSERT_EQ(Text(beta), "Beta");
  scratch_.Folder("Beta\\Fresh");
  TreeRefreshPath(tree_, (scratch_.path() + "/beta/fresh\\").c_str());
  EXPECT_EQ(Text(Selected()), "Fresh");
  EXPECT_EQ(EditText(), scratch_.path() + "\\Beta\\Fresh\\");

  TreeRefreshPath(tree_, (MissingDrive() + "Anything").c_str());
  EXPECT_EQ(Text(Selected()), "Fresh") << "a drive that is not in the tree changes nothing";
}

TEST_F(FolderBrowser, NewMakesASubFolderOfTheSelectedOneAndSelectsIt) {
  Open(scratch_.path() + "\\Gamma");
  DialogWatcher watcher("New folder", [](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_FOLDER_NAME, "Made Here");
    DialogWatcher::Press(dialog, IDOK);
  });
  DialogWatcher::Press(dialog_, IDC_NEW_FOLDER);
  EXPECT_TRUE(watcher.Seen());
  EXPECT_TRUE(Win32ScratchFolder::IsFolder(scratch_ / "Gamma\\Made Here"));
  EXPECT_EQ(Text(Selected()), "Made Here");
  EXPECT_EQ(EditText(), scratch_.path() + "\\Gamma\\Made Here\\");
}

TEST_F(FolderBrowser, ClosingEmptiesTheTreeAndLetsGoOfItsImages) {
  Open(scratch_.path() + "\\Beta\\Inner");
  ASSERT_GT(SendMessageA(tree_, TVM_GETCOUNT, 0, 0), 3);
  BrowseFolderDlgProc(dialog_, WM_DESTROY, 0, 0);
  EXPECT_EQ(SendMessageA(tree_, TVM_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(tree_, TVM_GETIMAGELIST, TVSIL_NORMAL, 0), 0);
}

TEST_F(FolderBrowser, OkHandsBackTheEditTextUnchangedAndCancelKeepsTheFolder) {
  strcpy(InstallFolder, "C:\\");
  INT_PTR result = DriveModalDialog("Select the install folder", RunFolderBrowser, [](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_FOLDER_TEXT, "\\\\nowhere\\typed by hand\\");
    DialogWatcher::Press(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(InstallFolder, "\\\\nowhere\\typed by hand\\");

  std::string seen;
  result = DriveModalDialog("Select the install folder", RunFolderBrowser, [&](HWND dialog) {
    seen = DialogWatcher::Text(dialog, IDC_FOLDER_TEXT);
    DialogWatcher::Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(seen, "") << "a network path matches no drive item";
  EXPECT_STREQ(InstallFolder, "\\\\nowhere\\typed by hand\\");
}

} // namespace
