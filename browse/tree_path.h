// The text work of the folder tree browser, apart from the tree control:
// splitting a typed or remembered path into the components the tree's items
// are matched against, joining item texts into a path, and the case a drive
// name is shown in.
#pragma once

#include <cstddef>

// Takes the next component of the path at `cursor`: the characters up to
// the next backslash, forward slash or end. `cursor` then moves past the
// component and every backslash and forward slash that follow it. A
// non-empty component that ends in a colon gets a backslash appended, so
// "C:" reads as the drive item "C:\". The component goes into `component`
// (`capacity` bytes); when it does not fit there, `component` is left empty
// and the result is false (no tree item has so long a name), though
// `cursor` still moves past it.
bool NextPathComponent(const char *&cursor, char *component, size_t capacity);

// Puts an item's text in front of the path built so far in `path`
// (`capacity` bytes), with a backslash between unless the text is empty or
// ends in one: "Games" before "Puzzles\" gives "Games\Puzzles\", "C:\"
// before that gives "C:\Games\Puzzles\". False, with `path` unchanged, when
// the result would not fit.
bool PrependPathItem(char *path, size_t capacity, const char *text);

// A text with no lower-case letter becomes lower case with an upper-case
// first character ("WINDOWS" -> "Windows"); a text with any lower-case
// letter is left alone.
void ProperCase(char *text);
