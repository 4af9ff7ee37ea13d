// Stands in for the message boxes and dialog calls in native tests: records
// every message shown and every result the setup dialog was ended with.
#pragma once

#include <string>
#include <vector>

struct UserInterfaceRecord {
  std::vector<std::string> messages;
  std::vector<int> dialogResults;
};

// What has been shown since the last ResetUserInterfaceRecord.
const UserInterfaceRecord &RecordedUserInterface();
void ResetUserInterfaceRecord();
