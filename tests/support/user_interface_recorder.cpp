#include "tests/support/user_interface_recorder.h"

#include "base/user_interface.h"

namespace {
UserInterfaceRecord record;
std::vector<bool> answers;
}

const UserInterfaceRecord &RecordedUserInterface() { return record; }
void ResetUserInterfaceRecord() {
  record = {};
  answers.clear();
}
void AnswerQuestionsWith(const std::vector<bool> &given) { answers = given; }

void ShowMessage(const char *text) { record.messages.emplace_back(text); }
void ShowUncaptionedMessage(const char *text) { record.messages.emplace_back(text); }
bool AskYesNoCancel(const char *text) {
  record.messages.emplace_back(text);
  if (answers.empty())
    return false;
  bool yes = answers.front();
  answers.erase(answers.begin());
  return yes;
}
void EndSetupDialog(int result) { record.dialogResults.push_back(result); }
void ShowProductInProgress(const char *title) { record.productsShown.emplace_back(title); }
