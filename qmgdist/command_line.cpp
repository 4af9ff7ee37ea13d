#include "qmgdist/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Edits from one name to the other, without regard to case: a letter put
// in, left out, changed, or two neighbours swapped ("biuld") count one each.
size_t EditDistance(const std::string &a, const std::string &b) {
  auto same = [&](size_t i, size_t j) {
    return tolower(static_cast<unsigned char>(a[i])) == tolower(static_cast<unsigned char>(b[j]));
  };
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); i++)
    d[i][0] = i;
  for (size_t j = 0; j <= b.size(); j++)
    d[0][j] = j;
  for (size_t i = 1; i <= a.size(); i++)
    for (size_t j = 1; j <= b.size(); j++) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (same(i - 1, j - 1) ? 0 : 1)});
      if (i > 1 && j > 1 && same(i - 1, j - 2) && same(i - 2, j - 1))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

} // namespace

std::string NearestName(const std::string &typed, const std::vector<std::string> &candidates) {
  std::string best;
  size_t bestDistance = 0;
  for (const std::string &candidate : candidates) {
    size_t distance = EditDistance(typed, candidate);
    if (best.empty() || distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  // A third of the name may be mistyped, and at least one letter.
  size_t allowed = std::max<size_t>(1, std::max(typed.size(), best.size()) / 3);
  return !best.empty() && bestDistance <= allowed ? best : "";
}

std::string DidYouMean(const std::string &typed, const std::vector<std::string> &candidates) {
  std::string nearest = NearestName(typed, candidates);
  return nearest.empty() ? "" : " (did you mean " + nearest + "?)";
}

bool ParseArguments(int argc, char **argv, const std::vector<OptionSpec> &specs, ParsedArguments &parsed,
                    std::string &report) {
  parsed = ParsedArguments();
  bool operandsOnly = false;
  for (int i = 0; i < argc; i++) {
    std::string argument = argv[i];
    if (operandsOnly || argument.size() < 2 || argument[0] != '-') {
      parsed.operands.push_back(argument);
      continue;
    }
    if (argument == "--") {
      operandsOnly = true;
      continue;
    }
    size_t equals = argument.find('=');
    std::string name = argument.substr(0, equals);
    auto spec = std::find_if(specs.begin(), specs.end(), [&](const OptionSpec &s) { return name == s.name; });
    if (spec == specs.end()) {
      std::vector<std::string> names;
      for (const OptionSpec &s : specs)
        names.push_back(s.name);
      report = "unknown option " + name + DidYouMean(name, names);
      return false;
    }
    ParsedOption option{spec->name, ""};
    if (!spec->takesValue) {
      if (equals != std::string::npos) {
        report = name + " takes no value";
        return false;
      }
    } else if (equals != std::string::npos) {
      option.value = argument.substr(equals + 1);
    } else if (i + 1 < argc) {
      option.value = argv[++i];
    } else {
      report = name + " needs a value";
      return false;
    }
    parsed.options.push_back(option);
  }
  return true;
}
