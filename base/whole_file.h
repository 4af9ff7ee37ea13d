// Reading a file whole into memory: the control script and uninstall logs,
// both small files that are read once and then walked in memory.
#pragma once

#include <vector>

// Reads the file at `path` (an ANSI path) into `bytes`. False, with `bytes`
// empty, when nothing usable is there: the path is missing or a folder, the
// file is empty, larger than 4 GiB or than memory, or cannot be opened or
// read in full.
bool ReadWholeFile(const char *path, std::vector<unsigned char> &bytes);
