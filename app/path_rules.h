// Text rules for the installer's two folders.
#pragma once

#include <cstddef>

// The folder of the running installer from its module path: everything up to
// and including the last "\" or ":", ending in "\". C:\Games\SETUP.EXE gives
// C:\Games\ and D:SETUP.EXE gives D:\; a name with no separator gives "\".
void SourceFolderFromModulePath(const char *modulePath, char *folder, size_t capacity);

// Drops one trailing backslash from a full path longer than two characters
// unless it follows a ":": C:\QMG\ becomes C:\QMG, C:\ stays.
void DropTrailingBackslash(char *path);
