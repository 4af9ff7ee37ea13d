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

// An ANSI or UTF-8 path as UTF-16, at most 1024 units, so that both kinds
// go through the same wide calls; empty when it does not convert (UTF-8
// that is not valid does not).
std::wstring WidePathOf(const char *path, bool utf8);

inline bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Splits `path` at `folder` when it lies strictly inside it: `floor` is
// `folder` without a trailing separator ("C:" for a drive's root), set
// whether or not `path` lies inside, and `rest` the remainder, which
// starts with a separator, with "/" read as "\". False when `path` does
// not lie strictly inside `folder` (or `folder` is empty).
bool SplitBelow(const std::wstring &path, const std::wstring &folder, std::wstring &floor, std::wstring &rest);

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
