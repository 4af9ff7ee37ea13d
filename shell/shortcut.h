// Start Menu shortcuts in the "Quillmarsh Games" group.
#pragma once

#include "shell/start_menu.h"

// Makes a shortcut titled `title` to `programPath` in the group folder under
// the Programs folder that `host` names, records its "D" record and leaves
// the group folder in the pending folder list. Reports its own trouble; the
// caller goes on either way.
void InstallShortcut(const StartMenuHost &host, const char *programPath, const char *title);
