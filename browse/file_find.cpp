#include "browse/file_find.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/setup_state.h"

namespace {

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

char *Refuse(char *destination, size_t capacity) {
  if (capacity > 0)
    destination[0] = '\0';
  return nullptr;
}

} // namespace

CFileFind::CFileFind()
    : foundRecord_(nullptr), nextRecord_(nullptr), searchHandle_(nullptr), root_(nullptr), separator_('\\') {}

CFileFind::~CFileFind() { Close(); }

void CFileFind::Close() {
  delete foundRecord_;
  foundRecord_ = nullptr;
  delete nextRecord_;
  nextRecord_ = nullptr;
  if (searchHandle_ && searchHandle_ != INVALID_HANDLE_VALUE)
    FindClose(searchHandle_);
  searchHandle_ = nullptr;
  delete[] root_;
  root_ = nullptr;
}

bool CFileFind::FindFile(const char *pattern) {
  Close();
  size_t length = strlen(pattern);
  if (length >= sizeof nextRecord_->cFileName)
    return Fail(ERROR_FILENAME_EXCED_RANGE);
  nextRecord_ = new (std::nothrow) WIN32_FIND_DATAA();
  if (!nextRecord_)
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  memcpy(nextRecord_->cFileName, pattern, length + 1);

  searchHandle_ = ::FindFirstFileA(pattern, nextRecord_);
  if (searchHandle_ == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    Close();
    return Fail(error);
  }

  root_ = new (std::nothrow) char[PathCapacity];
  if (!root_) {
    Close();
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  if (!_fullpath(root_, pattern, PathCapacity)) {
    Close();
    return Fail(ERROR_INVALID_NAME);
  }
  // The folder is everything before the last separator: C:\Games\*.* gives
  // C:\Games, and C:\*.* gives C: alone.
  char *backslash = strrchr(root_, '\\');
  char *slash = strrchr(root_, '/');
  char *cut = backslash > slash ? backslash : slash;
  if (cut)
    *cut = '\0';
  return true;
}

bool CFileFind::FindNextFile() {
  if (!searchHandle_ || searchHandle_ == INVALID_HANDLE_VALUE)
    return false;
  if (!foundRecord_) {
    foundRecord_ = new (std::nothrow) WIN32_FIND_DATAA();
    if (!foundRecord_)
      return false;
  }
  WIN32_FIND_DATAA *current = nextRecord_;
  nextRecord_ = foundRecord_;
  foundRecord_ = current;
  return ::FindNextFileA(searchHandle_, nextRecord_) != FALSE;
}

char *CFileFind::GetFileName(char *destination, size_t capacity) const {
  if (!foundRecord_)
    return Refuse(destination, capacity);
  size_t length = strnlen(foundRecord_->cFileName, sizeof foundRecord_->cFileName);
  if (length >= capacity)
    return Refuse(destination, capacity);
  memcpy(destination, foundRecord_->cFileName, length);
  destination[length] = '\0';
  return destination;
}

char *CFileFind::GetFilePath(char *destination, size_t capacity) const {
  if (!foundRecord_ || !root_)
    return Refuse(destination, capacity);
  size_t rootLength = strlen(root_);
  bool separated = rootLength > 0 && (root_[rootLength - 1] == '\\' || root_[rootLength - 1] == '/');
  size_t prefix = rootLength + (separated ? 0 : 1);
  if (prefix >= capacity)
    return Refuse(destination, capacity);
  memcpy(destination, root_, rootLength);
  if (!separated)
    destination[rootLength] = separator_;
  if (!GetFileName(destination + prefix, capacity - prefix))
    return Refuse(destination, capacity);
  return destination;
}

bool CFileFind::IsDirectory() const {
  return foundRecord_ && (foundRecord_->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CFileFind::IsNormal() const { return foundRecord_ && (foundRecord_->dwFileAttributes & FILE_ATTRIBUTE_NORMAL); }

bool CFileFind::IsDots() const {
  if (!IsDirectory())
    return false;
  const char *name = foundRecord_->cFileName;
  return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}
