#include "script/command_interpreter.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/file_system.h"
#include "base/folder_chain.h"
#include "base/path_format.h"
#include "base/path_rules.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "base/user_interface.h"
#include "package/unpack.h"
#include "script/script_reader.h"
#include "shell/shortcut.h"

namespace {

// Reads the first operand of C or M: up to "=", CR, LF or the end. True when
// it ended at "=", which is then stepped over.
bool ReadFirstOperand(std::string &operand) {
  operand.clear();
  while (ScriptCursor < ScriptLength) {
    char c = static_cast<char>(ScriptBuffer[ScriptCursor]);
    if (c == '=') {
      ScriptCursor++;
      return true;
    }
    if (c == '\r' || c == '\n')
      break;
    operand += c;
    ScriptCursor++;
  }
  return false;
}

// Reads "=first=second" of C and M from the command letter at the cursor.
// A first operand that ends without its "=" is reported with
// `missingSeparator` and the excerpt of the command line.
bool ReadOperandPair(const char *missingSeparator, std::string &first, char *second, size_t capacity) {
  char excerpt[ExcerptCapacity];
  CopyCommandLineExcerpt(ScriptCursor, excerpt);
  if (!ExpectEquals())
    return false;
  if (!ReadFirstOperand(first)) {
    ShowFormattedMessage(missingSeparator, excerpt);
    return false;
  }
  return ReadOperand(second, capacity);
}

// A path the script has the installer write or delete stays in the product
// folder: an operand that climbs out of it (F=..\\..\\WINDOWS) is refused.
bool StaysInProductFolder(const char *operand, const char *path) {
  if (!ClimbsOutOfItsFolder(operand))
    return true;
  ShowFormattedMessage("Path outside the product folder:\n%s", path);
  return false;
}

bool RunBlock(RunMode mode, const InstallHost &host) {
  ScriptCursor++; // the "{"
  for (;;) {
    int c = SkipBlanks() ? PeekUpper() : -1;
    if (c == -1 || c == 'L' || c == 'S') {
      ReportScriptError("Expected '}' at:\n%s", ScriptCursor);
      return false;
    }
    if (c == '}') {
      ScriptCursor++;
      return true;
    }
    if (!RunCommand(mode, host))
      return false;
  }
}

bool AtBlockStart() { return ScriptCursor < ScriptLength && ScriptBuffer[ScriptCursor] == '{'; }

bool RunCopy(RunMode mode) {
  std::string source;
  char second[TokenCapacity];
  if (!ReadOperandPair("Expected '=' separating file names in Copy at:\n%s", source, second, sizeof second))
    return false;
  char sourcePath[PathCapacity], destinationPath[PathCapacity];
  if (!FormatPath(sourcePath, sizeof sourcePath, "%s%s", SourceFolder, source.c_str()) ||
      !FormatPath(destinationPath, sizeof destinationPath, "%s\\%s", TargetFolder, second))
    return false;
  if (mode == RunSkip)
    return true;
  if (!StaysInProductFolder(second, destinationPath))
    return false;
  WriteLogRecord('D', destinationPath);
  CopyFileReplacing(sourcePath, destinationPath);
  return true;
}

bool RunDelete(RunMode mode) {
  if (!ExpectEquals() || !ReadOperand(TokenBuffer, sizeof TokenBuffer))
    return false;
  if (mode == RunSkip)
    return true;
  // Joined as written: D=\OLD.CFG names OLD.CFG inside the target folder.
  char path[PathCapacity];
  if (!FormatPath(path, sizeof path, "%s%s", TargetFolder, TokenBuffer) || !StaysInProductFolder(TokenBuffer, path))
    return false;
  // Without the separator the name joins the folder's own last name
  // (D=OLD.CFG in C:\QMG\GAME names C:\QMG\GAMEOLD.CFG); where that lies
  // outside the product folder, as beside a product folder that is the
  // install folder itself, there is nothing of the product's to delete.
  if (PathIsInside(path, ProductFolder))
    DeleteFileQuietly(path);
  return true;
}

bool RunFolder(RunMode mode) {
  if (!ExpectEquals() || !ReadOperand(TokenBuffer, sizeof TokenBuffer))
    return false;
  // A skipped F still moves the destination of the commands that follow.
  if (!FormatPath(TargetFolder, sizeof TargetFolder, "%s\\%s", ProductFolder, TokenBuffer) ||
      !StaysInProductFolder(TokenBuffer, TargetFolder))
    return false;
  if (mode == RunCarryOut && !CreateFolderChain(TargetFolder)) {
    TruncatePendingFolders(0);
    ShowFormattedMessage("Error creating folder:\n%s", TargetFolder);
    return false;
  }
  WritePendingFolders();
  return true;
}

// Counts the conditions being run, one inside the other.
int NestingDepth = 0;

class NestingLevel {
public:
  NestingLevel() { NestingDepth++; }
  ~NestingLevel() { NestingDepth--; }
  NestingLevel(const NestingLevel &) = delete;
  NestingLevel &operator=(const NestingLevel &) = delete;
  bool tooDeep() const { return NestingDepth > NestingLimit; }
};

bool RunCondition(RunMode mode, const InstallHost &host) {
  NestingLevel level;
  if (level.tooDeep()) {
    ReportScriptError("Blocks nested too deeply in SETUP file:\n%s", ScriptCursor);
    return false;
  }
  if (!ExpectEquals() || !ReadOperand(TokenBuffer, sizeof TokenBuffer))
    return false;
  char path[PathCapacity];
  if (!FormatPath(path, sizeof path, "%s\\%s", TargetFolder, TokenBuffer))
    return false;
  bool holds = QueryPathKind(path) != PathKind::Missing;

  // The then-part.
  if (!SkipBlanks())
    return true;
  if (AtBlockStart()) {
    if (!RunBlock(holds ? mode : RunSkip, host))
      return false;
  } else if (holds) {
    if (!RunCommand(mode, host))
      return false;
  } else {
    ReadToLineEnd(TokenBuffer, sizeof TokenBuffer); // the single command is dropped unread
  }

  // The else-part.
  if (!SkipBlanks() || PeekUpper() != 'E')
    return true;
  ScriptCursor++;
  bool more = SkipBlanks();
  if (holds) {
    if (more && AtBlockStart())
      return RunBlock(RunSkip, host);
    if (more)
      ReadToLineEnd(TokenBuffer, sizeof TokenBuffer);
    return true;
  }
  if (more && AtBlockStart())
    return RunBlock(mode, host);
  return more ? RunCommand(mode, host) : true;
}

bool RunShortcut(RunMode mode, const InstallHost &host) {
  std::string program;
  char title[TokenCapacity];
  if (!ReadOperandPair("Expected '=' separating EXE name from title in M at:\n%s", program, title, sizeof title))
    return false;
  char programPath[PathCapacity];
  if (!FormatPath(programPath, sizeof programPath, "%s\\%s", ProductFolder, program.c_str()))
    return false;
  if (mode == RunCarryOut)
    InstallShortcut(host.startMenu, programPath, title);
  return true;
}

bool RunUnpack(RunMode mode, const uint16_t *keyTable) {
  if (!ExpectEquals())
    return false;
  SetActivePackageKeyTable(keyTable);
  if (!ReadOperand(TokenBuffer, sizeof TokenBuffer))
    return false;
  // Room for the ".pk" that the extraction may append.
  char packagePath[PathCapacity + 3];
  if (!FormatPath(packagePath, PathCapacity, "%s%s", SourceFolder, TokenBuffer))
    return false;
  if (mode == RunSkip)
    return true;
  if (UnpackPackage(packagePath, sizeof packagePath, TargetFolder) != UnpackOk) {
    ShowFormattedMessage("Error unpacking %s", TokenBuffer);
    return false;
  }
  return true;
}

} // namespace

void WritePendingFolders() {
  for (const std::string &folder : PendingFolders())
    WriteLogRecord('F', folder.c_str());
  TruncatePendingFolders(0);
}

bool RunCommand(RunMode mode, const InstallHost &host) {
  switch (PeekUpper()) {
  case 'C':
    return RunCopy(mode);
  case 'D':
    return RunDelete(mode);
  case 'E':
    ReportScriptError("Unexpected 'E' (ELSE) at:\n%s", ScriptCursor);
    return false;
  case 'F':
    return RunFolder(mode);
  case 'I':
    return RunCondition(mode, host);
  case 'M':
    return RunShortcut(mode, host);
  case 'U':
    return RunUnpack(mode, SharedKeyTable);
  case 'Z':
    return RunUnpack(mode, ProductKeyTable);
  }
  ReportScriptError("Unknown command in SETUP file:\n%s", ScriptCursor);
  return false;
}
