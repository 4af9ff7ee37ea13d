#include "shell/shortcut.h"

#include <cstdio>
#include <cstring>

#include "base/folder_chain.h"
#include "base/path_format.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "base/user_interface.h"

namespace {

enum : size_t {
  ShortcutPathCapacity = 1024,
  // The longest path, terminator included, that the shell link takes.
  ShellPathLimit = 260,
};

// A title becomes a file name in the group folder; separators in it would
// place the shortcut somewhere else, so they become "_". Other characters
// stay as written.
void AppendFileTitle(char *path, size_t capacity, const char *title) {
  size_t length = strlen(path);
  for (; *title && length + 1 < capacity; title++)
    path[length++] = (*title == '\\' || *title == '/') ? '_' : *title;
  path[length] = '\0';
}

} // namespace

void InstallShortcut(const StartMenuHost &host, const char *programPath, const char *title) {
  char shortcut[ShortcutPathCapacity];
  host.programsFolder(host.context, shortcut, sizeof shortcut);
  if (shortcut[0] == '\0') {
    snprintf(TokenBuffer, sizeof TokenBuffer, "Unable to install icons for %s.", ProductTitle);
    ShowMessage(TokenBuffer);
    return;
  }
  char group[ShortcutPathCapacity];
  if (!FormatPath(group, ShellPathLimit, "%s%s", StartMenuGroupIn(shortcut).c_str(), "") ||
      !CreateFolderChain(group))
    return;
  strcpy(shortcut, group);
  strcat(shortcut, "\\");
  AppendFileTitle(shortcut, sizeof shortcut, title);
  strncat(shortcut, ".lnk", sizeof shortcut - strlen(shortcut) - 1);
  // Recorded before it is saved, so that a cut in between leaves no
  // shortcut that the log does not name; a record of a shortcut that was
  // never saved is no failure for a removal.
  bool fits = strlen(shortcut) < ShellPathLimit;
  if (fits)
    WriteLogRecord('D', shortcut);
  ShellLinkOutcome outcome = fits ? host.saveShellLink(host.context, shortcut, programPath, ProductFolder, title)
                                  : ShellLinkOutcome::PathTooLong;
  if (outcome == ShellLinkOutcome::PathTooLong)
    ShowFormattedMessage("Path too long:\n%s", shortcut);
}
