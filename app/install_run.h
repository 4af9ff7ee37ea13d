// The install run inside the main setup dialog, and the completion notice
// shown after it.
#pragma once

#include <windows.h>

// Installs the selected products in list order under the progress display,
// then ends the dialog with 1.
void RunInstall(HWND dialog);

// The Finished dialog when a product was started, "Setup has completed."
// otherwise.
void ShowCompletionNotice();
