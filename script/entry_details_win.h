// The values of a product's Uninstall entry that the list of installed
// programs shows, beyond the four the installer itself reads back. They are
// written after those four and never change them; a value that cannot be
// written is left out in silence, since the product works without it. The
// removal of an installed version ignores them and deletes the entry whole.
#pragma once

#include <windows.h>

// Publisher, DisplayVersion, InstallLocation (the product folder),
// DisplayIcon (the uninstaller in the product folder, until the product's
// commands have made a shortcut), NoModify and NoRepair into the open entry.
void WriteEntryDetails(HKEY entry, const char *productFolder, const char *version);

// The details below come from what this run wrote, never from the log on
// disk, which other users may have edited by then: from now on every
// record written to an open log is kept (the log's observer), with the
// program each shortcut was made for.
void KeepRecordsForEntryDetails();
void NoteShortcutProgram(const char *shortcut, const char *program);

// After the product's commands ran, from the records kept since the last
// call: EstimatedSize, the kilobytes of the files the D records name inside
// `productFolder` (each file once; nothing outside it, and no device path,
// is ever looked up), and, when a shortcut was made, DisplayIcon naming the
// program of the first shortcut when it lies inside the product folder.
void WriteEntryDetailsAfterCommands(const char *entryName, const char *productFolder);
