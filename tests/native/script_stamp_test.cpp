#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "qmgdist/script_stamp.h"
#include "script/script_checksum.h"

namespace {

class ScriptStamp : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/qmgdist-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    path_ = folder_ + "/SETUP.CTL";
  }
  void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

  void Write(const std::string &text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int Run(const std::string &arguments) {
    int status = std::system((std::string(QMGDIST_PATH) + " " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string folder_, path_;
};

TEST_F(ScriptStamp, StampWritesDigitsThatTheInstallerAccepts) {
  std::string body = "\nL01=Reed Runner\r\nV=1.0\nF=REED\nZ=REED.QPK\n\xE9";
  std::string header = "#00000000 Quillmarsh setup script";
  Write(header + body);
  std::string report;
  ASSERT_EQ(StampScript(path_.c_str(), report), StampStatus::Ok) << report;
  std::string stamped = Read();
  EXPECT_EQ(stamped.size(), header.size() + body.size());
  EXPECT_EQ(stamped.substr(9), " Quillmarsh setup script" + body);
  EXPECT_TRUE(ScriptHeaderMatches(reinterpret_cast<const unsigned char *>(stamped.data()), stamped.size()));
  EXPECT_EQ(VerifyScript(path_.c_str(), report), StampStatus::Ok) << report;
}

TEST_F(ScriptStamp, StampRefusesAFirstLineTooShortForTheHeader) {
  for (const std::string &text : {std::string("#0000\nL01=A\n"), std::string("#00000"), std::string("")}) {
    Write(text);
    std::string report;
    EXPECT_EQ(StampScript(path_.c_str(), report), StampStatus::Unusable);
    EXPECT_NE(report.find("at least 9 characters"), std::string::npos) << report;
    EXPECT_EQ(Read(), text) << "nothing written";
  }
}

TEST_F(ScriptStamp, StampRefusesAFileWhoseBytesOneToEightAreNotDigits) {
  // A script begun without a header line, a package named by mistake, and
  // places that hold other characters than hexadecimal digits: each is left
  // exactly as it was.
  const std::string cases[] = {
      "L01=Reed Runner\nV=1.0\nF=REED\n",
      std::string("PK\x03\x04\x14\x00\x00\x00\x08\x00rest of a member", 26),
      "#0000000G header\n",
      "# 1234567 header\n",
  };
  for (const std::string &text : cases) {
    SCOPED_TRACE(text);
    Write(text);
    std::string report;
    EXPECT_EQ(StampScript(path_.c_str(), report), StampStatus::Unusable);
    EXPECT_NE(report.find("not eight hexadecimal digits"), std::string::npos) << report;
    EXPECT_NE(report.find("\"#00000000 my distribution\""), std::string::npos) << report;
    EXPECT_EQ(Read(), text) << "nothing written";
    EXPECT_EQ(Run("stamp " + path_), 2);
    EXPECT_EQ(Read(), text);
  }
}

TEST_F(ScriptStamp, StampReplacesAnOlderChecksumInEitherCase) {
  for (const char *header : {"#0123abcd", "#FFFFFFFF", "x00000000"}) {
    SCOPED_TRACE(header);
    Write(std::string(header) + " header\nL01=A\n");
    std::string report;
    ASSERT_EQ(StampScript(path_.c_str(), report), StampStatus::Ok) << report;
    EXPECT_EQ(VerifyScript(path_.c_str(), report), StampStatus::Ok) << report;
    EXPECT_EQ(Read().substr(9), " header\nL01=A\n");
    EXPECT_EQ(Read()[0], header[0]);
  }
}

TEST_F(ScriptStamp, VerifyTellsAMismatchAndItsRemedy) {
  Write("#00000000\nL01=A\n");
  std::string report;
  EXPECT_EQ(VerifyScript(path_.c_str(), report), StampStatus::Mismatch);
  EXPECT_NE(report.find("qmgdist stamp"), std::string::npos) << report;
  Write("#1");
  EXPECT_EQ(VerifyScript(path_.c_str(), report), StampStatus::Mismatch);
  EXPECT_EQ(VerifyScript((folder_ + "/missing").c_str(), report), StampStatus::Unusable);
  EXPECT_NE(report.find("missing"), std::string::npos);
}

// A script saved with a byte-order mark, or as UTF-16, is named for what it
// is by both verbs, with the remedy; stamp writes nothing and verify does
// not send the maker to stamp.
TEST_F(ScriptStamp, BothVerbsNameAnotherEncoding) {
  struct Case {
    std::string text, named;
  };
  std::string wide;
  for (char c : std::string("#00000000 header\nL01=A\n"))
    wide += std::string(1, c) + '\0';
  const Case cases[] = {
      {"\xEF\xBB\xBF#00000000 header\nL01=A\n", "a UTF-8 byte-order mark (bytes EF BB BF)"},
      {"\xFF\xFE" + wide, "UTF-16 text (it begins with the byte-order mark FF FE)"},
      {wide, "UTF-16 text (every other byte of its first line is 0)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.named);
    Write(c.text);
    std::string report;
    EXPECT_EQ(StampScript(path_.c_str(), report), StampStatus::Unusable);
    EXPECT_NE(report.find(c.named), std::string::npos) << report;
    EXPECT_NE(report.find("save it as ANSI (Windows-1252) or as UTF-8 without a byte-order mark"), std::string::npos)
        << report;
    EXPECT_EQ(Read(), c.text);
    EXPECT_EQ(VerifyScript(path_.c_str(), report), StampStatus::Mismatch);
    EXPECT_NE(report.find(c.named), std::string::npos) << report;
    EXPECT_EQ(report.find("qmgdist stamp"), std::string::npos) << report;
  }
}

TEST_F(ScriptStamp, CommandLineExitStatuses) {
  Write("#00000000 header\nL01=A\n");
  EXPECT_EQ(Run("verify " + path_), 1);
  EXPECT_EQ(Run("stamp " + path_), 0);
  EXPECT_EQ(Run("verify " + path_), 0);
  EXPECT_EQ(Run("stamp " + folder_ + "/missing"), 2);
  EXPECT_EQ(Run("--help"), 0);
  EXPECT_EQ(Run("frobnicate"), 2);
  EXPECT_EQ(Run(""), 2);
}

} // namespace
