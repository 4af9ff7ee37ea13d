// The interpreter's handling of scripts, on the dry machine: conditions,
// else-parts and blocks, the nesting limit and over-long paths, with the
// files they copy, the log records, the messages and the result.
#include <gtest/gtest.h>

#include "script/product_install.h"
#include "tests/native/dry_interpreter_fixture.h"
#include "tests/support/zip_builder.h"

namespace {

class ScriptHandling : public DryInterpreter {
protected:
  void SetUp() override {
    DryInterpreter::SetUp();
    Dist("README.TXT", "read me");
    Dist("GAME.QPK", ZipBuilder::Scrambled(ZipBuilder().Add("data/level.dat", "L1").Build(), ProductKeyTable));
  }
};

TEST_F(ScriptHandling, ConditionsElsePartsAndBlocks) {
  Installed("HAVE.CFG");
  AddDryFolder(root_ + "\\QMG\\GAME\\HAVEDIR");
  struct Case {
    const char *why;
    const char *script;
    Lines copied; // destination names, in order
    bool completed;
    const char *message;
  } cases[] = {
      {"missing file: single command dropped, else runs", "I=NONE\nC=README.TXT=then.txt\nE C=README.TXT=else.txt\n",
       {"else.txt"}, true, nullptr},
      {"existing file: then runs, else block skipped",
       "I=HAVE.CFG\nC=README.TXT=then.txt\nE {\nC=README.TXT=else.txt\n}\nC=README.TXT=after.txt\n",
       {"then.txt", "after.txt"}, true, nullptr},
      {"a folder satisfies the condition", "I=HAVEDIR\n{\nC=README.TXT=then.txt\n}\ne\n{\nC=README.TXT=else.txt\n}\n",
       {"then.txt"}, true, nullptr},
      {"else on the line after the block", "I=NONE\n{ C=README.TXT=no.txt\n}\nE\nC=README.TXT=yes.txt\n",
       {"yes.txt"}, true, nullptr},
      {"nested conditions inside blocks",
       "I=HAVE.CFG\n{\nI=NONE\n{\nC=README.TXT=no.txt\n}\nE {\nI=HAVEDIR\nC=README.TXT=deep.txt\n}\n}\n",
       {"deep.txt"}, true, nullptr},
      {"ELSE spelt out and passed over", "I=HAVE.CFG\nC=README.TXT=then.txt\nELSE C=README.TXT=x.txt\n",
       {"then.txt"}, true, nullptr},
      {"ELSE spelt out and run", "I=NONE\nC=README.TXT=then.txt\nELSE C=README.TXT=x.txt\n", {}, false,
       "Unknown command in SETUP file:\nLSE C=README.TXT=x.t"},
      {"a nested I must sit in a block to be passed over", "I=NONE\nI=HAVE.CFG\n{\nC=README.TXT=x.txt\n}\n", {},
       false, "Unknown command in SETUP file:\n{\nC=README.TXT=x.txt"},
      {"E as a first command", "E C=README.TXT=x.txt\n", {}, false, "Unexpected 'E' (ELSE) at:\nE C=README.TXT=x.txt"},
      {"E after a copy", "C=README.TXT=a.txt\nE C=README.TXT=x.txt\n", {"a.txt"}, false,
       "Unexpected 'E' (ELSE) at:\nE C=README.TXT=x.txt"},
      {"unclosed block at the end", "I=HAVE.CFG\n{\nC=README.TXT=a.txt\n", {"a.txt"}, false, "Expected '}' at:\n"},
      {"unclosed block at a section line", "I=HAVE.CFG\n{\nC=README.TXT=a.txt\nL02=Next\n", {"a.txt"}, false,
       "Expected '}' at:\nL02=Next\n"},
      {"remarks after braces", "I=HAVE.CFG\n{ # then\nC=README.TXT=a.txt\n} # done\n", {"a.txt"}, true, nullptr},
      {"stray brace", "}\n", {}, false, "Unknown command in SETUP file:\n}\n"},
      {"copy without its separator", "C=README.TXT\n", {}, false,
       "Expected '=' separating file names in Copy at:\nC=README.TXT"},
      {"shortcut without its separator", "M=GAME.EXE\n", {}, false,
       "Expected '=' separating EXE name from title in M at:\nM=GAME.EXE"},
      {"a blank before =", "C =README.TXT=a.txt\n", {}, false, "Error: '=' expected at:\n =README.TXT=a.txt\n"},
      {"failing unpack", "Z=NOPE.QPK\n", {}, false, "Error unpacking NOPE.QPK"},
      {"a package under the wrong table", "U=GAME.QPK\n", {}, false, "Error unpacking GAME.QPK"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Run(c.script), c.completed);
    const std::string prefix = "D~\\QMG\\GAME\\";
    Lines copied;
    for (const std::string &record : Records())
      if (record.compare(0, prefix.size(), prefix) == 0 && record.find("README") == std::string::npos)
        copied.push_back(record.substr(prefix.size()));
    EXPECT_EQ(copied, c.copied);
    EXPECT_EQ(Messages(), c.message ? Lines{c.message} : Lines{});
    for (const std::string &name : copied)
      Delete(name);
  }
}


TEST_F(ScriptHandling, NestingDeeperThanTheLimitIsAScriptErrorNotAStackOverflow) {
  Installed("HAVE.CFG");
  auto nested = [](const char *condition, int levels, bool blocks) {
    std::string script;
    for (int i = 0; i < levels; i++)
      script += std::string("I=") + condition + (blocks ? "\n{\n" : "\n");
    script += "C=README.TXT=deep.txt\n";
    for (int i = 0; blocks && i < levels; i++)
      script += "}\n";
    return script;
  };
  EXPECT_TRUE(Run(nested("HAVE.CFG", NestingLimit, true)));
  EXPECT_EQ(Messages(), Lines{});
  EXPECT_TRUE(Exists("deep.txt"));
  Delete("deep.txt");

  struct Case {
    const char *why;
    std::string script;
    const char *message;
  } cases[] = {
      {"one level past the limit", nested("HAVE.CFG", NestingLimit + 1, true),
       "Blocks nested too deeply in SETUP file:\nI=HAVE.CFG\n{\nC=READM"},
      {"ten thousand levels", nested("HAVE.CFG", 10000, true),
       "Blocks nested too deeply in SETUP file:\nI=HAVE.CFG\n{\nI=HAVE."},
      {"ten thousand levels passed over", nested("NONE", 10000, true),
       "Blocks nested too deeply in SETUP file:\nI=NONE\n{\nI=NONE\n{\nI="},
      {"ten thousand conditions without blocks", nested("HAVE.CFG", 10000, false),
       "Blocks nested too deeply in SETUP file:\nI=HAVE.CFG\nI=HAVE.CF"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_FALSE(Run(c.script));
    EXPECT_EQ(Messages(), Lines{c.message});
    EXPECT_FALSE(Exists("deep.txt"));
  }
  // The depth is counted afresh: a shallow script runs after the refused ones.
  EXPECT_TRUE(Run(nested("HAVE.CFG", 2, true)));
  EXPECT_TRUE(Exists("deep.txt"));
}


TEST_F(ScriptHandling, OverlongPathsAreRefusedNotCut) {
  std::string name(500, 'n');
  EXPECT_FALSE(Run("C=README.TXT=" + name + "\n"));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].substr(0, 15), "Path too long:\n");
  EXPECT_EQ(Records(), Lines{});
  EXPECT_FALSE(Run("D=" + std::string(600, 'x') + "\n"));
  EXPECT_EQ(Messages()[0].substr(0, 29), "Line too long in SETUP file:\n");
}


} // namespace

namespace {

// What the script writes or deletes stays in the product folder, however
// its operands climb; names that merely hold dots are names.
TEST_F(ScriptHandling, OperandsThatClimbOutOfTheProductFolderAreRefused) {
  Installed(".profile");
  struct Case {
    const char *why, *script;
    bool completed;
    const char *message;
    Lines changes;
  } cases[] = {
      {"a folder above the install folder", "F=..\\..\\WINDOWS\nC=README.TXT=evil.dll\n", false,
       "Path outside the product folder:\nC:\\qmgi\\QMG\\GAME\\..\\..\\WINDOWS", {}},
      {"a copy climbing with slashes", "C=README.TXT=../../x.txt\n", false,
       "Path outside the product folder:\nC:\\qmgi\\QMG\\GAME\\../../x.txt", {}},
      {"a deletion climbing", "D=\\..\\..\\..\\WINDOWS\\WIN.INI\n", false,
       "Path outside the product folder:\nC:\\qmgi\\QMG\\GAME\\..\\..\\..\\WINDOWS\\WIN.INI", {}},
      {"dots and blanks that Windows reads as ..", "F=. .\\..  \n", false,
       "Path outside the product folder:\nC:\\qmgi\\QMG\\GAME\\. .\\..  ", {}},
      {"a skipped F is refused too", "I=NONE\n{\nF=..\n}\n", false,
       "Path outside the product folder:\nC:\\qmgi\\QMG\\GAME\\..", {}},
      {"dots inside names", "D=\\.profile\nF=data..v2\nC=README.TXT=read..me\n", true, nullptr,
       {"delete ~\\QMG\\GAME\\.profile", "folder ~\\QMG\\GAME\\data..v2",
        "copy dist/README.TXT > ~\\QMG\\GAME\\data..v2\\read..me"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Run(c.script), c.completed);
    EXPECT_EQ(Messages(), c.message ? Lines{c.message} : Lines{});
    EXPECT_EQ(Changes(), c.changes);
    strcpy(TargetFolder, ProductFolder);
  }
}

// The section head's folder too: nothing is registered and no log is made
// when it would lie outside the install folder, or be the install folder
// itself, beside which a section's paths could then lead.
TEST_F(ScriptHandling, AProductFolderOutsideTheInstallFolderIsRefused) {
  struct Case {
    const char *folder, *message;
  } cases[] = {
      {"..\\ELSEWHERE", "Path outside the install folder:\nC:\\qmgi\\QMG\\..\\ELSEWHERE"},
      {"", "Path outside the install folder:\nC:\\qmgi\\QMG\\"},
      {"\\", "Path outside the install folder:\nC:\\qmgi\\QMG\\\\"},
      {" ", "Path outside the install folder:\nC:\\qmgi\\QMG\\ "},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string script = std::string("Test Game\nV=1.0\nF=") + c.folder + "\nD=^OLDSAV\nC=README.TXT=a.txt\n";
    AttachScript(reinterpret_cast<const unsigned char *>(script.data()), static_cast<uint32_t>(script.size()));
    operationsBefore_ = DryOperations().size();
    EXPECT_FALSE(InstallProduct(DryInstallHost()));
    EXPECT_EQ(Messages(), Lines{c.message});
    EXPECT_EQ(Changes(), Lines{});
  }
}

} // namespace
