// The messages of a dry run: recorded among its operations, questions
// answered from the list the run was given (base/dry_machine.h).
#include "base/user_interface.h"

#include <string>

#include "base/dry_machine.h"

void ShowMessage(const char *text) { RecordDryOperation(std::string("message ") + text); }

void ShowUncaptionedMessage(const char *text) { RecordDryOperation(std::string("message ") + text); }

bool AskYesNoCancel(const char *text) {
  RecordDryOperation(std::string("question ") + text);
  return NextDryAnswer();
}

void EndSetupDialog(int) {}

void ShowProductInProgress(const char *) {}
