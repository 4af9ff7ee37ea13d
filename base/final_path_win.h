// Where an open file or folder really lies. Checking a path and then
// acting on it leaves a moment in which someone who may change a folder on
// the way can swap a junction in; checking the handle that is acted on
// leaves none. Windows XP lacks the calls behind these: there the
// final-path half of the check is skipped and the folder half stays.
#pragma once

#include <windows.h>

#include <string>

// Texts equal without regard to case, as the file system compares names.
bool SameText(const std::wstring &a, const std::wstring &b);

// A folder that exists and is no symbolic link, junction or other reparse
// point. "C:" is taken as the drive's root.
bool IsRealFolder(const std::wstring &folder);

// True when what `handle` is open on lies at `folder` + `rest`, reached
// from `folder` through real folders only: `folder` (no trailing
// separator, "C:" for a drive's root) and every folder that `rest` (which
// starts with a separator) passes through are real folders, and the
// handle's final path is `folder`'s final path followed by `rest`.
bool LiesBelow(HANDLE handle, const std::wstring &folder, const std::wstring &rest);

// Deletes what `handle` is open on (opened with DELETE access); for a
// folder, only when it is empty. False when that failed.
bool DeleteThroughHandle(HANDLE handle);

// Sets the attributes of what `handle` is open on (opened with
// FILE_WRITE_ATTRIBUTES), or clears its read-only attribute alone.
bool SetAttributesThroughHandle(HANDLE handle, DWORD attributes);
bool ClearReadOnlyThroughHandle(HANDLE handle);
