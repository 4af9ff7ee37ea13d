// What the installer will do to the member names of a package that pack is
// about to write. The names are run through the installer's own name
// mapping, so pack and the installer never disagree about what a name
// becomes; on top of that come the rules of Windows that the mapping leaves
// to the file system (device names, trailing dots and blanks, case).
#pragma once

#include <string>
#include <vector>

// Whether pack stores a name with the UTF-8 flag: valid UTF-8 by the
// installer's own decoder, and not plain ASCII.
bool CarriesUtf8Flag(const std::string &name);

// `names` are the member names as pack stores them ("/" between levels, a
// folder's name ending in "/"), in the order they are written; names that
// are valid UTF-8 and not plain ASCII are taken to carry the UTF-8 flag, as
// the ZIP writer writes them. Returns one line per name that the installer changes,
// cannot make, cuts, or maps onto the same path as an earlier name (compared
// without case): the name, a colon, and the reasons separated by "; ".
std::vector<std::string> CheckMemberNames(const std::vector<std::string> &names);

// A name as a line of text can show it: control characters, and the bytes
// of a name that is not UTF-8, as \xNN, so that no name can write to the
// terminal what it likes.
std::string ShownName(const std::string &name);

// The same warnings apart: the name as a line can show it, the reasons, and
// the first reason in general words (the same for every name it concerns),
// by which a report can gather many names into one line.
struct NameWarning {
  std::string name;
  std::string reasons;
  std::string kind;
};
std::vector<NameWarning> CheckMemberNameWarnings(const std::vector<std::string> &names);
