// A private folder for a verb's temporary files. It is made afresh under the
// system's temporary folder with a name no other program picked, is
// readable and writable by this user only, and so holds no file or link that
// someone else put there: names inside it can be opened without testing
// them first.
#pragma once

#include <string>

// Makes the folder and puts its path (without a final separator) in
// `folder`. False, with one sentence naming the folder and the system's
// reason in `report`, when it cannot be made.
bool MakePrivateFolder(std::string &folder, std::string &report);

// Removes the folder, which must be empty by then; failures are ignored.
void RemovePrivateFolder(const std::string &folder);
