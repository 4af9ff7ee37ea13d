#include "app/setup_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/install_run.h"
#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/scoped_handles.h"
#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "base/user_interface.h"
#include "browse/browse_folder_dialog.h"
#include "package/key_table.h"
#include "picture/picture_placement.h"
#include "picture/transparent_bitmap.h"
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
// A text that does not fit FolderText, or that cannot be resolved within a
// path buffer, leaves InstallFolder as it was and gives false: cut short,
// it would name another folder than the one typed.
bool TakeFolderFromEdit(HWND dialog) {
  FolderText[0] = '\0';
  if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_INSTALL_FOLDER)) >= static_cast<int>(sizeof FolderText))
    return false;
  GetDlgItemTextA(dialog, IDC_INSTALL_FOLDER, FolderText, sizeof FolderText);
  char full[PathCapacity];
  if (!_fullpath(full, FolderText, sizeof full))
    return false;
  strcpy(InstallFolder, full);
  return true;
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

// The background picture is read afresh on every paint and keyed on the
// colour of its top left pixel. It sits left of the instruction text and
// above the blank marker.
void DrawBackgroundPicture(HWND dialog, HDC dc) {
  static const ColorKeyPoint TopLeftKey[] = {{0, 0}, {-1, -1}};
  char path[PathCapacity];
  int length = snprintf(path, sizeof path, "%sSETUPBK.QBK", SourceFolder);
  CTransparentBitmap picture;
  if (length < 0 || static_cast<size_t>(length) >= sizeof path || !picture.Load(path, TopLeftKey))
    return;
  RECT whole, text, marker;
  GetWindowRect(dialog, &whole);
  GetWindowRect(GetDlgItem(dialog, IDC_TEXT_LINE1), &text);
  GetWindowRect(GetDlgItem(dialog, IDC_PICTURE_TOP), &marker);
  PicturePosition at =
      PlacePicture(whole.left, whole.top, text.left, marker.top, picture.Width(), picture.Height());
  picture.Draw(dc, at.x, at.y, picture.Width(), picture.Height(), 0, 0);
  picture.Release();
}

void OnPaint(HWND dialog) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  if (SetupPalette) {
    SelectPalette(dc, SetupPalette, TRUE);
    RealizePalette(dc);
  }
  DrawBackgroundPicture(dialog, dc);
  EndPaint(dialog, &paint);
}

void OnBrowse(HWND dialog) {
  TakeFolderFromEdit(dialog);
  if (InstallFolder[0] == '\0')
    strcpy(InstallFolder, "C:\\");
  if (RunFolderBrowser() == 1)
    SetDlgItemTextA(dialog, IDC_INSTALL_FOLDER, InstallFolder);
}

void OnInstall(HWND dialog) {
  bool resolved = TakeFolderFromEdit(dialog);
  if (!resolved || FolderText[0] == '\0' || InstallFolder[0] == '\0') {
    ShowMessage("Invalid folder");
    return;
  }
  DropTrailingSeparator(InstallFolder);
  // Everything is made below the install folder; one that is a link or
  // junction would put it where the link leads, which anyone who could
  // plant the link chose. A player who wants that place picks it itself.
  if (QueryEntryKind(InstallFolder) == EntryKind::Link) {
    ShowMessage("Invalid folder");
    return;
  }
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
