#include "script/script_reader.h"

#include <cctype>
#include <cstring>

#include "base/setup_state.h"
#include "base/user_interface.h"

namespace {

bool InScript(uint32_t position) { return position < ScriptLength; }

bool IsLineBreak(unsigned char c) { return c == '\r' || c == '\n'; }

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || IsLineBreak(c); }

} // namespace

void AttachScript(const unsigned char *script, uint32_t length) {
  ScriptBuffer = script;
  ScriptLength = script ? length : 0;
  ScriptCursor = 0;
}

bool AtScriptEnd() { return !InScript(ScriptCursor); }

int PeekUpper() {
  return AtScriptEnd() ? -1 : toupper(ScriptBuffer[ScriptCursor]);
}

bool SkipToNextLine() {
  while (InScript(ScriptCursor) && !IsLineBreak(ScriptBuffer[ScriptCursor]))
    ScriptCursor++;
  while (InScript(ScriptCursor) && IsLineBreak(ScriptBuffer[ScriptCursor]))
    ScriptCursor++;
  return InScript(ScriptCursor);
}

bool SkipBlanks() {
  while (InScript(ScriptCursor)) {
    unsigned char c = ScriptBuffer[ScriptCursor];
    if (IsBlank(c))
      ScriptCursor++;
    else if (c == '#')
      SkipToNextLine();
    else
      return true;
  }
  return false;
}

bool ExpectEquals() {
  if (InScript(ScriptCursor)) {
    ScriptCursor++;
    if (InScript(ScriptCursor) && ScriptBuffer[ScriptCursor] == '=') {
      ScriptCursor++;
      return true;
    }
  }
  ReportScriptError("Error: '=' expected at:\n%s", ScriptCursor);
  EndSetupDialog(2);
  return false;
}

bool ReadToLineEnd(char *buffer, size_t capacity) {
  size_t used = 0;
  bool fits = true;
  while (InScript(ScriptCursor) && !IsLineBreak(ScriptBuffer[ScriptCursor])) {
    if (used + 1 < capacity)
      buffer[used++] = static_cast<char>(ScriptBuffer[ScriptCursor]);
    else
      fits = false;
    ScriptCursor++;
  }
  if (capacity > 0)
    buffer[used] = '\0';
  SkipToNextLine();
  return fits;
}

bool ReadOperand(char *buffer, size_t capacity) {
  uint32_t start = ScriptCursor;
  if (ReadToLineEnd(buffer, capacity))
    return true;
  ReportScriptError("Line too long in SETUP file:\n%s", start);
  return false;
}

void CopyGeneralExcerpt(uint32_t from, char excerpt[ExcerptCapacity]) {
  size_t used = 0;
  for (uint32_t p = from; used < ExcerptLength && InScript(p); p++)
    excerpt[used++] = static_cast<char>(ScriptBuffer[p]);
  excerpt[used] = '\0';
}

void CopyCommandLineExcerpt(uint32_t from, char excerpt[ExcerptCapacity]) {
  size_t used = 0;
  for (uint32_t p = from; used < ExcerptLength && InScript(p) && !IsLineBreak(ScriptBuffer[p]); p++)
    excerpt[used++] = static_cast<char>(ScriptBuffer[p]);
  excerpt[used] = '\0';
}

void ReadLineExcerpt() {
  ReadToLineEnd(TokenBuffer, sizeof TokenBuffer);
  TokenBuffer[ExcerptLength] = '\0';
}

void ReportScriptError(const char *format, uint32_t from) {
  char excerpt[ExcerptCapacity];
  CopyGeneralExcerpt(from, excerpt);
  ShowFormattedMessage(format, excerpt);
}
