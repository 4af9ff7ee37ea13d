// The main setup dialog (template IDD_SETUP). Ends with 1 after an install
// run and with 2 on Abort, Esc, the close box or a malformed script line.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
