// Uninstall log bytes split into their records ("A<title>", "F<folder>",
// ...), for tests to compare. With `root`, every occurrence of that folder
// is written "~" so that expectations stay short.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::string> LogRecordsOf(const std::string &bytes, const std::string &root = "") {
  std::vector<std::string> records;
  for (size_t at = 0; at < bytes.size();) {
    size_t end = bytes.find('\0', at);
    if (end == std::string::npos)
      end = bytes.size();
    std::string record = bytes.substr(at, end - at);
    for (size_t found; !root.empty() && (found = record.find(root)) != std::string::npos;)
      record.replace(found, root.size(), "~");
    records.push_back(record);
    at = end + 1;
  }
  return records;
}
