#include <gtest/gtest.h>

#include <string>

#include "script/script_checksum.h"
#include "tests/native/script_fixture.h"

namespace {

const unsigned char *Bytes(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }

std::string Stamped(std::string script) {
  char digits[ChecksumDigitCount];
  FormatChecksumDigits(ScriptChecksum(Bytes(script), script.size()), digits);
  script.replace(ChecksumDigitsAt, ChecksumDigitCount, digits, ChecksumDigitCount);
  return script;
}

TEST(ScriptChecksum, RotatesLeftThenAddsSignedBytes) {
  struct Case {
    std::string body; // bytes from offset 9 on
    uint32_t sum;
  } cases[] = {
      {"", 0},
      {"\x01", 1},
      {"\x01\x01", 3},
      {"\x80", 0xFFFFFF80},            // bytes count as signed: -128
      {std::string("\x80\0", 2), 0xFFFFFF01}, // the top bit rotates round to the bottom
      {"\xFF\x01", 0},
      {std::string(40, '\0') + "\x01", 1},
  };
  for (const Case &c : cases) {
    std::string script = "#00000000" + c.body;
    EXPECT_EQ(ScriptChecksum(Bytes(script), script.size()), c.sum) << testing::PrintToString(c.body);
  }
}

TEST(ScriptChecksum, HeaderCheckJudgesTheEightDigitsOnly) {
  std::string good = Stamped("#00000000 header\nL01=Game\n\xE9t\xE9\n");
  EXPECT_TRUE(ScriptHeaderMatches(Bytes(good), good.size()));

  std::string byteZeroChanged = good;
  byteZeroChanged[0] = 'X';
  EXPECT_TRUE(ScriptHeaderMatches(Bytes(byteZeroChanged), byteZeroChanged.size()));

  std::string bodyChanged = good;
  bodyChanged.back() = ' ';
  EXPECT_FALSE(ScriptHeaderMatches(Bytes(bodyChanged), bodyChanged.size()));

  // A script whose digits include letters, written in lower case.
  std::string lowerCase = "#00000000";
  for (char tail = 'a'; lowerCase.substr(1, 8).find_first_of("ABCDEF") == std::string::npos; tail++)
    lowerCase = Stamped(std::string("#00000000 header\n") + tail);
  ASSERT_TRUE(ScriptHeaderMatches(Bytes(lowerCase), lowerCase.size()));
  for (size_t i = 1; i <= 8; i++)
    lowerCase[i] = static_cast<char>(tolower(lowerCase[i]));
  EXPECT_FALSE(ScriptHeaderMatches(Bytes(lowerCase), lowerCase.size()));

  for (size_t length = 0; length < 9; length++)
    EXPECT_FALSE(ScriptHeaderMatches(Bytes("#00000000"), length));
  EXPECT_TRUE(ScriptHeaderMatches(Bytes("#00000000"), 9));
}

TEST(ScriptChecksum, AFailedCheckEmptiesTheScript) {
  std::string good = Stamped("#00000000\nL01=A\n");
  ScriptFixture stamped(good);
  ScriptCursor = 5;
  CheckScriptHeader();
  EXPECT_EQ(ScriptLength, good.size());
  EXPECT_EQ(ScriptCursor, 0u);

  ScriptFixture unstamped("#00000000\nL01=A\n");
  CheckScriptHeader();
  EXPECT_EQ(ScriptLength, 0u);
  EXPECT_FALSE(SkipBlanks());

  ScriptFixture oneByte("#");
  CheckScriptHeader();
  EXPECT_EQ(ScriptLength, 0u);
}

} // namespace
