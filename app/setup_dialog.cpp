#include "app/setup_dialog.h"

#include <cstdlib>
#include <cstring>

#include "app/install_run.h"
#include "app/path_rules.h"
#include "app/scoped_handles.h"
#include "app/setup_state.h"
#include "app/setup_windows.h"
#include "app/user_interface.h"
#include "package/key_table.h"
#include "resources/resource_ids.h"
#include "script/product_scan.h"
#include "script/script_checksum.h"
#include "shell/install_folder.h"

namespace {

// Raw text of the install-folder edit.
char FolderText[PathCapacity];

bool PackagePresent(const char *path) {
  QuietDriveErrors quiet;
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void OfferProduct(const char *title, int slot) {
  HWND list = GetDlgItem(SetupDialog, IDC_PRODUCT_LIST);
  LRESULT item = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title));
  if (item < 0)
    return;
  SendMessageA(list, LB_SETITEMDATA, item, slot);
  SendMessageA(list, LB_SETSEL, TRUE, item);
}

// Reads the edit into FolderText and makes it a full path in InstallFolder.
// A text that cannot be resolved leaves InstallFolder as it was.
void TakeFolderFromEdit(HWND dialog) {
  GetDlgItemTextA(dialog, IDC_INSTALL_FOLDER, FolderText, sizeof FolderText);
  char full[PathCapacity];
  if (_fullpath(full, FolderText, sizeof full))
    strcpy(InstallFolder, full);
}

BOOL OnInitDialog(HWND dialog) {
  SetupDialog = dialog;
  FolderText[0] = '\0';
  CheckScriptHeader();
  BuildSharedKeyTable(SharedKeyTable);
  if (!ScanProducts({PackagePresent, OfferProduct}))
    return FALSE;
  if (ScreenWidth < 800)
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  else
    CenterWindow(dialog, nullptr);
  LoadInstallFolder();
  SetDlgItemTextA(dialog, IDC_INSTALL_FOLDER, InstallFolder);
  return TRUE;
}

void OnPaint(HWND dialog) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  if (SetupPalette) {
    SelectPalette(dc, SetupPalette, TRUE);
    RealizePalette(dc);
  }
  EndPaint(dialog, &paint);
}

void OnBrowse(HWND dialog) {
  TakeFolderFromEdit(dialog);
  if (InstallFolder[0] == '\0')
    strcpy(InstallFolder, "C:\\");
  // The folder browser is not part of this build yet: the folder stays as
  // it is in the edit.
}

void OnInstall(HWND dialog) {
  TakeFolderFromEdit(dialog);
  if (FolderText[0] == '\0' || InstallFolder[0] == '\0') {
    ShowMessage("Invalid folder");
    return;
  }
  DropTrailingBackslash(InstallFolder);
  SaveInstallFolder();
  RunInstall(dialog);
}

} // namespace

INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
  case WM_INITDIALOG:
    return OnInitDialog(dialog);
  case WM_PAINT:
    OnPaint(dialog);
    return TRUE;
  case WM_COMMAND:
    switch (LOWORD(wParam)) {
    case IDC_INSTALL:
      OnInstall(dialog);
      return TRUE;
    case IDC_BROWSE:
      OnBrowse(dialog);
      return FALSE;
    case IDCANCEL:
      EndDialog(dialog, 2);
      return TRUE;
    }
    return FALSE;
  }
  return FALSE;
}
