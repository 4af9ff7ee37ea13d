#include "app/user_interface.h"

#include <windows.h>

#include "app/setup_windows.h"

void ShowMessage(const char *text) { MessageBoxA(nullptr, text, "Setup", MB_OK); }

void EndSetupDialog(int result) { EndDialog(SetupDialog, result); }
