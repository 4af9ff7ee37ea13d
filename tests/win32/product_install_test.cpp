// Installing one product in-process under Wine, against the real registry:
// the opening records of the log, registration, and the replacement of an
// installed version with its questions and its removal through the old log.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "base/folder_chain.h"
#include "base/setup_state.h"
#include "package/key_table.h"
#include "script/install_host_win.h"
#include "script/product_install.h"
#include "script/script_reader.h"
#include "tests/support/log_records.h"
#include "tests/support/user_interface_recorder.h"
#include "tests/support/zip_builder.h"

namespace {

using Lines = std::vector<std::string>;

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class ProductInstall : public testing::Test {
protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "qmgp" + std::to_string(GetCurrentProcessId());
    Remove();
    CreateDirectoryA(root_.c_str(), nullptr);
    CreateDirectoryA((root_ + "\\dist").c_str(), nullptr);
    snprintf(SourceFolder, sizeof SourceFolder, "%s\\dist\\", root_.c_str());
    snprintf(InstallFolder, sizeof InstallFolder, "%s\\QMG", root_.c_str());
    BuildSharedKeyTable(SharedKeyTable);
    BuildProductKeyTable(1, ProductKeyTable);
    Package("GAME.QPK", ZipBuilder().Add("GAME.EXE", "MZ").Add("data/level.dat", "L1"), ProductKeyTable);
    DeleteEntries();
  }
  void TearDown() override {
    DeleteEntries();
    Remove();
  }
  void Remove() { system(("cmd /c rmdir /s /q \"" + root_ + "\" >nul 2>&1").c_str()); }
  static void DeleteEntries() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
      return;
    RegDeleteKeyA(key, "QMG Test Game");
    for (int n = 2; n <= 98; n++)
      RegDeleteKeyA(key, ("QMG Test Game_" + std::to_string(n)).c_str());
    RegCloseKey(key);
  }

  void Package(const std::string &name, const ZipBuilder &zip, const uint16_t *table) {
    std::ofstream(root_ + "\\dist\\" + name, std::ios::binary) << ZipBuilder::Scrambled(zip.Build(), table);
  }
  static std::string Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Exists(const std::string &relative) const {
    return GetFileAttributesA((root_ + "\\" + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  void Write(const std::string &relative, const std::string &text) const {
    std::ofstream(root_ + "\\" + relative, std::ios::binary) << text;
  }

  // Installs the product of a one-section script that starts "L01=" and
  // answers the questions with `answers`.
  bool Install(const std::string &section, std::vector<bool> answers = {}) {
    script_ = "L01=" + section;
    AttachScript(reinterpret_cast<const unsigned char *>(script_.data()), static_cast<uint32_t>(script_.size()));
    ScriptCursor = 4;
    ResetUserInterfaceRecord();
    AnswerQuestionsWith(answers);
    return InstallProduct(WindowsInstallHost());
  }
  static std::string Section(const std::string &version, const std::string &folder, const std::string &more = "") {
    return "Test Game\nV=" + version + "\nK=SCORES.DAT\nF=" + folder + "\nZ=GAME.QPK\n" + more;
  }
  // Every path below `relative`, folders with a trailing backslash, sorted.
  Lines Tree(const std::string &relative) const {
    Lines found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((root_ + "\\" + relative + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
      return found;
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..")
        continue;
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        found.push_back(name);
        continue;
      }
      found.push_back(name + "\\");
      for (const std::string &below : Tree(relative + "\\" + name))
        found.push_back(name + "\\" + below);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(found.begin(), found.end());
    return found;
  }
  // A message with the scratch folder shown as "~".
  std::string Relative(std::string text) const {
    for (size_t at; (at = text.find(root_)) != std::string::npos;)
      text.replace(at, root_.size(), "~");
    return text;
  }
  // An empty scratch folder again, with the distribution SetUp makes.
  void StartAgain() {
    DeleteEntries();
    SetUp();
  }

  Lines Log(const std::string &folder) const {
    return LogRecordsOf(Read(root_ + "\\QMG\\" + folder + "\\unsetup.ctl"), root_);
  }

  static std::string Value(const std::string &entry, const char *name) {
    char data[512] = "";
    DWORD size = sizeof data;
    RegGetValueA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\" + entry).c_str(), name, RRF_RT_REG_SZ,
                 nullptr, data, &size);
    return data;
  }
  Lines Messages() const { return RecordedUserInterface().messages; }

  // Adds records at the end of the installed log, where the removal walk
  // starts: what someone with write access to the product folder could do.
  void AppendToLog(const std::string &folder, const std::string &record) const {
    std::ofstream(root_ + "\\QMG\\" + folder + "\\unsetup.ctl", std::ios::binary | std::ios::app)
        << record << '\0';
  }
  static bool EntryExists(const std::string &name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\" + name).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }
  static void CreateEntry(const std::string &name) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\" + name).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void DeleteEntryTree(const std::string &name) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\" + name).c_str());
  }
  // The scratch folder (ANSI) joined with a name written in UTF-8.
  std::wstring Wide(const std::string &utf8Relative) const {
    wchar_t root[MAX_PATH], relative[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, root_.c_str(), -1, root, MAX_PATH);
    MultiByteToWideChar(CP_UTF8, 0, utf8Relative.c_str(), -1, relative, MAX_PATH);
    return std::wstring(root) + L"\\" + relative;
  }

  // Makes `relative` a symbolic link to the folder `target`. Windows calls
  // need a privilege; under Wine a link made on the Unix side shows as a
  // reparse point, and Unix programs can be started from here. False when
  // neither works.
  bool MakeFolderLink(const std::string &relative, const std::string &target) const {
    std::string link = root_ + "\\" + relative, to = root_ + "\\" + target;
    if (CreateSymbolicLinkA(link.c_str(), to.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && IsLink(link))
      return true;
    if (!RunUnix("Z:\\bin\\ln", "/bin/ln -s \"" + UnixPath(to) + "\" \"" + UnixPath(link) + "\""))
      return false;
    // The Unix process is not always waited for: look until the link shows.
    for (int i = 0; i < 250 && !IsLink(link); i++)
      Sleep(20);
    return IsLink(link);
  }
  // Wine cannot remove such a link itself, and one left behind would keep
  // its folder from ever being empty.
  void RemoveFolderLink(const std::string &relative) const {
    std::string link = root_ + "\\" + relative;
    if (!RemoveDirectoryA(link.c_str()))
      RunUnix("Z:\\bin\\rm", "/bin/rm \"" + UnixPath(link) + "\"");
    for (int i = 0; i < 250 && IsLink(link); i++)
      Sleep(20);
  }
  static std::string UnixPath(const std::string &path) {
    using ToUnix = char *(CDECL *)(const WCHAR *);
    // Through void *: the exported address has no type of its own.
    FARPROC exported = GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void *>(exported));
    if (!toUnix)
      return "";
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char *found = toUnix(wide);
    std::string text = found ? found : "";
    HeapFree(GetProcessHeap(), 0, found);
    return text;
  }
  static bool RunUnix(const char *program, std::string command) {
    if (UnixPath("C:\\").empty())
      return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(program, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      return false;
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }
  static bool IsLink(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  std::string root_, script_;
};

TEST_F(ProductInstall, FreshInstallWritesTheOpeningRecordsAndTheEntry) {
  Package("MUSIC.QPK", ZipBuilder().Add("theme.mid", "M"), SharedKeyTable);
  ASSERT_TRUE(Install(Section("1.0", "GAME")));
  EXPECT_EQ(Messages(), Lines{});
  EXPECT_EQ(RecordedUserInterface().productsShown, Lines{"Test Game"});
  EXPECT_EQ(Log("GAME"), (Lines{"ATest Game", "F~\\QMG", "F~\\QMG\\GAME", "D~\\QMG\\GAME\\unsetup.ctl",
                                "KQMG Test Game", "D~\\QMG\\GAME\\GAME.EXE", "F~\\QMG\\GAME/data",
                                "D~\\QMG\\GAME\\data\\level.dat"}));
  EXPECT_TRUE(Exists("QMG\\Music\\theme.mid")) << "shared packages unpack but stay out of the log";
  EXPECT_FALSE(Exists("QMG\\CommonUI"));
  EXPECT_EQ(Value("QMG Test Game", "DisplayName"), "QMG Test Game");
  EXPECT_EQ(Value("QMG Test Game", "UninstallString"), root_ + "\\QMG\\GAME\\unsetup.exe");
  EXPECT_EQ(Value("QMG Test Game", "Folder"), root_ + "\\QMG\\GAME");
  EXPECT_EQ(Value("QMG Test Game", "Version"), "1.0");
}

TEST_F(ProductInstall, NewerVersionAsksAndKeepsThePlayersData) {
  ASSERT_TRUE(Install(Section("1.0", "GAME", "C=GAME.QPK=OLDONLY.BIN\n")));
  Write("QMG\\GAME\\SCORES.DAT", "high scores");
  ASSERT_TRUE(Install(Section("1.1", "GAME"), {true}));
  EXPECT_EQ(Messages(), Lines{"Version 1.0 already exists in that folder.\nDo you want to replace it with version 1.1?"});
  EXPECT_EQ(Read(root_ + "\\QMG\\GAME\\SCORES.DAT"), "high scores");
  EXPECT_FALSE(Exists("QMG\\GAME\\OLDONLY.BIN"));
  EXPECT_EQ(Value("QMG Test Game", "Version"), "1.1");
  EXPECT_EQ(Value("QMG Test Game_2", "Version"), "");
}

TEST_F(ProductInstall, OlderVersionAsksAndRemovesEverything) {
  ASSERT_TRUE(Install(Section("1.9", "GAME")));
  Write("QMG\\GAME\\SCORES.DAT", "high scores");
  // As text, 1.10 sorts before 1.9: it counts as older.
  ASSERT_TRUE(Install(Section("1.10", "GAME"), {true}));
  EXPECT_EQ(Messages(), Lines{"The version you're trying to install is older than\nthe already installed version.  "
                              "Do you want to\nuninstall the previous version first?\n(All player data & records "
                              "will be lost.)"});
  EXPECT_FALSE(Exists("QMG\\GAME\\SCORES.DAT"));
  EXPECT_EQ(Value("QMG Test Game", "Version"), "1.10");
}

TEST_F(ProductInstall, DecliningLeavesTheInstalledVersionAlone) {
  ASSERT_TRUE(Install(Section("1.0", "GAME")));
  Write("QMG\\GAME\\SCORES.DAT", "high scores");
  Lines before = Log("GAME");
  // No and Cancel both answer "not Yes".
  EXPECT_FALSE(Install(Section("2.0", "GAME"), {false}));
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Log("GAME"), before);
  EXPECT_EQ(Value("QMG Test Game", "Version"), "1.0");
  EXPECT_TRUE(Exists("QMG\\GAME\\SCORES.DAT"));
}

TEST_F(ProductInstall, SilentRemovals) {
  // The same version in another case: removed without asking, data included.
  ASSERT_TRUE(Install(Section("2.0A", "GAME")));
  Write("QMG\\GAME\\SCORES.DAT", "high scores");
  ASSERT_TRUE(Install(Section("2.0a", "GAME")));
  EXPECT_EQ(Messages(), Lines{});
  EXPECT_FALSE(Exists("QMG\\GAME\\SCORES.DAT"));
  EXPECT_EQ(Value("QMG Test Game", "Version"), "2.0a");

  // Moved to a new folder: the old folder is removed without asking.
  ASSERT_TRUE(Install(Section("2.0a", "MOVED")));
  EXPECT_EQ(Messages(), Lines{});
  EXPECT_FALSE(Exists("QMG\\GAME"));
  EXPECT_TRUE(Exists("QMG\\MOVED\\GAME.EXE"));
  EXPECT_EQ(Value("QMG Test Game", "Folder"), root_ + "\\QMG\\MOVED");
}

TEST_F(ProductInstall, AnEntryWhoseLogIsMissingIsReportedAndReplaced) {
  ASSERT_TRUE(Install(Section("1.0", "GAME")));
  DeleteFileA((root_ + "\\QMG\\GAME\\unsetup.ctl").c_str());
  ASSERT_TRUE(Install(Section("1.0", "GAME")));
  EXPECT_EQ(Messages(), Lines{"UNSETUP.CTL error, no uninstall info."});
  EXPECT_EQ(Value("QMG Test Game", "Version"), "1.0");
  EXPECT_EQ(Value("QMG Test Game_2", "Version"), "");
}

TEST_F(ProductInstall, AnEntryLeftBehindGivesTheSecondName) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + "\\QMG Test Game").c_str(), 0, nullptr,
                            0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key); // no Folder, no Version: neither replaced nor removed
  ASSERT_TRUE(Install(Section("1.0", "GAME")));
  EXPECT_EQ(Value("QMG Test Game_2", "DisplayName"), "QMG Test Game_2");
  EXPECT_EQ(Log("GAME")[4], "KQMG Test Game_2");
}

TEST_F(ProductInstall, SectionHeadErrors) {
  struct Case {
    const char *why;
    std::string section;
    const char *message;
  } cases[] = {
      {"K before V", "Test Game\nK=SCORES.DAT\nV=1.0\nF=GAME\n",
       "Expected VERSION specification in CTL file:\nK=SCORES.DAT"},
      {"no F, then the next section", "Test Game\nV=1.0\nK=A.DAT\nL02=Another Game title\n",
       "Expected FOLDER specification in CTL file:\nL02=Another Game tit"},
      {"K after F is a command", "Test Game\nV=1.0\nF=GAME\nK=SCORES.DAT\n",
       "Unknown command in SETUP file:\nK=SCORES.DAT\n"},
      {"the word VERSION", "Test Game\nVERSION=1.0\nF=GAME\n", "Error: '=' expected at:\nERSION=1.0\nF=GAME\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_FALSE(Install(c.section));
    EXPECT_EQ(Messages(), Lines{c.message});
    DeleteEntries();
  }
}

TEST_F(ProductInstall, ASectionEndingAtItsFolderLineLeavesOnlyTheOpeningRecords) {
  ASSERT_TRUE(Install("Test Game\nV=1.0\nF=GAME"));
  EXPECT_EQ(Log("GAME"), (Lines{"ATest Game", "F~\\QMG", "F~\\QMG\\GAME", "D~\\QMG\\GAME\\unsetup.ctl",
                                "KQMG Test Game"}));
}

TEST_F(ProductInstall, AFailingCommandClosesTheLogWithWhatWasDone) {
  EXPECT_FALSE(Install(Section("1.0", "GAME", "Z=MISSING.QPK\nC=GAME.QPK=NEVER.BIN\n")));
  EXPECT_EQ(Messages(), Lines{"Error unpacking MISSING.QPK"});
  Lines log = Log("GAME");
  EXPECT_EQ(log.back(), "D~\\QMG\\GAME\\data\\level.dat");
}

TEST_F(ProductInstall, AnEditedLogCannotReachBeyondTheInstallation) {
  const char warning[] = "Warning: some items were not removed.";
  struct Case {
    const char *why;
    std::string record;
    std::function<bool()> stillThere;
  } cases[] = {
      {"a file outside the product folder", "D" + root_ + "\\outside.txt", [&] { return Exists("outside.txt"); }},
      {"a file reached with ..", "D" + root_ + "\\QMG\\GAME\\..\\..\\outside.txt",
       [&] { return Exists("outside.txt"); }},
      {"a file reached with / and ..", "D" + root_ + "/QMG/GAME/../../outside.txt",
       [&] { return Exists("outside.txt"); }},
      {"another program's Uninstall entry", "KOther Program", [] { return EntryExists("Other Program"); }},
      {"a key below another entry", "KOther Program\\Part", [] { return EntryExists("Other Program\\Part"); }},
      {"an empty folder outside", "F" + root_ + "\\empty", [&] { return Exists("empty"); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    Write("outside.txt", "not the installer's");
    CreateDirectoryA((root_ + "\\empty").c_str(), nullptr);
    CreateEntry("Other Program\\Part");
    ASSERT_TRUE(Install(Section("1.0", "GAME")));
    AppendToLog("GAME", c.record);
    // The same version again: the installed one is removed without asking.
    ASSERT_TRUE(Install(Section("1.0", "GAME")));
    EXPECT_EQ(Messages(), Lines{warning});
    EXPECT_TRUE(c.stillThere());
    EXPECT_EQ(Value("QMG Test Game", "Version"), "1.0");
    EXPECT_EQ(Value("QMG Test Game_2", "Version"), "") << "the old entry went all the same";
    DeleteEntryTree("Other Program");
  }
}

TEST_F(ProductInstall, AnEditedLogCannotReachThroughALinkInTheProductFolder) {
  ASSERT_TRUE(Install(Section("1.0", "GAME")));
  CreateDirectoryA((root_ + "\\elsewhere").c_str(), nullptr);
  Write("elsewhere\\victim.txt", "not the installer's");
  if (!MakeFolderLink("QMG\\GAME\\link", "elsewhere"))
    GTEST_SKIP() << "no symbolic link can be made here";
  ASSERT_TRUE(Exists("QMG\\GAME\\link\\victim.txt"));
  AppendToLog("GAME", "D" + root_ + "\\QMG\\GAME\\link\\victim.txt");
  ASSERT_TRUE(Install(Section("1.0", "GAME")));
  EXPECT_EQ(Messages(), Lines{"Warning: some items were not removed."});
  EXPECT_TRUE(Exists("elsewhere\\victim.txt"));
  RemoveFolderLink("QMG\\GAME\\link");
  EXPECT_FALSE(IsLink(root_ + "\\QMG\\GAME\\link"));
}

// Unix symbolic links to a folder outside, planted where the install will
// make or enter something: the product folder, a package's subfolder, the
// log's name, a C destination, a shared package's folder and the install
// folder itself. Wine shows them as reparse points, as Windows shows a
// junction. Nothing is made or changed where they lead, and each failure
// is the one already reported there. (Links to files Wine follows; those
// cases are tested natively.)
TEST_F(ProductInstall, NothingIsWrittenThroughALinkPlantedBeforeTheInstall) {
  Package("MUSIC.QPK", ZipBuilder().Add("theme.mid", "M"), SharedKeyTable);
  Write("dist\\DEFAULT.CFG", "defaults");
  const std::string more = "C=DEFAULT.CFG=GAME.CFG\n";
  struct Case {
    const char *link;
    const char *madeFirst; // a real folder the link goes in, "" for none
    bool completes;
    Lines messages;
  } cases[] = {
      {"QMG\\GAME", "QMG", false, {"Error creating folder:\n~\\QMG\\GAME"}},
      {"QMG\\GAME\\data", "QMG\\GAME", false, {"Error unpacking GAME.QPK"}},
      {"QMG\\GAME\\unsetup.ctl", "QMG\\GAME", false, {"Error creating file:\n~\\QMG\\GAME\\unsetup.ctl"}},
      {"QMG\\GAME\\GAME.CFG", "QMG\\GAME", true, {}},
      {"QMG\\Music", "QMG", true, {}},
      {"QMG", "", false, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.link);
    CreateDirectoryA((root_ + "\\outside").c_str(), nullptr);
    Write("outside\\victim.txt", "not the installer's");
    if (c.madeFirst[0]) {
      ASSERT_EQ(SHCreateDirectoryExA(nullptr, (root_ + "\\" + c.madeFirst).c_str(), nullptr), ERROR_SUCCESS);
    }
    if (!MakeFolderLink(c.link, "outside"))
      GTEST_SKIP() << "no symbolic link can be made here";
    EXPECT_EQ(Install(Section("1.0", "GAME", more)), c.completes);
    Lines messages;
    for (const std::string &message : Messages())
      messages.push_back(Relative(message));
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(Tree("outside"), Lines{"victim.txt"});
    EXPECT_EQ(Read(root_ + "\\outside\\victim.txt"), "not the installer's");
    RemoveFolderLink(c.link);
    ASSERT_FALSE(IsLink(root_ + "\\" + c.link));
    StartAgain();
    Package("MUSIC.QPK", ZipBuilder().Add("theme.mid", "M"), SharedKeyTable);
    Write("dist\\DEFAULT.CFG", "defaults");
  }
}

// A link swapped in for a folder of an installed product before it is
// replaced: the removal through the old log deletes nothing where it
// leads, and the new install writes nothing there.
TEST_F(ProductInstall, NothingIsRemovedOrWrittenThroughALinkSwappedInBeforeAnUpgrade) {
  for (const char *swapped : {"QMG\\GAME\\data", "QMG\\GAME"}) {
    SCOPED_TRACE(swapped);
    ASSERT_TRUE(Install(Section("1.0", "GAME")));
    // What was installed moves away, and a folder with the same names
    // outside takes its place through the link.
    ASSERT_TRUE(MoveFileA((root_ + "\\" + swapped).c_str(), (root_ + "\\outside").c_str()));
    if (!MakeFolderLink(swapped, "outside"))
      GTEST_SKIP() << "no symbolic link can be made here";
    Lines before = Tree("outside");
    Install(Section("1.1", "GAME"), {true});
    EXPECT_EQ(Tree("outside"), before);
    RemoveFolderLink(swapped);
    StartAgain();
  }
}

TEST_F(ProductInstall, ReadOnlyFilesGoWhateverTheirNamesAndFoldersAlreadyGoneAreNoFailure) {
  ZipMember utf8Name, asciiName;
  utf8Name.name = "caf\xC3\xA9.txt";
  utf8Name.flags = 0x0800;
  asciiName.name = "plain.txt";
  utf8Name.data = asciiName.data = "read only";
  utf8Name.externalAttributes = asciiName.externalAttributes = 0x21;
  Package("READONLY.QPK", ZipBuilder().Add(utf8Name).Add(asciiName), ProductKeyTable);
  ASSERT_TRUE(Install(Section("1.0", "GAME", "Z=READONLY.QPK\n")));
  DWORD attributes = GetFileAttributesW(Wide("QMG\\GAME\\caf\xC3\xA9.txt").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(GetFileAttributesA((root_ + "\\QMG\\GAME\\plain.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  // The player removed a folder of the installation by hand.
  system(("cmd /c rmdir /s /q \"" + root_ + "\\QMG\\GAME\\data\" >nul 2>&1").c_str());
  ASSERT_FALSE(Exists("QMG\\GAME\\data"));

  ASSERT_TRUE(Install(Section("1.0", "GAME")));
  EXPECT_EQ(Messages(), Lines{});
  EXPECT_EQ(GetFileAttributesW(Wide("QMG\\GAME\\caf\xC3\xA9.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(Exists("QMG\\GAME\\plain.txt"));
  EXPECT_TRUE(Exists("QMG\\GAME\\data\\level.dat")) << "the new installation made it again";
}

} // namespace
