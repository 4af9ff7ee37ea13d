// What the command interpreter and the install driver need of the platform
// beyond files and messages: the Start Menu, and the Uninstall key of the
// registry with the removal of an installed version. SETUP.EXE passes the
// Win32 host (WindowsInstallHost in script/install_host_win.h); tests pass
// a recording one, and a dry run one that touches nothing.
//
// The Uninstall key is opened once per registration, and the entry calls
// act on it while it is open.
#pragma once

#include <cstddef>

#include "script/removal_walk.h"
#include "shell/start_menu.h"

struct InstallHost {
  StartMenuHost startMenu;

  void *context;
  // Opens (creating) the Uninstall key. False when the registry is out of
  // reach or the platform too old to have one; registration then stops in
  // silence.
  bool (*openUninstallKey)(void *context);
  void (*closeUninstallKey)(void *context);
  // Reads the Folder and Version values of the entry `name` into buffers of
  // PathCapacity and TitleCapacity bytes; false when the entry or either
  // value cannot be read.
  bool (*readEntry)(void *context, const char *name, char *folder, char *version);
  bool (*entryExists)(void *context, const char *name);
  // Opens the entry `name` for its values: created when `create`, else
  // opened as it is, for reading only, so that writing to it fails.
  bool (*openEntry)(void *context, const char *name, bool create);
  // Sets a string value of the entry last opened.
  bool (*setEntryValue)(void *context, const char *value, const char *data);
  // Deletes the entry `name`; false when that failed.
  bool (*deleteEntry)(void *context, const char *name);
  // The file, folder and entry operations of a removal through a log.
  RemovalOperations (*removalOperations)(void *context);
};
