#include "browse/browse_folder_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "browse/common_controls.h"
#include "browse/folder_tree.h"
#include "browse/new_folder_dialog.h"
#include "browse/tree_path.h"
#include "resources/resource_ids.h"

namespace {

enum : int { TreeImageWidth = 17, TreeImageHeight = 16, TreeImageCount = 15 };
// The action part of a tree notification's action field (TVE_ACTIONMASK).
const UINT ExpandActionMask = TVE_COLLAPSE | TVE_EXPAND | TVE_TOGGLE;

HWND FolderTree;
HIMAGELIST TreeImages;

HTREEITEM SelectedItem() {
  return reinterpret_cast<HTREEITEM>(SendMessageA(FolderTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void LoadTreeImages() {
  const CommonControls *controls = SystemCommonControls();
  if (!controls)
    return;
  TreeImages = controls->imageListCreate(TreeImageWidth, TreeImageHeight, ILC_COLOR, TreeImageCount, 0);
  HBITMAP strip = LoadBitmapA(AppInstance, MAKEINTRESOURCEA(IDB_TREE_IMAGES));
  if (TreeImages && strip)
    controls->imageListAdd(TreeImages, strip, nullptr);
  if (strip)
    DeleteObject(strip); // the image list keeps its own copy
  SendMessageA(FolderTree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(TreeImages));
}

// Fixed drives only, in letter order.
void AddFixedDrives() {
  bool first = true;
  for (char letter = 'A'; letter <= 'Z'; letter++) {
    char drive[4];
    snprintf(drive, sizeof drive, "%c:\\", letter);
    UINT type = GetDriveTypeA(drive);
    ProperCase(drive);
    if (type != DRIVE_FIXED)
      continue;
    TreeInsertFolder(FolderTree, TVI_ROOT, drive, first ? TVI_FIRST : TVI_LAST, FixedDiskImage);
    first = false;
  }
}

BOOL OnInitDialog(HWND dialog) {
  CenterWindow(dialog, nullptr);
  FolderTree = GetDlgItem(dialog, IDC_FOLDER_TREE);
  LoadTreeImages();
  AddFixedDrives();
  TreeSelectPath(FolderTree, InstallFolder);
  return TRUE;
}

void OnTreeNotify(HWND dialog, const NMTREEVIEWA *change) {
  HTREEITEM item = change->itemNew.hItem;
  bool expanding = (change->action & ExpandActionMask) == TVE_EXPAND;
  switch (change->hdr.code) {
  case TVN_ITEMEXPANDINGA:
    if (!expanding)
      return;
    // A folder is listed the first time it opens (or after its drive was
    // reset); one whose path does not fit is left unlisted.
    if (TreeGetItemPath(FolderTree, item, PathBuffer, sizeof PathBuffer) &&
        !SendMessageA(FolderTree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))) {
      TreeAddSubfolders(FolderTree, item, PathBuffer);
      if (SelectedItem() != item)
        SendMessageA(FolderTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
    return;
  case TVN_SELCHANGEDA: {
    char path[PathCapacity];
    TreeGetItemPath(FolderTree, item, path, sizeof path);
    SetDlgItemTextA(dialog, IDC_FOLDER_TEXT, path);
    return;
  }
  case TVN_ITEMEXPANDEDA:
    TreeSetFolderImage(FolderTree, item, expanding);
    if (expanding)
      TreeProbeChildren(FolderTree, item);
    return;
  }
}

// &New makes a sub-folder of the selected folder; with nothing selected
// there is no parent to make it in, and the button does nothing.
void OnNewFolder() {
  if (!TreeGetItemPath(FolderTree, SelectedItem(), PathBuffer, sizeof PathBuffer))
    return;
  if (DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_NEW_FOLDER), nullptr, NewFolderDlgProc, 0) == 1)
    TreeRefreshPath(FolderTree, PathBuffer);
}

void OnDestroy() {
  TreeDeleteAllItems(FolderTree);
  // The tree does not own its image list.
  SendMessageA(FolderTree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
  if (TreeImages)
    SystemCommonControls()->imageListDestroy(TreeImages); // made only when the controls loaded
  TreeImages = nullptr;
  FolderTree = nullptr;
}

} // namespace

// Without the common controls there is no tree to show: the browser stays
// shut, as if cancelled.
INT_PTR RunFolderBrowser() {
  const CommonControls *controls = SystemCommonControls();
  if (!controls)
    return 0;
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TREEVIEW_CLASSES};
  controls->initCommonControlsEx(&classes);
  return DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_BROWSE_FOLDER), nullptr, BrowseFolderDlgProc, 0);
}

INT_PTR CALLBACK BrowseFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_INITDIALOG:
    return OnInitDialog(dialog);
  case WM_NOTIFY: {
    const NMHDR *header = reinterpret_cast<const NMHDR *>(lParam);
    if (header->idFrom == IDC_FOLDER_TREE)
      OnTreeNotify(dialog, reinterpret_cast<const NMTREEVIEWA *>(lParam));
    return 0; // expansions always go ahead
  }
  case WM_COMMAND:
    switch (LOWORD(wParam)) {
    case IDOK:
      GetDlgItemTextA(dialog, IDC_FOLDER_TEXT, InstallFolder, sizeof InstallFolder);
      EndDialog(dialog, 1);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, 0);
      return TRUE;
    case IDC_NEW_FOLDER:
      OnNewFolder();
      return FALSE;
    }
    return FALSE;
  case WM_DESTROY:
    OnDestroy();
    return FALSE;
  }
  return FALSE;
}
