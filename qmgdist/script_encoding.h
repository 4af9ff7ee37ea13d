// The encodings a control script can arrive in. SETUP.EXE reads the script
// as 8-bit text in the player's ANSI code page: a byte-order mark becomes
// part of the header line, UTF-16 text is unreadable, and the bytes of a
// name above 0x7F name different files under different code pages.
#pragma once

#include <string>
#include <vector>

// One sentence when the script is UTF-16 text or begins with a byte-order
// mark, saying which and how to save it instead; "" for 8-bit text.
std::string ScriptEncodingProblem(const std::vector<unsigned char> &script);

// True when every byte of `text` is below 0x80.
bool IsAsciiText(const std::string &text);
// True when `bytes` are well-formed UTF-8 (ASCII included).
bool IsUtf8Text(const std::string &bytes);
