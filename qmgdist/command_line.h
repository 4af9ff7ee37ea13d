// The command-line conventions every verb of qmgdist shares: options before,
// between or after the operands, "--name value" and "--name=value" alike,
// "--" before operands that begin with "-", and an unknown option or verb
// answered with the nearest known one.
#pragma once

#include <string>
#include <vector>

struct OptionSpec {
  const char *name; // "--strict", "-q"
  bool takesValue;
};

struct ParsedOption {
  std::string name; // as in its OptionSpec
  std::string value;
};

struct ParsedArguments {
  std::vector<ParsedOption> options; // in the order given
  std::vector<std::string> operands;
};

// Splits `argv` by `specs`. False, with one sentence in `report`, for an
// unknown option (naming the nearest known one), an option without its
// value, or a value given to an option that takes none.
bool ParseArguments(int argc, char **argv, const std::vector<OptionSpec> &specs, ParsedArguments &parsed,
                    std::string &report);

// The candidate nearest to `typed` by edit distance, compared without case,
// when it is near enough to be a likely typo; "" otherwise.
std::string NearestName(const std::string &typed, const std::vector<std::string> &candidates);

// " (did you mean X?)" for the nearest candidate, or "".
std::string DidYouMean(const std::string &typed, const std::vector<std::string> &candidates);
