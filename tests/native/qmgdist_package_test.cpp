// The package verbs of qmgdist, run as the command the game maker runs:
// pack, list and extract (which unpacks with the installer's own code).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/support/fixed_time.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/shell_command.h"
#include "tests/support/zip_builder.h"

namespace {

using Paths = std::vector<std::string>;

struct Outcome {
  int status;
  std::string out, err;
};

bool EndsWith(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The last line of an output, without its line break.
std::string LastLine(const std::string &text) {
  size_t end = text.size() && text.back() == '\n' ? text.size() - 1 : text.size();
  size_t start = text.rfind('\n', end ? end - 1 : 0);
  start = start == std::string::npos || start >= end ? 0 : start + 1;
  return text.substr(start, end - start);
}

class QmgdistPackage : public testing::Test {
protected:
  void SetUp() override { ASSERT_FALSE(scratch_.path().empty()); }

  // Runs qmgdist with `arguments`; `shellPrefix` goes before it on the
  // shell's command line (variables, ulimit).
  Outcome Run(const std::vector<std::string> &arguments, const std::string &shellPrefix = "") {
    std::string errPath = scratch_ / "stderr.txt";
    Outcome outcome;
    outcome.status =
        RunShellCommand(shellPrefix + ShellCommand(QMGDIST_PATH, arguments) + " 2>" + ShellQuote(errPath), outcome.out);
    outcome.err = ScratchFolder::Read(errPath);
    remove(errPath.c_str());
    return outcome;
  }

  // A tree with what packages hold in practice and what trips packers up:
  // nested and empty folders, an empty file, a read-only file, spaces and
  // non-ASCII letters in names, and a file larger than a 64 KB piece that
  // mixes text-like and random bytes.
  std::string MakeTree() {
    std::string root = scratch_ / "tree";
    for (const char *folder : {"", "/a b", "/a b/deep", "/a b/deep/er", "/empty folder", "/levels"})
      mkdir((root + folder).c_str(), 0777);
    std::mt19937 random(1234);
    std::string mixed;
    for (int i = 0; i < 3000; i++)
      mixed += "level " + std::to_string(i) + " tiles\n";
    while (mixed.size() < 150000)
      mixed += static_cast<char>(random());
    std::map<std::string, std::string> files = {
        {"readme.txt", "Reed Runner\r\n"},
        {"a b/c d.txt", "spaces"},
        {"a b/deep/er/mixed.bin", mixed},
        {"empty file.txt", ""},
        {"levels/caf\xC3\xA9.txt", "UTF-8 name"},
        {"levels/read only.dat", "do not touch"},
    };
    for (const auto &file : files)
      ScratchFolder::Write(root + "/" + file.first, file.second);
    chmod((root + "/levels/read only.dat").c_str(), 0444);
    struct utimbuf times = {FixedLocalTime(), FixedLocalTime()};
    for (const std::string &path : ScratchFolder::Tree(root))
      utime((root + "/" + path).c_str(), &times);
    return root;
  }

  // Two trees agree in names, kinds, contents, the write permission and
  // the modification times of files.
  static void ExpectSameTree(const std::string &expected, const std::string &actual) {
    Paths paths = ScratchFolder::Tree(expected);
    ASSERT_EQ(ScratchFolder::Tree(actual), paths);
    for (const std::string &path : paths) {
      SCOPED_TRACE(path);
      struct stat want, got;
      ASSERT_EQ(stat((expected + "/" + path).c_str(), &want), 0);
      ASSERT_EQ(stat((actual + "/" + path).c_str(), &got), 0);
      if (S_ISDIR(want.st_mode))
        continue;
      EXPECT_EQ(ScratchFolder::Read(actual + "/" + path), ScratchFolder::Read(expected + "/" + path));
      EXPECT_EQ(got.st_mode & S_IWUSR, want.st_mode & S_IWUSR);
      EXPECT_EQ(got.st_mtime, want.st_mtime);
    }
  }

  ScratchFolder scratch_;
};

TEST_F(QmgdistPackage, PackThenExtractRestoresTheTreeUnderEveryKindOfKey) {
  std::string tree = MakeTree();
  for (const char *key : {"shared", "01", "1@", "zero"}) {
    SCOPED_TRACE(key);
    std::string package = scratch_ / (std::string("P") + key + ".QPK");
    std::string out = scratch_ / (std::string("out-") + key);
    Outcome packed = Run({"pack", "--key", key, tree, package});
    ASSERT_EQ(packed.status, 0) << packed.err;
    // Only the zero table leaves the ZIP signature readable.
    bool plain = ScratchFolder::Read(package).compare(0, 4, "PK\x03\x04") == 0;
    EXPECT_EQ(plain, std::string(key) == "zero");

    Outcome extracted = Run({"extract", "--key", key, package, out});
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    ExpectSameTree(tree, out);

    // One record per folder and file made, the destination first, then the
    // result as the last line.
    Paths expected = {"folder " + out};
    for (const std::string &path : ScratchFolder::Tree(out)) {
      bool folder = path.back() == '/';
      expected.push_back((folder ? "folder " : "file ") + out + "/" +
                         (folder ? path.substr(0, path.size() - 1) : path));
    }
    expected.push_back("result: 0");
    Paths lines;
    for (size_t at = 0, end; at < extracted.out.size(); at = end + 1) {
      end = extracted.out.find('\n', at);
      lines.push_back(extracted.out.substr(at, end - at));
    }
    EXPECT_EQ(lines, expected);
  }
}

TEST_F(QmgdistPackage, PackingTheSameTreeTwiceGivesTheSameBytes) {
  std::string tree = MakeTree();
  ASSERT_EQ(Run({"pack", "--key", "01", tree, scratch_ / "A.QPK"}).status, 0);
  ASSERT_EQ(Run({"pack", "--key=01", tree + "/", scratch_ / "B.QPK"}).status, 0);
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "A.QPK"), ScratchFolder::Read(scratch_ / "B.QPK"));
  // Only the package is left beside it: the temporary ZIP file is gone.
  EXPECT_EQ(ScratchFolder::Tree(scratch_.path()).size(), ScratchFolder::Tree(tree).size() + 3);
}

TEST_F(QmgdistPackage, APackageOpensOnlyUnderItsOwnKeyTable) {
  std::string tree = MakeTree();
  std::string package = scratch_ / "P01.QPK";
  ASSERT_EQ(Run({"pack", "--key", "01", tree, package}).status, 0);
  for (const char *wrong : {"02", "10", "shared", "zero"}) {
    SCOPED_TRACE(wrong);
    Outcome extracted = Run({"extract", "--key", wrong, package, scratch_ / "wrong"});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_EQ(extracted.out.find("file "), std::string::npos) << extracted.out;
    EXPECT_EQ(LastLine(extracted.out), "result: 9");
    EXPECT_NE(extracted.err.find(package), std::string::npos) << extracted.err;
    EXPECT_EQ(ScratchFolder::Tree(scratch_ / "wrong"), Paths{});

    Outcome listed = Run({"list", "--key", wrong, package});
    EXPECT_EQ(listed.status, 2);
    EXPECT_NE(listed.err.find(package + ": not a package under the " + wrong + " key table"), std::string::npos)
        << listed.err;
  }
}

TEST_F(QmgdistPackage, ListShowsEveryMemberWithSizeTimeAndAttributes) {
  std::string tree = MakeTree();
  std::string package = scratch_ / "S.QPK";
  ASSERT_EQ(Run({"pack", "--key", "shared", tree, package}).status, 0);
  Outcome listed = Run({"list", "--key", "shared", package});
  ASSERT_EQ(listed.status, 0) << listed.err;
  // Files too small to shrink are stored; only the large mixed one is
  // deflated.
  struct Row {
    const char *name, *size, *attributes, *method;
  } rows[] = {
      {"a b/", " 0 ", "---d-", "stored"},
      {"a b/c d.txt", " 6 ", "----a", "stored"},
      {"a b/deep/", " 0 ", "---d-", "stored"},
      {"a b/deep/er/", " 0 ", "---d-", "stored"},
      {"a b/deep/er/mixed.bin", " 150000 ", "----a", "deflated"},
      {"empty file.txt", " 0 ", "----a", "stored"},
      {"empty folder/", " 0 ", "---d-", "stored"},
      {"levels/", " 0 ", "---d-", "stored"},
      {"levels/caf\xC3\xA9.txt", " 10 ", "----a", "stored"},
      {"levels/read only.dat", " 12 ", "r---a", "stored"},
      {"readme.txt", " 13 ", "----a", "stored"},
  };
  size_t at = listed.out.find('\n') + 1; // past the heading
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    size_t end = listed.out.find('\n', at);
    std::string line = listed.out.substr(at, end - at);
    at = end + 1;
    EXPECT_TRUE(EndsWith(line, std::string("  ") + row.name)) << line;
    EXPECT_NE(line.find(row.size), std::string::npos) << line;
    EXPECT_NE(line.find("2001-02-03 04:05:06"), std::string::npos) << line;
    EXPECT_NE(line.find(row.attributes), std::string::npos) << line;
    EXPECT_NE(line.find(std::string("  ") + row.method + " "), std::string::npos) << line;
  }
  EXPECT_EQ(listed.out.substr(at), "11 members, 150041 bytes\n");
}

TEST_F(QmgdistPackage, ArgumentAndFileErrorsAreOneSentenceAndExitTwo) {
  std::string tree = MakeTree();
  std::string package = scratch_ / "P.QPK";
  std::string missing = scratch_ / "missing";
  ScratchFolder::Write(scratch_ / "file.txt", "x");
  // A plain archive whose end record points past its start, and one whose
  // directory announces a second entry it does not hold.
  std::string archive = ZipBuilder().Add("a.txt", "a").Build();
  std::string moved = archive, short_ = archive;
  moved[moved.size() - 6] = '\x7F';
  short_[short_.size() - 12] = 2;
  short_[short_.size() - 14] = 2;
  ScratchFolder::Write(scratch_ / "MOVED.QPK", moved);
  ScratchFolder::Write(scratch_ / "SHORT.QPK", short_);
  struct Case {
    std::vector<std::string> arguments;
    std::string says;
  } cases[] = {
      {{"pack", "--key", "0I", tree, package}, "--key \"0I\": a product code is two characters of"},
      {{"pack", "--key", "0a", tree, package}, "a product code is two characters of"},
      {{"extract", "--key", "20", package, missing}, "--key \"20\": the installer offers only product codes that start with 0 or 1"},
      {{"list", "--key", "@@", package}, "slot 1023"},
      {{"list", "--key", "1", package}, "expected \"shared\", \"zero\" or a two-character product code"},
      {{"list", "--key", "SHARED", package}, "expected \"shared\""},
      {{"list", "--key", "", package}, "expected \"shared\""},
      {{"list", package}, "--key is required"},
      {{"list", package, "--key"}, "--key needs a value"},
      {{"list", "--key", "01", "--key", "01", package}, "--key is given twice"},
      {{"list", "--key", "01", package, package}, "expected 1 arguments besides --key, got 2"},
      {{"pack", "--key", "01", tree}, "expected 2 arguments besides --key, got 1"},
      {{"extract", "--kee", "01", package, missing}, "unknown option --kee"},
      {{"pack", "--key", "01", missing, package}, missing + ": cannot read the folder: No such file or directory"},
      {{"pack", "--key", "01", scratch_ / "file.txt", package}, scratch_ / "file.txt" + ": not a folder"},
      {{"pack", "--key", "01", tree, missing + "/P.QPK"}, missing + "/P.QPK: cannot create a temporary file"},
      {{"list", "--key", "01", missing}, missing + ": cannot open: No such file or directory"},
      {{"list", "--key", "zero", scratch_ / "MOVED.QPK"},
       "MOVED.QPK: cannot read the archive: its central directory is not where its end record says"},
      {{"list", "--key", "zero", scratch_ / "SHORT.QPK"},
       "SHORT.QPK: cannot read the archive: entry 2 of its central directory is damaged"},
  };
  for (const Case &c : cases) {
    std::string shown;
    for (const std::string &a : c.arguments)
      shown += a + " ";
    SCOPED_TRACE(shown);
    Outcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    EXPECT_FALSE(ScratchFolder::Exists(package));
  }
}

TEST_F(QmgdistPackage, ExtractCallsAPackageThatCannotBeOpenedAFileError) {
  std::string missing = scratch_ / "NONE.QPK";
  mkdir((scratch_ / "DIR.QPK").c_str(), 0777);
  struct Case {
    std::string package, says;
  } cases[] = {
      {missing, missing + ": cannot open: No such file or directory; " + missing + ".pk was tried too"},
      {scratch_ / "DIR.QPK", scratch_ / "DIR.QPK: is a folder, not a package"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.package);
    Outcome outcome = Run({"extract", "--key", "01", c.package, scratch_ / "out"});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "") << "no extraction ran";
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    EXPECT_FALSE(ScratchFolder::Exists(scratch_ / "out"));
  }
}

TEST_F(QmgdistPackage, ExtractExplainsEachResultWithoutGuessing) {
  // Plain ZIP archives under the zero table, each showing one result.
  std::string folderPk = scratch_ / "F.QPK";
  mkdir((folderPk + ".pk").c_str(), 0777);
  std::string longName = scratch_ / "LONG.QPK";
  ScratchFolder::Write(longName, ZipBuilder().Add("first.txt", "1").Add(std::string(256, 'n'), "2").Build());
  struct Case {
    std::string package;
    int result;
    std::string says;
  } cases[] = {
      {folderPk, 76, folderPk + ".pk: is a folder, not a package"},
      {longName, 50, scratch_ / ("out/" + std::string(256, 'n')) + " could not be created or written"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.package);
    Outcome outcome = Run({"extract", "--key", "zero", c.package, scratch_ / "out"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(LastLine(outcome.out), "result: " + std::to_string(c.result));
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("disk may be full"), std::string::npos) << outcome.err;
  }
}

TEST_F(QmgdistPackage, ExtractNamesTheFileWhoseWriteFailed) {
  // A file size limit of 64 KB lets the first file be written and the
  // second fail part way, as on a full disk; SIGXFSZ is ignored so that the
  // write returns its error instead.
  std::string package = scratch_ / "BIG.QPK";
  ScratchFolder::Write(package, ZipBuilder().Add("small.txt", "ok").Add("big.bin", std::string(300000, 'b')).Build());
  std::string out = scratch_ / "out";
  Outcome outcome = Run({"extract", "--key", "zero", package, out}, "trap '' XFSZ; ulimit -f 64; ");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(LastLine(outcome.out), "result: 50");
  EXPECT_NE(outcome.err.find(out + "/big.bin could not be created or written (the extraction does not pass on "
                                   "the system's reason); any partial file was removed and the extraction "
                                   "stopped there"),
            std::string::npos)
      << outcome.err;
  EXPECT_EQ(ScratchFolder::Tree(out), Paths{"small.txt"});
}

TEST_F(QmgdistPackage, ExtractLeavesNothingInTheTemporaryFolder) {
  std::string tree = MakeTree();
  std::string package = scratch_ / "P.QPK";
  ASSERT_EQ(Run({"pack", "--key", "01", tree, package}).status, 0);
  std::string temporary = scratch_ / "tmp";
  mkdir(temporary.c_str(), 0777);
  Outcome extracted = Run({"extract", "--key", "01", package, scratch_ / "out"}, "TMPDIR=" + ShellQuote(temporary) + " ");
  EXPECT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(ScratchFolder::Tree(temporary), Paths{});
}

TEST_F(QmgdistPackage, HelpExplainsEveryResultTheInstallerGives) {
  Outcome help = Run({"--help"});
  ASSERT_EQ(help.status, 0);
  std::vector<std::string> lines;
  for (size_t at = 0, end; at < help.out.size(); at = end + 1) {
    end = help.out.find('\n', at);
    std::string line = help.out.substr(at, end - at);
    lines.push_back(line.substr(std::min(line.find_first_not_of(' '), line.size())));
  }
  for (int code : {0, 1, 2, 3, 4, 6, 9, 50, 51, 76}) {
    std::string start = std::to_string(code) + " ";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const std::string &line) { return line.compare(0, start.size(), start) == 0; }))
        << "result " << code;
  }
}

TEST_F(QmgdistPackage, PackLeavesItsOwnPackageOutHoweverItIsSpelled) {
  std::string tree = MakeTree();
  symlink(tree.c_str(), (scratch_ / "link").c_str());
  for (const std::string &package : {tree + "/P.QPK", tree + "/levels/../P.QPK", scratch_ / "link/P.QPK"}) {
    SCOPED_TRACE(package);
    remove((tree + "/P.QPK").c_str());
    ASSERT_EQ(Run({"pack", "--key", "01", tree, package}).status, 0);
    std::string first = ScratchFolder::Read(tree + "/P.QPK");
    Outcome again = Run({"pack", "--key", "01", tree, package});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find(tree + "/P.QPK: left out: it is the package being written"), std::string::npos)
        << again.err;
    EXPECT_EQ(ScratchFolder::Read(tree + "/P.QPK"), first) << "the older package was packed into the new one";
  }
}

TEST_F(QmgdistPackage, PackRefusesAFileTheInstallerCannotReadAndKeepsTheOlderPackage) {
  // The member count is refused by the same check, before anything is
  // written (qmgdist_limits_test.cpp): a tree of 65536 files costs more than
  // it would show here.
  std::string tree = scratch_ / "large";
  mkdir(tree.c_str(), 0777);
  std::string huge = tree + "/huge.bin"; // sparse: no data is written
  ScratchFolder::Write(huge, "");
  struct Case {
    off_t size;
    std::string says;
  } cases[] = {
      {off_t{1} << 32, huge + ": 4294967296 bytes, but the installer reads only files below 4 GiB"},
      {0xFFFFFFFF, huge + ": 4294967295 bytes, but the installer reads only files below 4 GiB (at most "
                          "4294967294 bytes); no package written"},
  };
  std::string package = scratch_ / "P.QPK";
  for (const Case &c : cases) {
    SCOPED_TRACE(c.says);
    ScratchFolder::Write(package, "older package");
    ASSERT_EQ(truncate(huge.c_str(), c.size), 0) << strerror(errno);
    Outcome outcome = Run({"pack", "--key", "01", tree, package});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    EXPECT_EQ(ScratchFolder::Read(package), "older package");
    Paths left;
    for (const std::string &path : ScratchFolder::Tree(scratch_.path()))
      if (path.find("P.QPK") != std::string::npos)
        left.push_back(path);
    EXPECT_EQ(left, Paths{"P.QPK"}) << "no temporary file is left";
  }
}

TEST_F(QmgdistPackage, AnEmptyFolderMakesAValidEmptyPackageWithAWarning) {
  std::string empty = scratch_ / "empty";
  mkdir(empty.c_str(), 0777);
  std::string package = scratch_ / "E.QPK";
  Outcome packed = Run({"pack", "--key", "zero", empty, package});
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.err, "qmgdist pack: warning: " + empty + ": the folder is empty: the package has no members, "
                        "which SETUP.EXE reports as result 1 (Error unpacking)\n");
  EXPECT_EQ(ScratchFolder::Read(package), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  Outcome listed = Run({"list", "--key", "zero", package});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(LastLine(listed.out), "0 members, 0 bytes");
  Outcome extracted = Run({"extract", "--key", "zero", package, scratch_ / "out"});
  EXPECT_EQ(LastLine(extracted.out), "result: 1");

  remove(package.c_str());
  EXPECT_EQ(Run({"pack", "--strict", "--key", "zero", empty, package}).status, 1);
  EXPECT_FALSE(ScratchFolder::Exists(package));
}

TEST_F(QmgdistPackage, PackWarnsAboutNamesTheInstallerMergesAndStrictRefusesThem) {
  std::string tree = scratch_ / "names";
  mkdir(tree.c_str(), 0777);
  for (const char *name : {"a:b.txt", "a?b.txt", "a_b.txt"})
    ScratchFolder::Write(tree + "/" + name, name);
  std::string package = scratch_ / "N.QPK";
  Outcome packed = Run({"pack", "--key", "01", tree, package});
  EXPECT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.err,
            "qmgdist pack: warning: " + tree + "/a:b.txt: the installer names it a_b.txt\n"
            "qmgdist pack: warning: " + tree + "/a?b.txt: the installer names it a_b.txt; it replaces a:b.txt, "
            "which the installer names the same\n"
            "qmgdist pack: warning: " + tree + "/a_b.txt: it replaces a:b.txt, which the installer names the same\n");
  // What the warnings say: one file is left of three.
  Outcome extracted = Run({"extract", "--key", "01", package, scratch_ / "out"});
  EXPECT_EQ(LastLine(extracted.out), "result: 0");
  EXPECT_EQ(ScratchFolder::Tree(scratch_ / "out"), Paths{"a_b.txt"});
  EXPECT_EQ(ScratchFolder::Read(scratch_ / "out/a_b.txt"), "a_b.txt");

  ScratchFolder::Write(package, "older package");
  Outcome strict = Run({"pack", "--key", "01", "--strict", tree, package});
  EXPECT_EQ(strict.status, 1);
  EXPECT_NE(strict.err.find("--strict: the warnings above fail the pack; " + package + " not written"),
            std::string::npos)
      << strict.err;
  EXPECT_EQ(ScratchFolder::Read(package), "older package");
}

TEST_F(QmgdistPackage, ProgressShowsOnATerminalAndNowhereElse) {
  std::string tree = MakeTree();
  std::string package = scratch_ / "P.QPK";
  std::string last = package + ": 6 files and 5 folders packed with the 01 key table\n";
  Outcome piped = Run({"pack", "--key", "01", tree, package});
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, last);

  // script(1) gives the command a terminal and copies what it shows.
  std::string shown;
  std::string command = ShellCommand(QMGDIST_PATH, {"pack", "--key", "01", tree, package});
  ASSERT_EQ(RunShellCommand("script -qec " + ShellQuote(command) + " /dev/null", shown), 0);
  EXPECT_NE(shown.find("\r" + package + ": 6 of 6 files, 0.1 of 0.1 MB"), std::string::npos) << shown;
  // The count is blanked out before the last line (which the terminal
  // ends with CR LF).
  EXPECT_TRUE(EndsWith(shown, " \r" + last.substr(0, last.size() - 1) + "\r\n"))
      << shown;
}

} // namespace
