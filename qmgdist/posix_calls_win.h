// The few POSIX calls build_verb.cpp makes that mingw-w64's C runtime lacks
// or spells differently, for the Windows build of qmgdist (the compiler
// puts this header before that file). lstat does not follow a junction or
// symbolic link: it reports one as a link, never as the folder it points
// to, so emptying OUT never walks through one into another tree.
#pragma once

#include <direct.h>
#include <stdlib.h>
#include <sys/stat.h>

#ifndef S_IFLNK
#define S_IFLNK 0xA000
#endif
#ifndef S_ISLNK
#define S_ISLNK(mode) (((mode) & 0xF000) == S_IFLNK)
#endif

int lstat(const char *path, struct stat *info);

inline int mkdir(const char *path, int) { return _mkdir(path); }

// The full path, without resolving links (Windows programs name files by
// their full paths).
inline char *realpath(const char *path, char *resolved) { return _fullpath(resolved, path, 260); }
