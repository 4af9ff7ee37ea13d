// Stands in for the message boxes and dialog calls in native tests: records
// every message shown and every result the setup dialog was ended with, and
// answers questions from a list of answers given in advance.
#pragma once

#include <string>
#include <vector>

struct UserInterfaceRecord {
  std::vector<std::string> messages;   // questions and uncaptioned ones too
  std::vector<int> dialogResults;
  std::vector<std::string> productsShown;
};

// What has been shown since the last ResetUserInterfaceRecord.
const UserInterfaceRecord &RecordedUserInterface();
void ResetUserInterfaceRecord();

// Answers for the next questions, in order (true is Yes); a question with
// no answer left is answered No.
void AnswerQuestionsWith(const std::vector<bool> &answers);
