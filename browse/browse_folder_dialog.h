// The folder tree browser, "Select the install folder" (template 130): the
// fixed drives as a tree whose folders are listed when first opened, the
// selected folder's path in an edit box the user may type over, and &New
// to make a sub-folder of the selected folder.
#pragma once

#include <windows.h>

// Opens the browser modally with no owner window, starting at
// InstallFolder. Returns 1 for OK, with the edit box's text, unchanged, in
// InstallFolder; 0 for Cancel.
INT_PTR RunFolderBrowser();

INT_PTR CALLBACK BrowseFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
