#include "browse/new_folder_dialog.h"

#include <cstring>

#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "browse/new_folder.h"
#include "resources/resource_ids.h"

namespace {

enum : int { FolderNameLimit = 255 };

BOOL OnInitDialog(HWND dialog) {
  size_t length = strlen(PathBuffer);
  if ((length == 0 || PathBuffer[length - 1] != '\\') && length + 1 < sizeof PathBuffer) {
    PathBuffer[length] = '\\';
    PathBuffer[length + 1] = '\0';
  }
  SendDlgItemMessageA(dialog, IDC_FOLDER_NAME, EM_LIMITTEXT, FolderNameLimit, 0);
  SetDlgItemTextA(dialog, IDC_PARENT_FOLDER, PathBuffer);
  CenterWindow(dialog, nullptr);
  return TRUE;
}

void OnOk(HWND dialog) {
  // The name goes straight after the parent path, cut so that both together
  // keep within 511 bytes, terminator included.
  size_t parentLength = strlen(PathBuffer);
  size_t room = parentLength < PathCapacity - 1 ? PathCapacity - 1 - parentLength : 0;
  if (room > 0)
    GetDlgItemTextA(dialog, IDC_FOLDER_NAME, PathBuffer + parentLength, static_cast<int>(room));
  NewFolderOutcome outcome = CreateNamedFolder(PathBuffer, parentLength);
  if (outcome == NewFolderOutcome::Made || outcome == NewFolderOutcome::AlreadyThere)
    EndDialog(dialog, 1);
}

} // namespace

INT_PTR CALLBACK NewFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
  case WM_INITDIALOG:
    return OnInitDialog(dialog);
  case WM_COMMAND:
    switch (LOWORD(wParam)) {
    case IDOK:
      OnOk(dialog);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, 2);
      return TRUE;
    }
    return FALSE;
  }
  return FALSE;
}
