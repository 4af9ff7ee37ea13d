#include "base/uninstall_log.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/file_system.h"

namespace {
FILE *UninstallLog;
std::string LogPath;
void (*Observer)(char kind, const char *text, void *context);
void *ObserverContext;
}

bool OpenUninstallLog(const char *path) {
  CloseUninstallLog();
  UninstallLog = CreateOutputFile(path);
  if (UninstallLog)
    LogPath = path;
  return UninstallLog != nullptr;
}

void CloseUninstallLog() {
  if (UninstallLog)
    fclose(UninstallLog);
  UninstallLog = nullptr;
  LogPath.clear();
}

bool UninstallLogOpen() { return UninstallLog != nullptr; }

const char *UninstallLogPath() { return LogPath.c_str(); }

void WriteLogRecord(char kind, const char *text) {
  if (!UninstallLog)
    return;
  std::string record(1, kind);
  record += text;
  fwrite(record.c_str(), 1, record.size() + 1, UninstallLog);
  fflush(UninstallLog);
  if (Observer)
    Observer(kind, text, ObserverContext);
}

void ObserveLogRecords(void (*observer)(char kind, const char *text, void *context), void *context) {
  Observer = observer;
  ObserverContext = context;
}

bool WalkLogBackwards(const unsigned char *log, size_t size,
                      bool (*act)(char kind, const char *text, void *context), void *context) {
  while (size > 0 && log[size - 1] != '\0')
    size--; // a torn last record
  while (size > 1 && log[size - 2] == '\0')
    size--; // NULs where data never came
  if (size <= 1)
    return true;
  size_t p = size - 1; // on the NUL that ends the newest record
  for (;;) {
    while (p > 0 && log[p - 1] != '\0')
      p--;
    if (p == 0)
      return true; // the first record, the title, is never acted on
    char kind = static_cast<char>(toupper(log[p]));
    if (kind != 'F' && kind != 'D' && kind != 'K')
      return false;
    if (!act(kind, reinterpret_cast<const char *>(log + p + 1), context))
      return true;
    p--; // onto the NUL that ends the previous record
    if (p == 0)
      return true;
  }
}

void WalkLogInOrder(const unsigned char *log, size_t size,
                    void (*act)(const char *record, size_t length, void *context), void *context) {
  const char *bytes = reinterpret_cast<const char *>(log);
  size_t at = 0;
  while (at < size) {
    size_t length = strnlen(bytes + at, size - at);
    act(bytes + at, length, context);
    at += length + 1;
  }
}

bool ReadLogTitle(const unsigned char *log, size_t size, std::string &title) {
  title.clear();
  if (size == 0 || (log[0] != 'A' && log[0] != 'a'))
    return false;
  const void *end = memchr(log, '\0', size);
  if (!end)
    return false;
  title.assign(reinterpret_cast<const char *>(log + 1), static_cast<const unsigned char *>(end) - log - 1);
  return true;
}
