// Owning holders for Win32 handles; each closes its handle once, and copying
// is deleted so that no two holders ever own the same handle.
#pragma once

#include <windows.h>

class ScopedFile {
public:
  explicit ScopedFile(HANDLE handle) : handle_(handle) {}
  ~ScopedFile() {
    if (valid())
      CloseHandle(handle_);
  }
  ScopedFile(const ScopedFile &) = delete;
  ScopedFile &operator=(const ScopedFile &) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

private:
  HANDLE handle_;
};

class ScopedRegKey {
public:
  ScopedRegKey() = default;
  ~ScopedRegKey() {
    if (key_)
      RegCloseKey(key_);
  }
  ScopedRegKey(const ScopedRegKey &) = delete;
  ScopedRegKey &operator=(const ScopedRegKey &) = delete;
  HKEY get() const { return key_; }
  HKEY *receive() { return &key_; }

private:
  HKEY key_ = nullptr;
};

// Keeps the system from showing "insert a disk" boxes while removable or
// empty drives are probed; the previous error mode comes back at scope end.
class QuietDriveErrors {
public:
  QuietDriveErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~QuietDriveErrors() { SetErrorMode(previous_); }
  QuietDriveErrors(const QuietDriveErrors &) = delete;
  QuietDriveErrors &operator=(const QuietDriveErrors &) = delete;

private:
  UINT previous_;
};
