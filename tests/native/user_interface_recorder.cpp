#include "tests/native/user_interface_recorder.h"

#include "app/user_interface.h"

namespace {
UserInterfaceRecord record;
}

const UserInterfaceRecord &RecordedUserInterface() { return record; }
void ResetUserInterfaceRecord() { record = {}; }

void ShowMessage(const char *text) { record.messages.emplace_back(text); }
void EndSetupDialog(int result) { record.dialogResults.push_back(result); }
