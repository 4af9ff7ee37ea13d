// What a file handed to build as SETUP.EXE or the uninstaller is. A
// distribution made with the wrong file (a README, the x86_64 twin, the
// uninstaller in SETUP.EXE's place) looks complete and fails on the
// player's machine, so build reads the file's Windows headers and version
// information before it uses it.
#pragma once

#include <string>

// True when `path` is the project's i686 Windows program whose version
// information names it `originalName` ("SETUP.EXE" or "unsetup.exe",
// compared without case) with the company "Quillmarsh Games"; with
// `x86_64Twin`, its x86_64 twin instead, which only tests take (on machines
// that run no 32-bit programs). Otherwise false, with one sentence in
// `report` that names the file and says what it is instead.
bool IsProjectProgram(const std::string &path, const char *originalName, bool x86_64Twin, std::string &report);
