// Paths built from a format and two strings into a fixed buffer, never cut:
// a path that does not fit is refused, so that it can never name another,
// shorter one.
#pragma once

#include <cstddef>

// Builds `format` with two strings into `out`. True when the whole result
// fits; otherwise `out` holds its start and the path must not be used.
bool JoinPath(char *out, size_t capacity, const char *format, const char *first, const char *second);

// JoinPath, and when the result does not fit, shows "Path too long:" with
// the start of it and returns false.
bool FormatPath(char *out, size_t capacity, const char *format, const char *first, const char *second);
