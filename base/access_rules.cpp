#include "base/access_rules.h"

#include <cstring>

#include "base/path_rules.h"

// Rights as numbers: 0x1200af = list (1), add file (2), add subfolder (4),
// read extended attributes (8), traverse (0x20), read attributes (0x80),
// read permissions, synchronize; 0x1301bf = Modify (read, write, execute,
// delete); 0x1200a9 = read and execute. OICI: inherited by files and
// folders inside; IO: for them only, not the folder itself. P: protected.
const char OwnedFolderAccess[] = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;;0x1200af;;;BU)(A;OICIIO;0x1301bf;;;BU)";
const char ProgramFileAccess[] = "D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;0x1200a9;;;BU)";

bool IsProgramFile(const char *path) {
  size_t length = strlen(path);
  return length > 4 && path[length - 5] != '\\' && path[length - 5] != '/' &&
         (EqualIgnoringAsciiCase(path + length - 4, ".exe") || EqualIgnoringAsciiCase(path + length - 4, ".dll"));
}
