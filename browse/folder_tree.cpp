#include "browse/folder_tree.h"

#include <cstdio>
#include <cstring>

#include "base/setup_state.h"
#include "browse/file_find.h"
#include "browse/tree_path.h"

namespace {

HTREEITEM NextItem(HWND tree, HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

bool ItemText(HWND tree, HTREEITEM item, char *text, size_t capacity) {
  TVITEMA query = {};
  query.mask = TVIF_TEXT;
  query.hItem = item;
  query.pszText = text;
  query.cchTextMax = static_cast<int>(capacity);
  text[0] = '\0';
  return SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)) != FALSE;
}

void SetChildCount(HWND tree, HTREEITEM item, int children) {
  TVITEMA change = {};
  change.mask = TVIF_HANDLE | TVIF_CHILDREN;
  change.hItem = item;
  change.cChildren = children;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

// The item of `level` or one of its later siblings whose text equals
// `text`, ignoring case.
HTREEITEM FindAmongSiblings(HWND tree, HTREEITEM level, const char *text) {
  char itemText[PathCapacity];
  for (HTREEITEM item = level; item; item = NextItem(tree, item, TVGN_NEXT))
    if (ItemText(tree, item, itemText, sizeof itemText) && _stricmp(itemText, text) == 0)
      return item;
  return nullptr;
}

// "*.*" after a folder path, in `pattern`; false when it does not fit.
bool FolderPattern(const char *folderPath, char *pattern, size_t capacity) {
  int length = snprintf(pattern, capacity, "%s*.*", folderPath);
  return length > 0 && static_cast<size_t>(length) < capacity;
}

bool HasSubfolder(const char *folderPath) {
  char pattern[PathCapacity];
  CFileFind finder;
  if (!FolderPattern(folderPath, pattern, sizeof pattern) || !finder.FindFile(pattern))
    return false;
  bool more;
  do {
    more = finder.FindNextFile();
    if (finder.IsDirectory() && !finder.IsDots())
      return true;
  } while (more);
  return false;
}

} // namespace

HTREEITEM TreeInsertFolder(HWND tree, HTREEITEM parent, const char *text, HTREEITEM insertAfter, int image) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = insertAfter;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  insert.item.pszText = const_cast<char *>(text);
  insert.item.cchTextMax = static_cast<int>(strlen(text));
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  insert.item.cChildren = 1;
  insert.item.lParam = 0;
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TreeSetFolderImage(HWND tree, HTREEITEM item, bool opened) {
  TVITEMA query = {};
  query.mask = TVIF_IMAGE | TVIF_CHILDREN;
  query.hItem = item;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)) || query.iImage > ClosedFolderImage)
    return;
  TVITEMA change = {};
  change.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  change.hItem = item;
  change.iImage = change.iSelectedImage = opened ? OpenFolderImage : ClosedFolderImage;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

bool TreeGetItemPath(HWND tree, HTREEITEM item, char *out, size_t size) {
  if (size == 0)
    return false;
  out[0] = '\0';
  if (!item)
    return false;
  char text[PathCapacity];
  for (; item; item = NextItem(tree, item, TVGN_PARENT)) {
    if (!ItemText(tree, item, text, sizeof text) || !PrependPathItem(out, size, text)) {
      out[0] = '\0';
      return false;
    }
  }
  return true;
}

void TreeSelectPath(HWND tree, const char *path) {
  HTREEITEM level = NextItem(tree, nullptr, TVGN_ROOT);
  char component[PathCapacity];
  while (*path && level) {
    if (!NextPathComponent(path, component, sizeof component))
      break;
    HTREEITEM match = FindAmongSiblings(tree, level, component);
    if (!match)
      break;
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(match));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(match));
    // Read after the expansion, which lists the children.
    level = NextItem(tree, match, TVGN_CHILD);
  }
}

void TreeRefreshPath(HWND tree, const char *path) {
  char copy[PathCapacity];
  snprintf(copy, sizeof copy, "%s", path);
  const char *cursor = copy;
  char drive[PathCapacity];
  if (!NextPathComponent(cursor, drive, sizeof drive))
    return;
  HTREEITEM item = FindAmongSiblings(tree, NextItem(tree, nullptr, TVGN_ROOT), drive);
  if (!item)
    return;
  SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(item));
  TreeSelectPath(tree, copy);
}

void TreeAddSubfolders(HWND tree, HTREEITEM item, const char *folderPath) {
  bool added = false;
  char pattern[PathCapacity];
  CFileFind finder;
  if (FolderPattern(folderPath, pattern, sizeof pattern) && finder.FindFile(pattern)) {
    char name[MAX_PATH];
    bool more;
    do {
      more = finder.FindNextFile();
      if (finder.IsDirectory() && !finder.IsDots() && finder.GetFileName(name, sizeof name)) {
        TreeInsertFolder(tree, item, name, TVI_SORT, ClosedFolderImage);
        added = true;
      }
    } while (more);
  }
  if (!added)
    SetChildCount(tree, item, 0);
  finder.Close();
}

void TreeProbeChildren(HWND tree, HTREEITEM item) {
  char path[PathCapacity];
  for (HTREEITEM child = NextItem(tree, item, TVGN_CHILD); child; child = NextItem(tree, child, TVGN_NEXT))
    if (!TreeGetItemPath(tree, child, path, sizeof path) || !HasSubfolder(path))
      SetChildCount(tree, child, 0);
}

void TreeDeleteAllItems(HWND tree) {
  HTREEITEM item = NextItem(tree, nullptr, TVGN_ROOT);
  while (item) {
    for (HTREEITEM child; (child = NextItem(tree, item, TVGN_CHILD));)
      item = child;
    HTREEITEM next = NextItem(tree, item, TVGN_NEXT);
    HTREEITEM previous = NextItem(tree, item, TVGN_PREVIOUS);
    HTREEITEM parent = NextItem(tree, item, TVGN_PARENT);
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    item = next ? next : previous ? previous : parent;
  }
}
