// Text rules for paths: the installer's two folders, and the full-path
// comparisons that decide what a removal may touch.
#pragma once

#include <cstddef>
#include <string>

// The folder of the running installer from its module path: everything up to
// and including the last "\" or ":", ending in "\". C:\Games\SETUP.EXE gives
// C:\Games\ and D:SETUP.EXE gives D:\; a name with no separator gives "\".
void SourceFolderFromModulePath(const char *modulePath, char *folder, size_t capacity);

// Drops one trailing `separator` from a folder path unless the path is a
// root: C:\QMG\ becomes C:\QMG, while C:\, D:, a lone separator and the
// "\\" that starts a share name stay as they are. Only one separator goes,
// so C:\QMG\\ becomes C:\QMG\.
void DropTrailingSeparator(char *path, char separator = '\\');

// Writes a full path in one plain form, or refuses it. Accepted: a drive root
// ("C:\" or "C:/") or a share ("\\server\share") followed by names. "/" counts
// as "\", runs of separators count as one, a trailing separator is dropped.
// Refused: relative and drive-relative paths, device paths ("\\?\", "\\.\"),
// "." and ".." components, names ending in "." or a blank (Windows drops
// those, so "x." and "x" are the same file), ":" past the drive (stream
// names), wildcards, control characters and the other characters Windows
// forbids in names. The result uses "\" throughout; a root alone ends in "\"
// ("C:\"), anything else does not.
bool NormaliseFullPath(const char *path, std::string &normal);

// True when `relative`, a path relative to some folder as a script writes
// it, has a component that Windows reads as that folder or one above it:
// "." and "..", and any other name made of dots and blanks alone, since
// Windows drops the dots and blanks that end a name. Such a path could
// lead out of the folder it is joined to.
bool ClimbsOutOfItsFolder(const char *relative);

// True when `relative` names no folder below the one it is joined to: it is
// empty or holds nothing but separators and blanks, so that joined to a
// folder it names that folder itself.
bool NamesNoFolderBelow(const char *relative);

// True when the two texts are equal once ASCII letters are upper-cased
// (other bytes compare as they are).
bool EqualIgnoringAsciiCase(const std::string &a, const std::string &b);

// Orders two texts as the C runtime's _stricmp does in the "C" locale:
// ASCII letters lower-cased, every byte compared as an unsigned value.
// Negative, zero or positive as `a` sorts before, with or after `b`.
int CompareIgnoringAsciiCase(const char *a, const char *b);

// Comparisons of two full paths, both normalised first and compared without
// regard to ASCII case; a path that cannot be normalised matches nothing.
// `path` lies strictly below `folder`, at any depth.
bool PathIsInside(const char *path, const char *folder);
// `path` is an entry of `folder` itself (one level below it).
bool PathIsDirectlyInside(const char *path, const char *folder);
// `path` is `folder` or one of the folders above it.
bool PathIsFolderOrAbove(const char *path, const char *folder);
