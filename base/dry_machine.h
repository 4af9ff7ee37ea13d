// The machine a dry run installs on: it touches nothing. Folders of the disk
// it is given (the distribution folder among them) are seen as they are,
// until the run changes or deletes something in them; every other path
// lives in memory, in Windows' manner (case ignored, "/" taken as "\",
// drive roots always there), starting from the folders and files the run
// is given. Every change the run would make is recorded as one line
// of text, in order:
//   folder PATH          a folder made
//   file PATH            a file created (package members, the uninstall log)
//   copy SOURCE > PATH   a distribution file copied
//   delete PATH          a file deleted (asked for, whether or not it was there)
//   remove folder PATH   an empty folder removed
//   link PATH > PROGRAM  a Start Menu shortcut written
//   registry TEXT        a change to the Uninstall key (see script/dry_run.h)
//   message TEXT         a message shown (and "question TEXT" for a question)
// base/file_system_dry.cpp and base/user_interface_dry.cpp are the file
// system and the messages of a program linked for dry runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Forgets every path and operation; the machine then holds only drive roots.
void ResetDryMachine();

// Paths that exist before the run (full paths, "\" or "/").
void AddDryFolder(const std::string &path);
void AddDryFile(const std::string &path);
// A folder of the disk, seen with everything in it as it is (read, never
// written: what the run makes or deletes there is kept in memory).
void AddDryDiskFolder(const std::string &path);
void RemoveDryPath(const std::string &path);

// What is at `path` on the dry machine: 0 missing, 1 a file, 2 a folder.
int DryPathKind(const std::string &path);
// True when nothing on the dry machine lies inside the folder `path`.
bool DryFolderIsEmpty(const std::string &path);
// True when `path` is a file of a disk folder that the run has not touched,
// whose bytes can be read from the disk.
bool DryFileIsOnDisk(const std::string &path);

// The bytes of a file the run wrote and whose bytes are kept (the uninstall
// logs, so that a later run can read them back). A file made or deleted
// anew has none.
void AppendDryFileBytes(const std::string &path, const std::string &bytes);
// False when the machine keeps no bytes for `path`.
bool DryFileBytes(const std::string &path, std::vector<unsigned char> &bytes);

// Every path the run knows of that exists, upper-cased as the machine
// compares them, in sorted order (what disk folders hold, untouched, aside).
std::vector<std::string> DryPaths();

// Appends one line to the record of operations.
void RecordDryOperation(const std::string &line);

// Thrown by RecordDryOperation once the record holds `count` operations,
// after the last one took effect: a run cut off there, as by a power cut
// or a killed process. 0 (as after a reset) cuts nothing.
struct DryRunCut {};
void CutDryRunAfter(size_t count);
const std::vector<std::string> &DryOperations();
// Where ScriptCursor stood when each operation was recorded, in the same
// order: the script position that led to it.
const std::vector<uint32_t> &DryOperationCursors();

// Distribution files that a copy asked for and the distribution lacks (the
// installer passes over them in silence), each with ScriptCursor then.
struct DryMissingSource {
  std::string path;
  uint32_t cursor;
};
void NoteDryMissingSource(const std::string &path);
const std::vector<DryMissingSource> &DryMissingSources();

// Answers for the next questions, in order (true is Yes); a question with no
// answer left is answered No.
void AnswerDryQuestionsWith(const std::vector<bool> &answers);
bool NextDryAnswer();
