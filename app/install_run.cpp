#include "app/install_run.h"

#include "base/setup_state.h"
#include "base/setup_state_win.h"
#include "base/user_interface.h"
#include "package/key_table.h"
#include "resources/resource_ids.h"
#include "script/install_host_win.h"
#include "script/product_install.h"

namespace {

enum { MaxSelectedProducts = 100 };

void ShowProgressDisplay(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_TEXT_LINE1, "");
  SetDlgItemTextA(dialog, IDC_TEXT_LINE2, "");
  SetDlgItemTextA(dialog, IDC_TEXT_LINE3, "Please twiddle your thumbs.  Installing:");
  SetDlgItemTextA(dialog, IDC_TEXT_LINE4, "");
  SetDlgItemTextA(dialog, IDC_TEXT_LINE5, "");
  SetDlgItemTextA(dialog, IDC_TEXT_LINE6, "");
  for (int button : {IDC_INSTALL, IDC_BROWSE, IDCANCEL})
    ShowWindow(GetDlgItem(dialog, button), SW_HIDE);
}

INT_PTR CALLBACK FinishedDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
  case WM_INITDIALOG:
    CenterWindow(dialog, nullptr);
    return TRUE;
  case WM_COMMAND:
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
      EndDialog(dialog, 1);
      return TRUE;
    }
    return FALSE;
  }
  return FALSE;
}

} // namespace

void RunInstall(HWND dialog) {
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  ShowProgressDisplay(dialog);
  HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
  int selected[MaxSelectedProducts];
  LRESULT count = SendMessageA(list, LB_GETSELITEMS, MaxSelectedProducts, reinterpret_cast<LPARAM>(selected));
  for (LRESULT i = 0; i < count; i++) {
    int slot = static_cast<int>(SendMessageA(list, LB_GETITEMDATA, selected[i], 0));
    if (slot < 0 || slot >= static_cast<int>(ProductSlotCount))
      continue;
    BuildProductKeyTable(slot, ProductKeyTable);
    ScriptCursor = ProductSections[slot];
    // Each product reports its own failures; the run goes on either way.
    InstallProduct(WindowsInstallHost());
    // Let the progress display repaint between products.
    UpdateWindow(dialog);
  }
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  EndDialog(dialog, 1);
}

void ShowCompletionNotice() {
  if (ProductsRun > 0)
    DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_FINISHED), nullptr, FinishedDlgProc, 0);
  else
    ShowMessage("Setup has completed.");
}
