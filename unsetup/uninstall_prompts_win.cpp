#include "unsetup/uninstall_prompts.h"

#include <windows.h>

#include "base/user_interface.h"

namespace {
const char Caption[] = "Uninstall";
}

bool AskYesNo(const char *text) { return MessageBoxA(nullptr, text, Caption, MB_YESNO | MB_ICONQUESTION) == IDYES; }

void ShowMessage(const char *text) { MessageBoxA(nullptr, text, Caption, MB_OK); }

bool AskYesNoCancel(const char *text) { return MessageBoxA(nullptr, text, Caption, MB_YESNOCANCEL) == IDYES; }

void ShowUncaptionedMessage(const char *text) { MessageBoxA(nullptr, text, nullptr, MB_OK); }

// The uninstaller has no setup dialog and no progress display.
void EndSetupDialog(int) {}

void ShowProductInProgress(const char *) {}
