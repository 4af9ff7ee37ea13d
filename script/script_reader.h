// The control script's token reader. It reads ScriptBuffer in place from
// ScriptCursor forwards and never past ScriptLength. Line breaks are runs of
// CR and LF; blanks are space, TAB, CR and LF; "#" met while skipping blanks
// starts a comment that runs to the end of its line.
#pragma once

#include <cstddef>
#include <cstdint>

enum : size_t { ExcerptLength = 20, ExcerptCapacity = ExcerptLength + 1 };

// Points the reader at a script. Sets ScriptBuffer, ScriptLength and puts
// ScriptCursor at the start.
void AttachScript(const unsigned char *script, uint32_t length);

bool AtScriptEnd();
// The character at the cursor upper-cased with toupper, or -1 at the end.
int PeekUpper();

// Moves past the current line and its break; true when a character remains.
bool SkipToNextLine();
// Moves over blanks and comments; true when it stops on a character.
bool SkipBlanks();
// Steps over one character and requires "=" right after it. On failure shows
// "Error: '=' expected at:" with an excerpt, ends the setup dialog with 2
// and returns false.
bool ExpectEquals();
// Copies up to the next CR, LF or the end into `buffer` (NUL-terminated),
// then moves to the next line. Returns false when the operand did not fit and
// was cut to capacity - 1 characters.
bool ReadToLineEnd(char *buffer, size_t capacity);

// ReadToLineEnd for an operand that must be taken whole: one longer than
// the buffer is reported ("Line too long in SETUP file:") and refused, so
// that a name is never cut into another name.
bool ReadOperand(char *buffer, size_t capacity);

// Excerpts for messages: at most 20 characters, NUL-terminated.
// The general excerpt runs over line breaks; the command-line excerpt stops
// at CR or LF.
void CopyGeneralExcerpt(uint32_t from, char excerpt[ExcerptCapacity]);
void CopyCommandLineExcerpt(uint32_t from, char excerpt[ExcerptCapacity]);
// Reads the rest of the line at the cursor into TokenBuffer and cuts it
// after 20 characters.
void ReadLineExcerpt();

// Shows `format` (one %s) with the general excerpt taken at `from`.
void ReportScriptError(const char *format, uint32_t from);
