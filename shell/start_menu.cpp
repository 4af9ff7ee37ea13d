#include "shell/start_menu.h"

#include <cstring>

std::string StartMenuGroupIn(const char *programsFolder) {
  size_t length = strlen(programsFolder);
  bool endsInSeparator = length > 0 && programsFolder[length - 1] == '\\';
  return std::string(programsFolder) + (endsInSeparator ? "" : "\\") + "Quillmarsh Games";
}
