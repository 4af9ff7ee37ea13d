#include "package/member_output.h"

#include <cstring>
#include <memory>
#include <vector>

#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/uninstall_log.h"
#include "package/member_names.h"
#include "package/zip_records.h"

namespace {

bool OnOldFat(Extraction &x) {
  if (x.oldFat < 0)
    x.oldFat = VolumeMaxComponentLength(x.root.c_str()) < 13;
  return x.oldFat == 1;
}

// Makes the member's folders below the root, recording each one made.
// Returns the folder path ("" for the root itself) or false when a folder
// cannot be made. `lastMade` tells whether the deepest one was made now.
bool MakeMemberFolders(Extraction &x, const MappedName &mapped, std::string &folder, bool &lastMade) {
  folder = x.root;
  lastMade = false;
  for (size_t i = 0; i < mapped.folders.size(); i++) {
    if (i > 0)
      folder += '/';
    folder += mapped.folders[i];
    if (folder.size() > FolderPathLimit)
      return false;
    // A link below the root could lead anywhere: the member is refused
    // rather than written through it.
    EntryKind kind = QueryEntryKind(folder.c_str());
    if (kind == EntryKind::File || kind == EntryKind::Link)
      return false;
    lastMade = kind == EntryKind::Missing;
    if (lastMade) {
      WriteLogRecord('F', folder.c_str()); // recorded first: a cut leaves nothing unlisted
      if (!MakeFolder(folder.c_str()))
        return false;
    }
  }
  // Found or made, the member's folder must lie where its path says: a
  // junction swapped in above it meanwhile would lead elsewhere. (The
  // check covers every folder on the way.)
  return mapped.folders.empty() || FolderLiesWhereMeant(folder.c_str());
}

std::string WithNativeSeparators(std::string path) {
  for (char &c : path)
    if (c == '/')
      c = PathSeparator;
  return path;
}

std::string LastComponent(const std::string &name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

} // namespace

bool SetUpDestination(Extraction &x, const char *destination) {
  std::vector<char> text(destination, destination + strlen(destination) + 1);
  DropTrailingSeparator(text.data(), PathSeparator);
  std::string folder = text.data();
  bool driveRoot = folder.size() == 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
  if (QueryPathKind(folder.c_str()) != PathKind::Folder) {
    WriteLogRecord('F', folder.c_str());
    if (!MakeFolder(folder.c_str()))
      return false;
  }
  // A drive root keeps its own separator: "C:" alone would mean the drive's
  // current folder, not its root.
  x.root = driveRoot ? folder : folder + "/";
  return true;
}

bool PrepareOutputPath(Extraction &x, const ZipMember &m, const std::string &stored, const uint8_t *extra,
                       size_t extraLength, OutputFile &out) {
  std::string name = stored;
  if (name.size() > MemberNameLimit) {
    name.resize(MemberNameLimit);
    RaiseResult(x, UnpackWarning);
  }
  if (NameIsOem(m.host, m.version)) {
    std::unique_ptr<char[]> converted(new char[name.size() + 1]);
    memcpy(converted.get(), name.c_str(), name.size() + 1);
    ConvertOemToAnsi(converted.get());
    name = converted.get();
  }
  bool utf8Flag = (m.flags & FlagUtf8Names) != 0;
  std::string utf8Name;
  if (utf8Flag)
    utf8Name = stored;
  if (utf8Flag || FindUnicodePath(extra, extraLength, stored, utf8Name)) {
    name = EscapeUtf8Name(utf8Name);
    if (name.size() > MemberNameLimit) {
      name.resize(MemberNameLimit);
      RaiseResult(x, UnpackWarning);
    }
  }
  if (IsVolumeLabel(m.host, m.attributes))
    return false;
  if (name.find('/') == std::string::npos && name.find('\\') != std::string::npos) {
    for (char &c : name)
      if (c == '\\')
        c = '/';
    for (char &c : utf8Name)
      if (c == '\\')
        c = '/';
    RaiseResult(x, UnpackWarning);
  }

  bool oldFat = OnOldFat(x);
  MappedName mapped;
  std::string folder;
  bool lastMade;
  if (!MapMemberName(name, oldFat, mapped) || !MakeMemberFolders(x, mapped, folder, lastMade)) {
    RaiseResult(x, UnpackMemberFailed);
    return false;
  }
  if (mapped.folders.empty() && mapped.file.empty()) {
    RaiseResult(x, UnpackMemberFailed); // nothing left of the name to make
    return false;
  }
  if (mapped.folderEntry) {
    if (lastMade && (m.attributes & 0x6F))
      SetFolderAttributes(folder.c_str(), m.attributes);
    return false;
  }
  if (mapped.file.empty()) {
    RaiseResult(x, UnpackMemberFailed);
    return false;
  }
  std::string joint = folder.size() > x.root.size() ? "/" : "";
  // Names flagged as UTF-8 keep their real characters in the file name; the
  // file goes into the folder made above, under the same cleaning rules.
  std::string realName = utf8Flag && !oldFat ? CleanComponent(LastComponent(utf8Name), true, false) : "";
  if (IsOnlyDotsAndBlanks(realName)) {
    RaiseResult(x, UnpackMemberFailed);
    return false;
  }
  if (!realName.empty()) {
    char folderUtf8[4 * 512];
    if (!AnsiToUtf8(folder.c_str(), folderUtf8, sizeof folderUtf8)) {
      RaiseResult(x, UnpackMemberFailed);
      return false;
    }
    out.path = WithNativeSeparators(folderUtf8 + joint + realName);
    out.utf8 = true;
  } else {
    out.path = WithNativeSeparators(folder + joint + mapped.file);
  }
  return true;
}

bool CreateMemberFile(Extraction &x, OutputFile &out) {
  if (!RemoveFileForReplacement(out.path.c_str(), out.utf8)) {
    RaiseResult(x, UnpackWriteFailed);
    return false;
  }
  // Recorded before it is made, so that a cut in between leaves no file
  // that the log does not name; a record of a file that is not there is
  // no failure for a removal.
  WriteLogRecord('D', out.path.c_str());
  out.file = CreateNewOutputFile(out.path.c_str(), out.utf8);
  if (!out.file) {
    RaiseResult(x, UnpackWriteFailed);
    return false;
  }
  // The 32 KB pieces gather in a larger buffer: fewer, larger writes.
  setvbuf(out.file, x.buffers->output.get(), _IOFBF, OutputBufferSize);
  return true;
}

bool CloseMemberFile(OutputFile &out) {
  bool closed = fclose(out.file) == 0;
  out.file = nullptr;
  return closed;
}

void DropMemberFile(const OutputFile &out) { RemoveFileForReplacement(out.path.c_str(), out.utf8); }

void FinishMemberFile(const OutputFile &out, const uint8_t *localHeader, uint8_t attributes) {
  RestoreTimeAndAttributes(out.path.c_str(), out.utf8, Le16(localHeader + local::Date),
                           Le16(localHeader + local::Time), (attributes & 0x5F) != 0, attributes);
}
