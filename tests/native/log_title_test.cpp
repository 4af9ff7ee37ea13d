// The head of a log: the title the uninstaller asks about, and the
// installer checks before it removes an unregistered install.
#include <gtest/gtest.h>

#include <string>

#include "base/uninstall_log.h"

namespace {

struct HeadCase {
  const char *name;
  std::string log;
  bool usable;
  const char *title;
};

class LogHead : public testing::TestWithParam<HeadCase> {};

TEST_P(LogHead, TitleOnlyFromALogThatStartsWithItsWholeTitle) {
  const HeadCase &c = GetParam();
  std::string title = "left over";
  EXPECT_EQ(ReadLogTitle(reinterpret_cast<const unsigned char *>(c.log.data()), c.log.size(), title), c.usable);
  EXPECT_EQ(title, c.title);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, LogHead,
    testing::Values(HeadCase{"whole", "AReed Runner\0FC:\\QMG\0DC:\\QMG\\R\\unsetup.ctl\0"s, true, "Reed Runner"},
                    HeadCase{"title_only", "AReed Runner\0"s, true, "Reed Runner"},
                    HeadCase{"lower_case_kind", "aReed Runner\0KQMG Reed Runner\0"s, true, "Reed Runner"},
                    HeadCase{"empty_title", "A\0DC:\\x\0"s, true, ""},
                    // Torn by a power loss: the last record has no NUL.
                    HeadCase{"torn_tail", "AReed Runner\0DC:\\QMG\\x"s, true, "Reed Runner"},
                    HeadCase{"zero_filled_tail", "AReed Runner\0\0\0\0"s, true, "Reed Runner"},
                    HeadCase{"title_cut_short", "AReed Runner"s, false, ""},
                    HeadCase{"starts_with_a_file", "DC:\\QMG\\x\0AReed Runner\0"s, false, ""},
                    HeadCase{"starts_with_nul", "\0AReed Runner\0"s, false, ""}, HeadCase{"one_nul", "\0"s, false, ""},
                    HeadCase{"empty", ""s, false, ""}),
    [](const testing::TestParamInfo<HeadCase> &info) { return std::string(info.param.name); });

} // namespace
