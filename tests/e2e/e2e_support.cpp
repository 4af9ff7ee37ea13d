#include "e2e_support.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "resources/resource_ids.h"
#include "tests/support/win32_scratch_folder.h"
#include "tests/support/wine_folder_link.h"

namespace setup_driver {

void PrintTo(const Product &product, std::ostream *out) {
  *out << (product.selected ? "[x] " : "[ ] ") << product.title;
}

} // namespace setup_driver

namespace e2e {

const char ScriptHeader[] = "#00000000 setup script\r\n";

namespace {

const char RegistryKey[] = "Software\\QuillmarshGames";
const char RegistryValue[] = "DefaultInstallPath";
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string Failure(const std::string &what) {
  return what + " (Windows error " + std::to_string(GetLastError()) + ")";
}

// This process's scratch folder: both ctest runs of the test program may
// run at once, each in its own Wine prefix, so the name carries the id.
const std::string &ScratchRoot() {
  static const std::string root = [] {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
      throw std::runtime_error(Failure("no temporary folder"));
    std::string path = std::string(temp) + "qmg-e2e-" + std::to_string(GetCurrentProcessId());
    setup_driver::MakeFolders(path);
    return path;
  }();
  return root;
}


void WriteFileBytes(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush())
    throw std::runtime_error("cannot write " + path);
}

std::string ReadBytesOf(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

} // namespace

DWORD RunProgram(const std::string &program, const std::string &arguments, const std::string &logPath,
                 std::string &log) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  setup_driver::UniqueHandle logFile(CreateFileA(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!logFile.valid())
    throw std::runtime_error(Failure("cannot create " + logPath));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = logFile.get();
  startup.hStdError = logFile.get();
  std::string commandLine = "\"" + program + "\" " + arguments;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info))
    throw std::runtime_error(Failure("cannot start " + program));
  setup_driver::UniqueHandle process(info.hProcess), thread(info.hThread);
  logFile.reset();
  if (WaitForSingleObject(process.get(), 20000) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
    throw std::runtime_error(program + " did not end within 20 s");
  }
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  log = ReadFileBytes(logPath);
  return code;
}


Distribution::Distribution() {
  static unsigned made = 0;
  const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "dist";
  for (char &c : name)
    if (c == '/' || c == '\\' || c == ':')
      c = '_';
  folder_ = ScratchRoot() + "\\" + name + "-" + std::to_string(++made);
  Win32ScratchFolder::RemoveTree(folder_);
  setup_driver::MakeFolders(folder_);
  std::string setup = setup_driver::ToWindowsPath(QMG_SETUP_EXE);
  if (!CopyFileA(setup.c_str(), SetupExe().c_str(), FALSE))
    throw std::runtime_error(Failure("cannot copy " + setup + " to " + SetupExe()));
}

Distribution::~Distribution() {
  if (testing::Test::HasFailure()) {
    printf("kept for a look: %s\n", folder_.c_str());
    return;
  }
  Win32ScratchFolder::RemoveTree(folder_);
}

void Distribution::WriteScript(const std::string &text) const { WriteFileBytes(PathOf("SETUP.CTL"), text); }

void Distribution::WriteStampedScript(const std::string &text) const {
  WriteScript(text);
  std::string log;
  std::string qmgdist = setup_driver::ToWindowsPath(QMG_QMGDIST_EXE);
  // The log goes beside the distribution, not into it.
  DWORD code = RunProgram(qmgdist, "stamp \"" + PathOf("SETUP.CTL") + "\"", folder_ + ".stamp.log", log);
  DeleteFileA((folder_ + ".stamp.log").c_str());
  if (code != 0)
    throw std::runtime_error("qmgdist stamp failed with exit code " + std::to_string(code) + ": " + log);
}

std::string Distribution::ReadScript() const { return ReadFileBytes(PathOf("SETUP.CTL")); }

void Distribution::AddPackages(const std::vector<std::string> &names) const {
  for (const std::string &name : names)
    WriteFileBytes(PathOf(name), "package " + name + "\r\n");
}

void Distribution::CopyFrom(const std::string &folder) const {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    throw std::runtime_error(Failure("no distribution in " + folder));
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !CopyFileA((folder + "\\" + found.cFileName).c_str(), PathOf(found.cFileName).c_str(), FALSE))
      throw std::runtime_error(Failure(std::string("cannot copy ") + found.cFileName));
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::string FreshScratchFolder(const std::string &name) {
  std::string folder = ScratchRoot() + "\\" + name;
  Win32ScratchFolder::RemoveTree(folder);
  setup_driver::MakeFolders(folder);
  return folder;
}

void RemoveTree(const std::string &path) { Win32ScratchFolder::RemoveTree(path); }

std::string ReadFileBytes(const std::string &path) { return ReadBytesOf(path); }

bool PlantFolderLink(const std::string &link, const std::string &target) {
  return wine_folder_link::Plant(link, target);
}

void RemoveFolderLink(const std::string &link) { wine_folder_link::Remove(link); }

std::vector<std::string> EntriesNamed(const std::string &prefix) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  char name[512];
  for (DWORD i = 0;; i++) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (std::string(name).compare(0, prefix.size(), prefix) == 0)
      names.push_back(name);
  }
  RegCloseKey(key);
  std::sort(names.begin(), names.end());
  return names;
}

void DeleteSampleEntries() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  for (const std::string &name : EntriesNamed("QMG "))
    RegDeleteKeyA(key, name.c_str());
  RegCloseKey(key);
}


std::optional<std::string> RememberedFolder() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RegistryKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return std::nullopt;
  char value[1024];
  DWORD type = 0, size = sizeof value - 1;
  LONG status = RegQueryValueExA(key, RegistryValue, nullptr, &type, reinterpret_cast<BYTE *>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ)
    return std::nullopt;
  value[size] = '\0';
  return std::string(value);
}

void RememberFolder(const std::string &folder) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, RegistryKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot create the registry key");
  LONG status = RegSetValueExA(key, RegistryValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(folder.c_str()),
                               static_cast<DWORD>(folder.size() + 1));
  RegCloseKey(key);
  if (status != ERROR_SUCCESS)
    throw std::runtime_error("cannot store the remembered folder");
}

void ForgetRememberedFolder() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, RegistryKey); }

std::string Describe(const Shown &shown) {
  switch (shown.kind) {
  case Shown::MainDialog:
    return "the main dialog";
  case Shown::MessageBox:
    return "a message box \"" + setup_driver::Escaped(shown.text) + "\"";
  case Shown::OtherDialog:
    return "a dialog \"" + shown.caption + "\" saying \"" + setup_driver::Escaped(shown.text) + "\"";
  case Shown::Exit:
    return "its end with exit code " + std::to_string(shown.exitCode);
  }
  return "?";
}

testing::AssertionResult IsMainDialog(const Shown &shown) {
  if (shown.kind == Shown::MainDialog)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected the main dialog, SETUP showed " << Describe(shown);
}

testing::AssertionResult IsMessage(const Shown &shown, const std::string &text) {
  if (shown.kind == Shown::MessageBox && shown.text == text)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected a message box \"" << setup_driver::Escaped(text)
                                     << "\", SETUP showed " << Describe(shown);
}

testing::AssertionResult IsExit(const Shown &shown, DWORD exitCode) {
  if (shown.kind == Shown::Exit && shown.exitCode == exitCode)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected the end with exit code " << exitCode << ", SETUP showed "
                                     << Describe(shown);
}

void ShowAndAbort(const Distribution &distribution, DialogContents *seen) {
  SetupProcess setup(distribution.SetupExe());
  Shown dialog = setup.Next();
  ASSERT_TRUE(IsMainDialog(dialog));
  seen->products = setup.Products(dialog.window);
  seen->folder = setup.Folder(dialog.window);
  seen->rect = setup_driver::WindowRect(dialog.window);
  setup.Press(dialog.window, IDCANCEL);
  EXPECT_TRUE(IsExit(setup.Next(true), 0)) << "Abort ends SETUP without a message";
}

void ExpectLastMessage(SetupProcess &setup, const std::string &text, bool mainDialogOpen) {
  Shown box = setup.Next(mainDialogOpen);
  ASSERT_TRUE(IsMessage(box, text));
  setup.Answer(box.window);
  EXPECT_TRUE(IsExit(setup.Next(), 0));
}

std::vector<Product> AllSelected(const std::vector<std::string> &titles) {
  std::vector<Product> products;
  for (const std::string &title : titles)
    products.push_back({title, true});
  return products;
}

} // namespace e2e
