// The head of an uninstall log as the uninstaller judges it before it asks
// anything: a log it may walk ends in a NUL and starts with the "A" record
// that names the product.
#pragma once

#include <cstddef>
#include <string>

// True, with the product's title in `title`, when the log read whole ends
// in a NUL and its first record is an "A" record (either case).
bool ReadLogTitle(const unsigned char *log, size_t size, std::string &title);
