// The file finder over a scratch folder: read-ahead, the folder of the
// pattern, and failures with their last error.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "browse/file_find.h"
#include "tests/support/win32_scratch_folder.h"

namespace {

struct Entry {
  std::string name, path;
  bool directory, dots;
  bool operator<(const Entry &other) const { return name < other.name; }
};

// Every entry the usual loop sees: advance, then look.
std::vector<Entry> Walk(CFileFind &finder) {
  std::vector<Entry> seen;
  bool more;
  do {
    more = finder.FindNextFile();
    char name[MAX_PATH], path[1024];
    EXPECT_NE(finder.GetFileName(name, sizeof name), nullptr);
    EXPECT_NE(finder.GetFilePath(path, sizeof path), nullptr);
    seen.push_back({name, path, finder.IsDirectory(), finder.IsDots()});
  } while (more);
  std::sort(seen.begin(), seen.end());
  return seen;
}

std::vector<std::string> Names(const std::vector<Entry> &entries) {
  std::vector<std::string> names;
  for (const Entry &e : entries)
    names.push_back(e.name);
  return names;
}

TEST(FileFind, TheLoopSeesEveryEntryTheLastIncluded) {
  Win32ScratchFolder scratch("qmgfind");
  scratch.File("a.txt", "a");
  scratch.File("b.dat", "b");
  scratch.Folder("sub");
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile((scratch / "*.*").c_str()));
  std::vector<Entry> seen = Walk(finder);
  EXPECT_EQ(Names(seen), (std::vector<std::string>{".", "..", "a.txt", "b.dat", "sub"}));
  for (const Entry &e : seen) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.directory, e.name == "." || e.name == ".." || e.name == "sub");
    EXPECT_EQ(e.dots, e.name == "." || e.name == "..");
    EXPECT_EQ(e.path, scratch / e.name);
  }
  EXPECT_FALSE(finder.FindNextFile()) << "nothing is left after the last entry";
}

TEST(FileFind, AFolderWithOnlyDotsShowsJustThoseTwo) {
  Win32ScratchFolder scratch("qmgdots");
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile((scratch.path() + "\\*.*").c_str()));
  std::vector<Entry> seen = Walk(finder);
  ASSERT_EQ(Names(seen), (std::vector<std::string>{".", ".."}));
  EXPECT_TRUE(seen[0].dots && seen[1].dots);
}

TEST(FileFind, TheRootOfADriveKeepsOneSeparator) {
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile("C:\\*.*"));
  ASSERT_TRUE(finder.FindNextFile());
  char name[MAX_PATH], path[1024];
  ASSERT_NE(finder.GetFileName(name, sizeof name), nullptr);
  ASSERT_NE(finder.GetFilePath(path, sizeof path), nullptr);
  EXPECT_EQ(std::string(path), std::string("C:\\") + name);

  // Forward slashes mark the folder too.
  Win32ScratchFolder scratch("qmgslash");
  scratch.File("only.txt");
  ASSERT_TRUE(finder.FindFile((scratch.path() + "/only.txt").c_str()));
  finder.FindNextFile();
  ASSERT_NE(finder.GetFilePath(path, sizeof path), nullptr);
  EXPECT_EQ(std::string(path), scratch / "only.txt");
}

TEST(FileFind, FailuresCloseTheFinderAndLeaveTheirReason) {
  Win32ScratchFolder scratch("qmgnomatch");
  struct Case {
    const char *name;
    std::string pattern;
    DWORD error;
  } cases[] = {
      {"no match", scratch / "*.nomatch", ERROR_FILE_NOT_FOUND},
      {"missing folder", scratch / "missing\\*.*", ERROR_PATH_NOT_FOUND},
      {"pattern longer than a find record's name", scratch / (std::string(300, 'x') + "\\*.*"),
       ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CFileFind finder;
    // An open search is closed by the failing one.
    ASSERT_TRUE(finder.FindFile("C:\\*.*"));
    SetLastError(0);
    EXPECT_FALSE(finder.FindFile(c.pattern.c_str()));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_FALSE(finder.FindNextFile());
    char name[MAX_PATH] = "untouched";
    EXPECT_EQ(finder.GetFileName(name, sizeof name), nullptr);
    EXPECT_STREQ(name, "");
    EXPECT_FALSE(finder.IsDirectory());
    EXPECT_FALSE(finder.IsDots());
  }
}

TEST(FileFind, NamesAndPathsThatDoNotFitAreRefused) {
  Win32ScratchFolder scratch("qmgfit");
  scratch.File("twelve_chars");
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile((scratch / "twelve_chars").c_str()));
  finder.FindNextFile();
  char small[12];
  EXPECT_EQ(finder.GetFileName(small, sizeof small), nullptr);
  EXPECT_STREQ(small, "");
  char exact[13];
  EXPECT_NE(finder.GetFileName(exact, sizeof exact), nullptr);
  EXPECT_STREQ(exact, "twelve_chars");

  std::string full = scratch / "twelve_chars";
  std::vector<char> path(full.size());
  EXPECT_EQ(finder.GetFilePath(path.data(), path.size()), nullptr);
  path.resize(full.size() + 1);
  ASSERT_NE(finder.GetFilePath(path.data(), path.size()), nullptr);
  EXPECT_EQ(std::string(path.data()), full);
}

} // namespace
