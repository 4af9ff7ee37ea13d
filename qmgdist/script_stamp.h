// Writing and checking the header checksum of a control script file.
#pragma once

#include <string>
#include <vector>

enum class StampStatus { Ok, Mismatch, Unusable };

// Writes the checksum of bytes 9 onwards into bytes 1 to 8 of the file. The
// first line must hold at least those 9 bytes and bytes 1 to 8 must already
// be hexadecimal digits (a placeholder or an older checksum); otherwise the
// file is not a script header and nothing is written.
// `report` receives one sentence about what happened.
StampStatus StampScript(const char *path, std::string &report);

// Ok when bytes 1 to 8 hold the checksum, Mismatch when they do not (or the
// file is shorter than 9 bytes), Unusable when the file cannot be read.
StampStatus VerifyScript(const char *path, std::string &report);

// Whether StampScript would stamp a script of these bytes: false, with one
// sentence in `report`, for a script in another encoding or without the
// eight digit places. build asks before it makes anything.
bool CanStampScript(const std::vector<unsigned char> &bytes, std::string &report);
