// The uninstall log unsetup.ctl: a sequence of records, each a kind letter,
// its text and a NUL, with no header and no line breaks.
//   A title      first and only once; never acted on
//   F folder     remove the folder if it is empty
//   D file       delete the file
//   K subkey     delete that subkey of the Uninstall key
// This is the one place that writes records and the one place that walks them.
#pragma once

#include <cstddef>
#include <string>

// Creates the log anew at `path` (replacing an older one). False when it
// cannot be created.
bool OpenUninstallLog(const char *path);
void CloseUninstallLog();
bool UninstallLogOpen();
// The path the open log was created at ("" when none is open).
const char *UninstallLogPath();

// Appends one record while the log is open; does nothing otherwise. The
// record is written whole, however long its text, and reaches the file at
// once, so a log cut short by a failure still ends in a complete record.
void WriteLogRecord(char kind, const char *text);

// Passes every record written to the open log from now on to `observer` as
// well (nullptr for none): a dry run, whose log goes nowhere, keeps its
// records so.
void ObserveLogRecords(void (*observer)(char kind, const char *text, void *context), void *context);

// Walks a log read whole into memory from its newest record back to (not
// including) the first, calling `act` with the upper-cased kind and the text
// of each. A record of another kind than F, D or K (an empty record, an "A"
// other than the first) makes the log invalid: the walk stops there.
// Returns false for an invalid log. `act` returns false to stop the walk
// early.
// A log torn by a power loss keeps its complete records: bytes after the
// last NUL (a record whose end never reached the disk) and NULs after the
// last record's own (room the file system gave the file whose data never
// came; the writer never writes an empty record) are passed over, and the
// records before them are walked.
bool WalkLogBackwards(const unsigned char *log, size_t size,
                      bool (*act)(char kind, const char *text, void *context), void *context);

// Walks a log read whole into memory in the order it was written, the
// title included, calling `act` with each record's bytes (kind letter
// first, without its NUL) and their count. Nothing is judged: empty records
// are passed on as such, and bytes after the last NUL make a last record.
// For showing and comparing logs; removals walk backwards.
void WalkLogInOrder(const unsigned char *log, size_t size,
                    void (*act)(const char *record, size_t length, void *context), void *context);

// True, with the product's title in `title`, when the log read whole starts
// with a complete "A" record (either case): the head the uninstaller asks
// about, and the installer checks before it removes an unregistered
// install. A torn tail does not matter here, as for the walk.
bool ReadLogTitle(const unsigned char *log, size_t size, std::string &title);
