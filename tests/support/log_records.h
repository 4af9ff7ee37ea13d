// Uninstall log bytes split into their records ("A<title>", "F<folder>",
// ...), for tests to compare. With `root`, every occurrence of that folder
// is written "~" so that expectations stay short.
#pragma once

#include <string>
#include <vector>

#include "base/uninstall_log.h"

inline std::vector<std::string> LogRecordsOf(const std::string &bytes, const std::string &root = "") {
  struct Collected {
    std::vector<std::string> records;
    const std::string &root;
  } collected{{}, root};
  WalkLogInOrder(
      reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(),
      [](const char *text, size_t length, void *context) {
        Collected &into = *static_cast<Collected *>(context);
        std::string record(text, length);
        for (size_t found; !into.root.empty() && (found = record.find(into.root)) != std::string::npos;)
          record.replace(found, into.root.size(), "~");
        into.records.push_back(record);
      },
      &collected);
  return collected.records;
}
