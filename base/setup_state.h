// Process-wide state of the installer: plain globals, created at start-up or
// at the start of a product, touched only from the one user-interface thread.
// This header is portable; the window, module and palette handles live in
// base/setup_state_win.h.
#pragma once

#include <cstddef>
#include <cstdint>

enum : size_t {
  PathCapacity = 512,     // every ANSI path buffer, terminator included
  MessageCapacity = 1024, // formatted message texts
  TokenCapacity = 512,    // operands and excerpts
  TitleCapacity = 128,    // ProductTitle and ProductVersion
  ProductSlotCount = 64,
  KeyTableWords = 128,
};

// The distribution folder, always ending in a backslash.
extern char SourceFolder[PathCapacity];
// The chosen install folder: absolute, no trailing backslash except at a root.
extern char InstallFolder[PathCapacity];

extern char ProductTitle[TitleCapacity];
extern char ProductVersion[TitleCapacity];
extern char ProductFolder[PathCapacity];
extern char TargetFolder[PathCapacity];

// The whole control script as stored, without a terminator. Positions in it
// are byte offsets; ScriptLength 0 reads as an empty script.
extern const unsigned char *ScriptBuffer;
extern uint32_t ScriptLength;
extern uint32_t ScriptCursor;

extern char TokenBuffer[TokenCapacity];
extern char MessageBuffer[MessageCapacity];
extern char PathBuffer[PathCapacity];

// Script position of each offered product's title, indexed by product slot.
extern uint32_t ProductSections[ProductSlotCount];
// Products handed to the installation driver in this run.
extern unsigned ProductsRun;
extern bool SetupAborted;

extern int ScreenWidth;
extern int ScreenHeight;

extern uint16_t SharedKeyTable[KeyTableWords];
extern uint16_t ProductKeyTable[KeyTableWords];
