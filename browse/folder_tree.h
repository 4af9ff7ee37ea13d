// The folder tree of the browser: a tree-view control whose top level holds
// the fixed drives ("C:\") and whose lower levels hold folder names. Items
// carry no data of their own; an item's path is always rebuilt from the
// texts of the item and its ancestors. Every helper takes the tree
// control's window handle.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>

// Images of the tree-image strip (bitmap 115) that the tree shows.
enum : int { OpenFolderImage = 0, ClosedFolderImage = 1, FixedDiskImage = 3 };

// Inserts an item that offers to open (has-children 1), with `image` as
// both its image and its selected image; returns the new item.
HTREEITEM TreeInsertFolder(HWND tree, HTREEITEM parent, const char *text, HTREEITEM insertAfter, int image);

// Shows a folder item open or closed; drive items keep their image.
void TreeSetFolderImage(HWND tree, HTREEITEM item, bool opened);

// The item's full path with a trailing backslash ("C:\Games\Puzzles\"; a
// drive alone gives "C:\") in `out` (`size` bytes). False, with `out`
// empty, for no item or a path that does not fit.
bool TreeGetItemPath(HWND tree, HTREEITEM item, char *out, size_t size);

// Opens and selects the tree along `path` (backslashes or forward slashes,
// any case), as deep as its components match existing items; the rest of
// the path is dropped. Opening an item for the first time lists it.
void TreeSelectPath(HWND tree, const char *path);

// Collapses the drive item of `path` and forgets its children, so that they
// are listed afresh, then selects `path`. Nothing when the drive is not in
// the tree.
void TreeRefreshPath(HWND tree, const char *path);

// Lists the sub-folders of `folderPath` (ending in a backslash) under
// `item`, sorted, hidden and system ones included; when there are none,
// the item stops offering to open.
void TreeAddSubfolders(HWND tree, HTREEITEM item, const char *folderPath);

// For each child of `item`, looks for a sub-folder on disk; a child that
// has none (or cannot be searched) stops offering to open.
void TreeProbeChildren(HWND tree, HTREEITEM item);

// Deletes every item, leaves first.
void TreeDeleteAllItems(HWND tree);
