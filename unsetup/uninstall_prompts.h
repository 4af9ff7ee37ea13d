// The uninstaller's message boxes. They have no owner window and the caption
// "Uninstall"; unsetup.exe implements the ground's message seam
// (base/user_interface.h) with the same boxes, so every message it shows,
// its own and those of the code it shares with the installer, looks alike.
#pragma once

// A question with Yes and No and the question icon; true only for Yes.
bool AskYesNo(const char *text);
