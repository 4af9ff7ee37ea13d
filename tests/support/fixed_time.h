// 2001-02-03 04:05:06 local time: the time test fixtures give their files.
// A winter date, so there is no summer-time doubt, and an even second, which
// DOS times can hold.
#pragma once

#include <ctime>

inline time_t FixedLocalTime() {
  struct tm local = {};
  local.tm_year = 101;
  local.tm_mon = 1;
  local.tm_mday = 3;
  local.tm_hour = 4;
  local.tm_min = 5;
  local.tm_sec = 6;
  local.tm_isdst = -1;
  return mktime(&local);
}
