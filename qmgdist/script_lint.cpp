#include "qmgdist/script_lint.h"

#include <cstdio>
#include <cstring>

#include "base/dry_machine.h"
#include "base/setup_state.h"
#include "base/user_interface.h"
#include "qmgdist/member_name_check.h"
#include "qmgdist/script_encoding.h"
#include "script/command_interpreter.h"
#include "script/dry_run.h"
#include "script/script_reader.h"

namespace {

const char ProgramsFolder[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";

std::vector<LintFinding> *Findings;
bool ScriptIsUtf8 = false;
size_t MessagesSeen = 0;

// Takes the messages the reader showed since the last call as errors.
void CollectMessages() {
  const std::vector<std::string> &operations = DryOperations();
  for (; MessagesSeen < operations.size(); MessagesSeen++)
    if (operations[MessagesSeen].compare(0, 8, "message ") == 0)
      Findings->push_back({DryOperationCursors()[MessagesSeen], true, operations[MessagesSeen].substr(8), ""});
}

void Warn(uint32_t at, const std::string &text, const char *kind) { Findings->push_back({at, false, text, kind}); }

// The warnings about one operand that names a file or folder.
void CheckName(uint32_t at, const std::string &name) {
  if (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
    Warn(at, "\"" + ShownName(name) + "\" ends in a blank: the file name would end in a blank, which Windows drops",
         "trailing-blank");
  if (!IsAsciiText(name))
    Warn(at,
         "\"" + ShownName(name) +
             "\" holds bytes of 0x80 and above: SETUP.EXE reads them in the player's ANSI code page, so they name "
             "other files on players' PCs with another code page" +
             (ScriptIsUtf8 ? "; this script is UTF-8, whose letters beyond ASCII SETUP.EXE reads as two or three "
                             "other letters each"
                           : ""),
         "non-ascii");
}

// The operands of the command line at `at` ("X=..."), split at the first
// "=" for C and M; `names` says which of them name files.
void CheckOperands(uint32_t at, bool pair, bool secondIsName) {
  std::string line;
  for (uint32_t p = at + 2; p < ScriptLength && ScriptBuffer[p] != '\r' && ScriptBuffer[p] != '\n'; p++)
    line += static_cast<char>(ScriptBuffer[p]);
  if (at + 1 >= ScriptLength || ScriptBuffer[at + 1] != '=')
    return;
  size_t equals = pair ? line.find('=') : std::string::npos;
  if (!pair || equals == std::string::npos) {
    CheckName(at, line);
    return;
  }
  CheckName(at, line.substr(0, equals));
  if (secondIsName)
    CheckName(at, line.substr(equals + 1));
}

bool AtSectionOrEnd() {
  if (!SkipBlanks())
    return true;
  int c = PeekUpper();
  return c == 'L' || c == 'S';
}

// After a mistake on the line that begins at `start`: on to the next line,
// unless the reader has moved past that one already.
void Resynchronise(uint32_t start) {
  bool sameLine = true;
  for (uint32_t p = start; p < ScriptCursor && sameLine; p++)
    sameLine = ScriptBuffer[p] != '\r' && ScriptBuffer[p] != '\n';
  if (sameLine) {
    ScriptCursor = start;
    SkipToNextLine();
  }
}

void LintCommand(int depth);

// A block from its "{" to its "}": what SETUP.EXE runs or skips alike.
void LintBlock(int depth) {
  ScriptCursor++;
  for (;;) {
    if (AtSectionOrEnd()) {
      ReportScriptError("Expected '}' at:\n%s", ScriptCursor);
      CollectMessages();
      return;
    }
    if (PeekUpper() == '}') {
      ScriptCursor++;
      return;
    }
    LintCommand(depth);
  }
}

// I=name, the then-part, and an E with its part: both parts are read,
// whichever the player's machine would take.
void LintCondition(uint32_t start, int depth) {
  if (!ExpectEquals() || !ReadOperand(TokenBuffer, sizeof TokenBuffer)) {
    CollectMessages();
    Resynchronise(start);
    return;
  }
  CheckOperands(start, false, false);
  for (int part = 0; part < 2; part++) {
    if (AtSectionOrEnd())
      return;
    if (part == 1) {
      if (PeekUpper() != 'E')
        return;
      ScriptCursor++;
      if (AtSectionOrEnd())
        return;
    }
    if (ScriptBuffer[ScriptCursor] == '{')
      LintBlock(depth + 1);
    else
      LintCommand(depth + 1);
  }
}

void LintCommand(int depth) {
  uint32_t start = ScriptCursor;
  int letter = PeekUpper();
  if (depth > NestingLimit) {
    ReportScriptError("Blocks nested too deeply in SETUP file:\n%s", ScriptCursor);
  } else if (letter == 'I') {
    LintCondition(start, depth);
    return;
  } else if (letter == 'E') {
    ReportScriptError("Unexpected 'E' (ELSE) at:\n%s", ScriptCursor);
  } else if (letter == '{') {
    // SETUP.EXE stops at a block no I governs; its lines are read still.
    ReportScriptError("Unknown command in SETUP file:\n%s", ScriptCursor);
    CollectMessages();
    LintBlock(depth + 1);
    return;
  } else if (letter > 0 && strchr("CDFMUZ", letter)) {
    bool read = RunCommand(RunSkip, DryInstallHost());
    CollectMessages();
    if (read) {
      CheckOperands(start, letter == 'C' || letter == 'M', letter == 'C');
      return;
    }
  } else {
    ReportScriptError("Unknown command in SETUP file:\n%s", ScriptCursor);
  }
  CollectMessages();
  Resynchronise(start);
}

// One head line "letter=operand"; false, with SETUP.EXE's message, when the
// line is not there.
bool LintHeadLine(char letter, const char *missingMessage, bool names) {
  bool missing = AtSectionOrEnd() || PeekUpper() != letter;
  if (missing) {
    if (letter == 'K')
      return false;
    // The message quotes the line found instead, which is then read on as
    // a command (or as the next section).
    uint32_t found = ScriptCursor;
    ReadLineExcerpt();
    ShowFormattedMessage(missingMessage, TokenBuffer);
    CollectMessages();
    ScriptCursor = found;
    return false;
  }
  uint32_t start = ScriptCursor;
  if (!ExpectEquals() || !ReadOperand(TokenBuffer, sizeof TokenBuffer)) {
    CollectMessages();
    Resynchronise(start);
    return true;
  }
  if (names)
    CheckOperands(start, false, false);
  return true;
}

void LintSection() {
  uint32_t start = ScriptCursor;
  // The section line: letter, two code characters, "=".
  ScriptCursor = start + 1 < ScriptLength ? start + 2 : ScriptLength;
  if (!ExpectEquals()) {
    CollectMessages();
    ScriptCursor = start;
    SkipToNextLine();
  } else {
    ReadToLineEnd(TokenBuffer, sizeof TokenBuffer);
  }
  LintHeadLine('V', "Expected VERSION specification in CTL file:\n%s", false);
  while (LintHeadLine('K', "", true)) {
  }
  LintHeadLine('F', "Expected FOLDER specification in CTL file:\n%s", true);
  snprintf(TargetFolder, sizeof TargetFolder, "%s", ProductFolder);
  while (!AtSectionOrEnd()) {
    if (PeekUpper() == '}') {
      ReportScriptError("Unknown command in SETUP file:\n%s", ScriptCursor);
      CollectMessages();
      SkipToNextLine();
      continue;
    }
    LintCommand(0);
  }
}

} // namespace

std::vector<LintFinding> LintScript() {
  std::vector<LintFinding> findings;
  Findings = &findings;
  ScriptIsUtf8 = IsUtf8Text(std::string(reinterpret_cast<const char *>(ScriptBuffer), ScriptLength));
  StartDryRun(ProgramsFolder);
  MessagesSeen = DryOperations().size();
  snprintf(InstallFolder, sizeof InstallFolder, "C:\\QMG");
  snprintf(ProductFolder, sizeof ProductFolder, "C:\\QMG\\PRODUCT");
  ScriptCursor = 0;
  while (SkipBlanks()) {
    int letter = PeekUpper();
    if (letter == 'L' || letter == 'S')
      LintSection();
    else
      SkipToNextLine();
  }
  ScriptCursor = 0;
  Findings = nullptr;
  return findings;
}
