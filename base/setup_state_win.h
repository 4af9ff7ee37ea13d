// The installer's Win32 state and the helpers every dialog shares.
#pragma once

#include <windows.h>

extern HINSTANCE AppInstance;
extern HWND SetupDialog;
extern HPALETTE SetupPalette;

// Centres `window` on `reference` (or on the screen when it is null) and
// keeps it on the screen measured at start-up.
void CenterWindow(HWND window, HWND reference);

// Reads the screen size into ScreenWidth and ScreenHeight and creates
// SetupPalette to suit the display.
void MeasureScreenAndCreatePalette();
