// Names of a product's entries under the Uninstall key: "QMG <title>" for
// entry 1 and "QMG <title>_<n>" for entries 2 to 98, always searched in that
// order.
#pragma once

#include <string>

enum : int { EntryNameCount = 98 };

// The name of entry `n` (1 to EntryNameCount) of `title`.
std::string EntryNameFor(const char *title, int n);

// True when `name` is one of the names EntryNameFor makes for `title`
// (ASCII case aside, as the registry compares names). Anything else, such
// as another program's entry or a path to a deeper key, is not ours.
bool IsEntryNameOf(const char *name, const char *title);
