#include <gtest/gtest.h>

#include "tests/native/script_fixture.h"

namespace {

std::string Read(size_t capacity = TokenCapacity) {
  char buffer[TokenCapacity];
  ReadToLineEnd(buffer, capacity);
  return buffer;
}

TEST(ScriptReader, LineBreaksOfEveryKindReadTheSame) {
  for (const char *text : {"V=1\nK=a\n", "V=1\rK=a\r", "V=1\r\nK=a\r\n", "V=1\n\n\r\n  \t\nK=a"}) {
    SCOPED_TRACE(text);
    ScriptFixture script(text);
    ASSERT_TRUE(SkipBlanks());
    ASSERT_TRUE(ExpectEquals());
    EXPECT_EQ(Read(), "1");
    ASSERT_TRUE(SkipBlanks());
    EXPECT_EQ(PeekUpper(), 'K');
  }
}

TEST(ScriptReader, CommentsAreSkippedOnlyBetweenItems) {
  ScriptFixture script("# heading\n  # indented remark\n\tD=name # part of the name\n");
  ASSERT_TRUE(SkipBlanks());
  EXPECT_EQ(PeekUpper(), 'D');
  ASSERT_TRUE(ExpectEquals());
  EXPECT_EQ(Read(), "name # part of the name");
  EXPECT_FALSE(SkipBlanks());
}

TEST(ScriptReader, OperandsKeepTheirBlanksAndCase) {
  ScriptFixture script("u=Pack.QPK  \t");
  ASSERT_TRUE(SkipBlanks());
  EXPECT_EQ(PeekUpper(), 'U');
  ASSERT_TRUE(ExpectEquals());
  EXPECT_EQ(Read(), "Pack.QPK  \t");
  EXPECT_TRUE(AtScriptEnd());
}

TEST(ScriptReader, SkipToNextLineReportsWhetherTextRemains) {
  ScriptFixture script("first\r\n\r\nsecond");
  EXPECT_TRUE(SkipToNextLine());
  EXPECT_EQ(script.From(ScriptCursor), "second");
  EXPECT_FALSE(SkipToNextLine());
  EXPECT_FALSE(SkipToNextLine());
  EXPECT_TRUE(AtScriptEnd());
}

TEST(ScriptReader, SkipBlanksAtTheEndFindsNothing) {
  for (const char *text : {"", "   \r\n\t", "# only a remark", "#a\n#b\r\n  "}) {
    SCOPED_TRACE(text);
    ScriptFixture script(text);
    EXPECT_FALSE(SkipBlanks());
    EXPECT_EQ(PeekUpper(), -1);
  }
}

TEST(ScriptReader, OtherControlCharactersAreNotBlanks) {
  ScriptFixture script("\v\fX");
  ASSERT_TRUE(SkipBlanks());
  EXPECT_EQ(PeekUpper(), '\v');
}

TEST(ScriptReader, ReadToLineEndIsBoundedAndStillMovesToTheNextLine) {
  std::string longLine(600, 'x');
  ScriptFixture script(longLine + "\nnext");
  char buffer[16];
  EXPECT_FALSE(ReadToLineEnd(buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer), std::string(15, 'x'));
  EXPECT_EQ(script.From(ScriptCursor), "next");
  EXPECT_TRUE(ReadToLineEnd(buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer), "next");
}

struct EqualsCase {
  const char *text;
  const char *message; // empty when ExpectEquals succeeds
};

TEST(ScriptReader, ExpectEqualsReportsTheTwentyCharactersWhereEqualsWasExpected) {
  const EqualsCase cases[] = {
      {"V=1.0", ""},
      {"v=1.0", ""},
      // The excerpt starts at the blank and runs over the line break.
      {"V =1.0\nK=SCORES.DAT\nF=GAME", "Error: '=' expected at:\n =1.0\nK=SCORES.DAT\nF"},
      {"VERSION=2", "Error: '=' expected at:\nERSION=2"},
      {"V", "Error: '=' expected at:\n"},
      {"", "Error: '=' expected at:\n"},
  };
  for (const EqualsCase &c : cases) {
    SCOPED_TRACE(c.text);
    ScriptFixture script(c.text);
    bool ok = ExpectEquals();
    const UserInterfaceRecord &shown = RecordedUserInterface();
    if (*c.message == '\0') {
      EXPECT_TRUE(ok);
      EXPECT_EQ(script.From(ScriptCursor), "1.0");
      EXPECT_TRUE(shown.messages.empty());
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(shown.messages, std::vector<std::string>{c.message});
      EXPECT_EQ(shown.dialogResults, std::vector<int>{2});
    }
  }
}

TEST(ScriptReader, ExcerptsStopWhereTheirKindSays) {
  ScriptFixture script("C=one two three four five\nnext line");
  char excerpt[ExcerptCapacity];
  CopyGeneralExcerpt(0, excerpt);
  EXPECT_STREQ(excerpt, "C=one two three four");
  CopyCommandLineExcerpt(10, excerpt);
  EXPECT_STREQ(excerpt, "three four five");
  CopyGeneralExcerpt(20, excerpt);
  EXPECT_STREQ(excerpt, " five\nnext line");

  ReadLineExcerpt();
  EXPECT_STREQ(TokenBuffer, "C=one two three four");
  EXPECT_EQ(script.From(ScriptCursor), "next line");
}

} // namespace
