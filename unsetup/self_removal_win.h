// The uninstaller takes away its own program file and the product folder it
// lies in, which it cannot do while it runs from there. A copy of the
// program in a fresh folder of the temporary folder does it once the
// uninstaller has ended:
//   1. The uninstaller opens the product folder, refusing a junction or
//      link, and shares it with no one who would delete or rename it, so
//      that nothing can be put in its place while the handles are used;
//      then it opens its program file inside it (a link put there is opened
//      as the link itself). Both handles carry the right to delete and are
//      inherited by the copy, and so is a handle of the uninstaller's own
//      process.
//   2. The copy goes into a folder made with a new unique name under the
//      temporary folder (creation fails if the name exists, so no one else
//      owns it) and is started with an internal argument naming the three
//      handles.
//   3. The copy waits for the uninstaller to end, then deletes the program
//      file and the product folder through the handles, never by path: the
//      folder goes only if it is empty by then. Last, it deletes its own
//      file and folder, or, where the system keeps a running program's file,
//      has them deleted at the next restart.
#pragma once

#include <string>

// Starts the copy that removes `program` and then `folder` once this process
// has ended. False when something stood in the way (the folder is a link or
// in use, the copy could not be made or started); then nothing is removed.
bool StartSelfRemoval(const std::string &program, const std::string &folder);

// In the copy, started with the internal argument: waits and removes, and
// returns true. False when the program was not started that way.
bool FinishSelfRemovalIfAsked();
