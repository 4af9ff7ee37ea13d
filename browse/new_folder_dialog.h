// The New folder dialog (template 131), opened by the folder browser's &New
// with the parent folder's path in PathBuffer. It shows the parent, asks for
// one sub-folder name (at most 255 characters, and no more than parent and
// name together can hold in PathBuffer), makes the folder and tells the
// shell. Result 1: PathBuffer holds the path of the folder, which exists
// now (made, or there already); result 2: cancelled. A refused name keeps
// the dialog open with the name still in its box and the parent path back
// in PathBuffer.
#pragma once

#include <windows.h>

INT_PTR CALLBACK NewFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
