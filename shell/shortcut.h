// Start Menu shortcuts in the "Quillmarsh Games" group.
#pragma once

// Makes a shortcut titled `title` to `programPath` in the group folder under
// the Programs folder, records its "D" record and tells the shell. Reports
// its own trouble; the caller goes on either way.
void InstallShortcut(const char *programPath, const char *title);
