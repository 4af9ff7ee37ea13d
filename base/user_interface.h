// What the portable code asks of the user interface. SETUP.EXE implements
// this with real message boxes and dialog calls (user_interface_win.cpp);
// in-process tests link a recorder instead. Every message the installer
// shows goes through here.
#pragma once

// A message box with no owner, caption "Setup" and an OK button.
void ShowMessage(const char *text);

// Formats `format` with its one string argument into MessageBuffer, bounded
// by the buffer, and shows it with ShowMessage.
void ShowFormattedMessage(const char *format, const char *argument);

// A question with Yes, No and Cancel (caption "Setup"); true only for Yes.
bool AskYesNoCancel(const char *text);

// A message box with no caption text of its own (the system's default
// title), for registry write errors.
void ShowUncaptionedMessage(const char *text);

// Ends the main setup dialog with `result` (2 is the abort result).
void EndSetupDialog(int result);

// Shows the title of the product being installed in the progress display.
void ShowProductInProgress(const char *title);
