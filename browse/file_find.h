// CFileFind walks the entries of one folder that match a wildcard pattern,
// one entry at a time, reading one entry ahead. Use:
//
//   CFileFind finder;
//   if (finder.FindFile("C:\\Games\\*.*")) {
//     bool more;
//     do {
//       more = finder.FindNextFile();
//       ... look at the current entry: IsDirectory, IsDots, GetFileName ...
//     } while (more);
//   }
//
// The call of FindNextFile that returns false has still made the last entry
// current, so such a loop sees every entry. The entry operations answer
// false (or an empty name) while there is no current entry.
//
// <windows.h> spells FindNextFile as FindNextFileA in ANSI builds; the
// member is renamed with it wherever this header is seen, which is why this
// header includes <windows.h> itself.
#pragma once

#include <windows.h>

#include <cstddef>

class CFileFind {
public:
  CFileFind();
  virtual ~CFileFind();
  CFileFind(const CFileFind &) = delete;
  CFileFind &operator=(const CFileFind &) = delete;

  // Copies the current entry's name into `destination` (`capacity` bytes)
  // and returns it; null, with `destination` empty, when there is no
  // current entry or the name does not fit.
  virtual char *GetFileName(char *destination, size_t capacity) const;
  // The folder of the pattern, a backslash unless that folder already ends
  // in a backslash or forward slash, and the current entry's name. Null,
  // with `destination` empty, when there is no current entry or the path
  // does not fit.
  virtual char *GetFilePath(char *destination, size_t capacity) const;
  // A directory named "." or "..".
  virtual bool IsDots() const;
  virtual bool IsDirectory() const;
  // The entry's attributes include FILE_ATTRIBUTE_NORMAL.
  virtual bool IsNormal() const;

  // Closes any earlier search and starts one for `pattern`. On failure the
  // object is closed and the thread's last error tells why: the code of the
  // system's search (no match, missing folder), ERROR_FILENAME_EXCED_RANGE
  // for a pattern that does not fit a find record's name field (259
  // characters), ERROR_INVALID_NAME when the pattern cannot be made
  // absolute, ERROR_NOT_ENOUGH_MEMORY.
  virtual bool FindFile(const char *pattern);
  // Makes the entry read ahead the current one and reads the next ahead;
  // false once the entry now current is the last one, or when no search is
  // open.
  virtual bool FindNextFile();

  // Ends the search and frees the records; harmless when closed.
  void Close();

private:
  WIN32_FIND_DATAA *foundRecord_;
  WIN32_FIND_DATAA *nextRecord_;
  HANDLE searchHandle_;
  char *root_; // absolute folder of the pattern, no trailing separator
  char separator_;
};
