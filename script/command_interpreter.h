// The command interpreter: carries out one command of a product section at
// ScriptCursor, and for I and blocks everything nested in it.
//   C=source=destination  copy from the distribution into TargetFolder
//   D=\name               delete TargetFolder + name (joined as written)
//   F=folder              TargetFolder = ProductFolder\folder, made and logged
//   I=name                a command or block if TargetFolder\name exists,
//                         then optionally E and a command or block
//   M=program=title       Start Menu shortcut to ProductFolder\program
//   U=package             unpack with the shared key table into TargetFolder
//   Z=package             unpack with the product's key table
#pragma once

#include "script/install_host.h"

enum RunMode { RunCarryOut = 0, RunSkip = 1 };

// How deeply conditions (and the blocks they govern) may nest. Each level
// costs a few stack frames; a script nested deeper is a script error
// ("Blocks nested too deeply in SETUP file:"), not a stack overflow.
enum : int { NestingLimit = 64 };

// Returns true when the command was read (and, outside skip mode, carried
// out); false when an error has been shown, which ends the section. `host`
// makes the shortcuts of M.
bool RunCommand(RunMode mode, const InstallHost &host);

// Writes an "F" record for every pending folder, oldest first, and empties
// the pending list.
void WritePendingFolders();
