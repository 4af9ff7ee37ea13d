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
  // Closes the key now; the holder can then receive another.
  void reset() {
    if (key_)
      RegCloseKey(key_);
    key_ = nullptr;
  }

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

// A memory device context compatible with `reference` (the screen when it is
// null), deleted at scope end.
class ScopedMemoryDC {
public:
  explicit ScopedMemoryDC(HDC reference) : dc_(CreateCompatibleDC(reference)) {}
  ~ScopedMemoryDC() {
    if (dc_)
      DeleteDC(dc_);
  }
  ScopedMemoryDC(const ScopedMemoryDC &) = delete;
  ScopedMemoryDC &operator=(const ScopedMemoryDC &) = delete;
  bool valid() const { return dc_ != nullptr; }
  HDC get() const { return dc_; }

private:
  HDC dc_;
};

// A GDI object (bitmap, brush, pen) deleted at scope end.
class ScopedGdiObject {
public:
  explicit ScopedGdiObject(HGDIOBJ object) : object_(object) {}
  ~ScopedGdiObject() {
    if (object_)
      DeleteObject(object_);
  }
  ScopedGdiObject(const ScopedGdiObject &) = delete;
  ScopedGdiObject &operator=(const ScopedGdiObject &) = delete;
  HGDIOBJ get() const { return object_; }

private:
  HGDIOBJ object_;
};

// Selects a GDI object into a device context; the object it replaced goes
// back in at scope end. Declare it after the holders of the context and the
// object, so that it is undone before either is deleted.
class ScopedSelection {
public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~ScopedSelection() {
    if (selected())
      SelectObject(dc_, old_);
  }
  ScopedSelection(const ScopedSelection &) = delete;
  ScopedSelection &operator=(const ScopedSelection &) = delete;
  bool selected() const { return old_ != nullptr && old_ != HGDI_ERROR; }

private:
  HDC dc_;
  HGDIOBJ old_;
};
