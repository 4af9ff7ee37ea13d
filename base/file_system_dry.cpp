// The file system of a dry run (base/dry_machine.h): the distribution folder
// is read from the disk, everything else is answered from memory, and each
// change is recorded instead of made. Files "created" are written to the
// null device, so that the code writing them runs as it would.
#include "base/file_system.h"

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "base/dry_machine.h"
#include "base/setup_state.h"

#ifdef _WIN32
#define QMG_NULL_DEVICE "NUL"
#else
#define QMG_NULL_DEVICE "/dev/null"
#endif

namespace {

bool InDistribution(const char *path) {
  size_t length = strlen(SourceFolder);
  return length > 0 && strncmp(path, SourceFolder, length) == 0;
}

PathKind KindOnDisk(const char *path) {
  struct stat info;
  if (stat(path, &info) != 0)
    return PathKind::Missing;
  return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

std::string ParentOf(const char *path) {
  std::string parent = path;
  size_t cut = parent.find_last_of("\\/");
  if (cut == std::string::npos)
    return "";
  parent.resize(cut);
  return parent;
}

bool ParentIsFolder(const char *path) {
  std::string parent = ParentOf(path);
  return !parent.empty() && QueryPathKind(parent.c_str()) == PathKind::Folder;
}

FILE *CreateDryFile(const char *path) {
  if (QueryPathKind(path) == PathKind::Folder || !ParentIsFolder(path) || InDistribution(path))
    return nullptr;
  AddDryFile(path);
  RecordDryOperation(std::string("file ") + path);
  return fopen(QMG_NULL_DEVICE, "wb");
}

} // namespace

const char PathSeparator = '\\';

PathKind QueryPathKind(const char *path) {
  if (InDistribution(path))
    return KindOnDisk(path);
  switch (DryPathKind(path)) {
  case 1:
    return PathKind::File;
  case 2:
    return PathKind::Folder;
  }
  return PathKind::Missing;
}

// The dry machine holds no links: what it knows is a file or a folder.
EntryKind QueryEntryKind(const char *path) {
  switch (QueryPathKind(path)) {
  case PathKind::File:
    return EntryKind::File;
  case PathKind::Folder:
    return EntryKind::Folder;
  case PathKind::Missing:
    break;
  }
  return EntryKind::Missing;
}

bool MakeFolder(const char *path) {
  if (QueryPathKind(path) != PathKind::Missing || !ParentIsFolder(path) || InDistribution(path))
    return false;
  AddDryFolder(path);
  RecordDryOperation(std::string("folder ") + path);
  return true;
}

bool MakeOwnedFolder(const char *path) { return MakeFolder(path); }

void NotifyFolderMade(const char *) {}

FILE *CreateOutputFile(const char *path) { return CreateDryFile(path); }

// The dry machine's folders are all real.
bool FolderLiesWhereMeant(const char *path) { return QueryPathKind(path) == PathKind::Folder; }

FILE *CreateNewOutputFile(const char *path, bool) {
  if (QueryPathKind(path) != PathKind::Missing)
    return nullptr;
  return CreateDryFile(path);
}

bool RemoveFileForReplacement(const char *path, bool) {
  switch (QueryPathKind(path)) {
  case PathKind::Missing:
    return true;
  case PathKind::Folder:
    return false;
  case PathKind::File:
    break;
  }
  if (InDistribution(path))
    return false;
  RemoveDryPath(path);
  RecordDryOperation(std::string("delete ") + path);
  return true;
}

void CopyFileReplacing(const char *source, const char *destination) {
  if (InDistribution(source) && QueryPathKind(source) != PathKind::File)
    NoteDryMissingSource(source);
  if (QueryPathKind(source) != PathKind::File || QueryPathKind(destination) == PathKind::Folder ||
      !ParentIsFolder(destination) || InDistribution(destination))
    return;
  AddDryFile(destination);
  RecordDryOperation(std::string("copy ") + source + " > " + destination);
}

// The dry machine cannot know every file of the real one, so every deletion
// asked for is recorded, whether or not the file is there.
void DeleteFileQuietly(const char *path) {
  if (QueryPathKind(path) == PathKind::Folder || InDistribution(path))
    return;
  RemoveDryPath(path);
  RecordDryOperation(std::string("delete ") + path);
}

bool AnsiToUtf8(const char *ansi, char *utf8, size_t capacity) {
  size_t length = strlen(ansi);
  if (length >= capacity)
    return false;
  memcpy(utf8, ansi, length + 1);
  return true;
}

void RestoreTimeAndAttributes(const char *, bool, uint16_t, uint16_t, bool, uint8_t) {}

void SetFolderAttributes(const char *, uint8_t) {}

unsigned VolumeMaxComponentLength(const char *) { return 255; }

void ConvertOemToAnsi(char *) {}
