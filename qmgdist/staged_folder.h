// A folder made whole or not at all. build writes the new distribution into
// a staging folder beside OUT and puts it in OUT's place only when
// everything succeeded, so a failed or interrupted build leaves OUT as it
// was (and at worst a staging folder whose name says what it is).
#pragma once

#include <string>

// Makes an empty staging folder in the folder that holds `out`, named after
// it (".OUT.building-XXXXXX"), and puts its path in `staging`. False, with
// one sentence in `report`, when it cannot be made.
bool MakeStagingFolder(const std::string &out, std::string &staging, std::string &report);

// Puts `staging` in the place of `out`: `out` is moved aside, `staging`
// renamed to it, and the old folder removed. When the rename fails, `out`
// is moved back and false returned with one sentence in `report`.
bool PutFolderInPlace(const std::string &staging, const std::string &out, std::string &report);

// Removes a folder and everything below it, never following a link out of
// it. Failures are ignored: it tidies up after a build that already failed
// or succeeded.
void DiscardFolder(const std::string &folder);
