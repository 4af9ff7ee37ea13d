// qmgdist's command line: options in both forms, the nearest name offered
// for a mistyped verb or option, --version and --help on every verb.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qmgdist/command_line.h"
#include "tests/support/shell_command.h"

namespace {

TEST(QmgdistCommandLine, OffersTheNearestNameForATypo) {
  const std::vector<std::string> verbs = {"stamp", "verify", "pack", "list", "extract", "check", "build"};
  struct Case {
    const char *typed, *nearest;
  };
  for (const Case &c : {Case{"biuld", "build"}, Case{"chek", "check"}, Case{"BUILD", "build"}, Case{"lsit", "list"},
                        Case{"extrct", "extract"}, Case{"frobnicate", ""}, Case{"x", ""}}) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(NearestName(c.typed, verbs), c.nearest);
  }
}

TEST(QmgdistCommandLine, TakesOptionsInBothFormsAnywhere) {
  const std::vector<OptionSpec> specs = {{"--strict", false}, {"--folder", true}, {"-q", false}};
  struct Case {
    std::vector<std::string> arguments;
    std::string parsed; // options as name=value, then operands; or the report
  };
  const std::vector<Case> cases = {
      {{"--folder=C:\\Games", "dist", "-q"}, "--folder=C:\\Games -q= | dist"},
      {{"dist", "--folder", "C:\\A=B", "--strict"}, "--folder=C:\\A=B --strict= | dist"},
      {{"--", "-odd", "dist"}, "| -odd dist"},
      {{"--stirct", "dist"}, "unknown option --stirct (did you mean --strict?)"},
      {{"--strict=yes"}, "--strict takes no value"},
      {{"dist", "--folder"}, "--folder needs a value"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.parsed);
    std::vector<std::string> arguments = c.arguments;
    std::vector<char *> argv;
    for (std::string &argument : arguments)
      argv.push_back(&argument[0]);
    ParsedArguments parsed;
    std::string report;
    if (!ParseArguments(static_cast<int>(argv.size()), argv.data(), specs, parsed, report)) {
      EXPECT_EQ(report, c.parsed);
      continue;
    }
    std::string text;
    for (const ParsedOption &option : parsed.options)
      text += option.name + "=" + option.value + " ";
    text += "|";
    for (const std::string &operand : parsed.operands)
      text += " " + operand;
    EXPECT_EQ(text, c.parsed);
  }
}

TEST(QmgdistCommandLine, VersionHelpAndTypos) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string printed; // a part of what it prints
  };
  const std::vector<Case> cases = {
      {{"--version"}, 0, "qmgdist " QMG_VERSION "\n"},
      {{"biuld", "src", "out"}, 2, "unknown command biuld (did you mean build?)"},
      {{"--verison"}, 2, "(did you mean --version?)"},
      {{"build", "--stirct"}, 2, "unknown option --stirct (did you mean --strict?)"},
      {{"pack", "--kye=01", "a", "b"}, 2, "unknown option --kye (did you mean --key?)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.printed);
    std::string out;
    EXPECT_EQ(RunShellCommand(ShellCommand(QMGDIST_PATH, c.arguments) + " 2>&1", out), c.status);
    EXPECT_NE(out.find(c.printed), std::string::npos) << out;
  }
  // Every verb explains itself, on standard output, with exit 0.
  for (const char *verb : {"stamp", "verify", "pack", "list", "extract", "check", "build"}) {
    SCOPED_TRACE(verb);
    std::string out;
    EXPECT_EQ(RunShellCommand(ShellCommand(QMGDIST_PATH, {verb, "--help"}) + " 2>/dev/null", out), 0);
    EXPECT_NE(out.find(std::string("\n  ") + verb + " "), std::string::npos) << out;
  }
}

} // namespace
