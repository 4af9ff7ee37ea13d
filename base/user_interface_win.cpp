#include "base/user_interface.h"

#include <windows.h>

#include "base/setup_state_win.h"
#include "resources/resource_ids.h"

void ShowMessage(const char *text) { MessageBoxA(nullptr, text, "Setup", MB_OK); }

bool AskYesNoCancel(const char *text) { return MessageBoxA(nullptr, text, "Setup", MB_YESNOCANCEL) == IDYES; }

void ShowUncaptionedMessage(const char *text) { MessageBoxA(nullptr, text, nullptr, MB_OK); }

void EndSetupDialog(int result) { EndDialog(SetupDialog, result); }

void ShowProductInProgress(const char *title) { SetWindowTextA(GetDlgItem(SetupDialog, IDC_TEXT_LINE4), title); }
