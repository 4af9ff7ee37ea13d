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
  // What the list of installed programs shows beyond the four values the
  // installer reads back, into the entry last opened, after those four; a
  // value that cannot be written is left out, since the product works
  // without it.
  void (*writeEntryDetails)(void *context, const char *productFolder, const char *version);
  // After the product's commands ran: the details that depend on what they
  // made (its size, the program of its first shortcut as its icon), from
  // its log in the product folder.
  void (*completeEntryDetails)(void *context, const char *entryName, const char *productFolder);
  // Marks the entry `name` as the record of an install that ran to the end
  // of its section, after everything else was written.
  void (*markEntryFinished)(void *context, const char *name);
  // True when the entry `name` carries that mark (asked while the Uninstall
  // key is open).
  bool (*entryFinished)(void *context, const char *name);
};
