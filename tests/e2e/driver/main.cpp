// setup-driver: runs SETUP.EXE of a distribution folder like a user and
// prints what it saw, one plain line per fact.
//
//   setup-driver show DIST_FOLDER [--screenshot FILE.png]
//   setup-driver install DIST_FOLDER FOLDER [--screenshot FILE.png]
//   setup-driver report FOLDER
//   setup-driver uninstall TITLE [--screenshot PREFIX]
//
// "show" waits for the main dialog, reports it and presses Abort. "install"
// types FOLDER into the install folder, presses Install and reports and
// answers every message box and other dialog (OK, or Yes to a question)
// until the program ends; it should end with the completion notice and
// nothing else on the way. "report" prints what an installation in FOLDER
// made: each product's uninstall log checked against the disk, its Uninstall
// entry and its shortcuts. "uninstall" runs the UninstallString of the
// product's entry exactly as the list of installed programs would, answers
// Yes and OK, and prints what the uninstaller said and what was left.
// Exit status: 0 when the run went as a user would expect, 1 when it did not
// (the last line says why), 2 for a usage error or a program that cannot be
// started.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "installation.h"
#include "resources/resource_ids.h"
#include "setup_driver.h"

using namespace setup_driver;

namespace {

const char Usage[] =
    "usage: setup-driver show DIST_FOLDER [--screenshot FILE.png]\n"
    "       setup-driver install DIST_FOLDER FOLDER [--screenshot FILE.png]\n"
    "       setup-driver report FOLDER\n"
    "       setup-driver uninstall TITLE [--screenshot PREFIX]\n"
    "\n"
    "Runs DIST_FOLDER\\SETUP.EXE like a user and prints what it showed.\n"
    "  show     report the main dialog, then press Abort\n"
    "  install  report the main dialog, type FOLDER as the install folder,\n"
    "           press Install and answer every message box and dialog (OK, or\n"
    "           Yes to a question) until SETUP ends, which it should do with\n"
    "           \"Setup has completed.\" and no other message on the way\n"
    "  report   print what the products installed in FOLDER made, from their\n"
    "           uninstall logs: files, folders, Uninstall entries, shortcuts\n"
    "  uninstall run the UninstallString of the entry \"QMG TITLE\", answer Yes\n"
    "           and OK, and print the boxes and what is left of the product\n"
    "           folder; PREFIX-question.png and PREFIX-final.png are the boxes\n"
    "  --screenshot FILE.png  save the whole screen once the dialog is filled in\n"
    "Linux paths (/...) are taken as paths on drive Z:.\n"
    "Exit status: 0 as a user would expect, 1 otherwise, 2 usage or start error.\n";

const char CompletionMessage[] = "Setup has completed.";

struct Request {
  bool install = false;
  std::string distribution;
  std::string folder;
  std::string screenshot;
};

bool ParseArguments(int argc, char **argv, Request &request) {
  int positional = 0;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--screenshot")) {
      if (++i == argc)
        return false;
      request.screenshot = argv[i];
    } else if (positional == 0) {
      if (!strcmp(argv[i], "install"))
        request.install = true;
      else if (strcmp(argv[i], "show") != 0)
        return false;
      positional++;
    } else if (positional == 1) {
      request.distribution = argv[i];
      positional++;
    } else if (positional == 2 && request.install) {
      request.folder = argv[i];
      positional++;
    } else {
      return false;
    }
  }
  return positional == (request.install ? 3 : 2);
}

int Fail(const std::string &why) {
  printf("result: FAILED - %s\n", why.c_str());
  return 1;
}

void Report(SetupProcess &setup, HWND dialog) {
  SIZE screen = ScreenSize();
  RECT rect = WindowRect(dialog);
  printf("main dialog: %s\n", MainDialogCaption);
  printf("screen: %ldx%ld\n", screen.cx, screen.cy);
  printf("dialog position: %ld,%ld\n", rect.left, rect.top);
  printf("dialog size: %ldx%ld\n", rect.right - rect.left, rect.bottom - rect.top);
  std::vector<Product> products = setup.Products(dialog);
  if (products.empty())
    printf("products: none\n");
  for (const Product &product : products)
    printf("product: [%c] %s\n", product.selected ? 'x' : ' ', product.title.c_str());
  printf("install folder: %s\n", setup.Folder(dialog).c_str());
}

// A message box on one line; another dialog with its caption and a line per
// text on it.
void PrintShown(const Shown &shown) {
  if (shown.kind == Shown::MessageBox) {
    printf("message: %s\n", Escaped(shown.text).c_str());
    return;
  }
  printf("window: %s\n", shown.caption.c_str());
  size_t start = 0;
  while (start < shown.text.size()) {
    size_t end = shown.text.find('\n', start);
    if (end == std::string::npos)
      end = shown.text.size();
    printf("text: %s\n", shown.text.substr(start, end - start).c_str());
    start = end + 1;
  }
}

void PrintExit(const Shown &end) { printf("exit code: %lu\n", static_cast<unsigned long>(end.exitCode)); }

int Drive(const Request &request) {
  std::string setupExe = ToWindowsPath(request.distribution);
  if (!setupExe.empty() && setupExe.back() != '\\')
    setupExe += '\\';
  setupExe += "SETUP.EXE";
  if (GetFileAttributesA(setupExe.c_str()) == INVALID_FILE_ATTRIBUTES) {
    printf("result: FAILED - no SETUP.EXE in %s\n", request.distribution.c_str());
    return 2;
  }
  printf("setup: %s\n", setupExe.c_str());
  std::unique_ptr<SetupProcess> started;
  try {
    // Generous steps: installing a large distribution takes a while.
    Timeouts timeouts;
    timeouts.step = 60000;
    started.reset(new SetupProcess(setupExe, timeouts));
  } catch (const DriverError &error) {
    printf("result: FAILED - %s\n", error.what());
    return 2;
  }
  SetupProcess &setup = *started;

  // Up to the main dialog: anything else first is reported and answered.
  Shown shown = setup.Next();
  while (shown.kind == Shown::MessageBox || shown.kind == Shown::OtherDialog) {
    PrintShown(shown);
    printf("pressed: %s\n", setup.Answer(shown.window));
    shown = setup.Next();
  }
  if (shown.kind == Shown::Exit) {
    PrintExit(shown);
    return Fail("SETUP ended without showing its main dialog");
  }
  HWND dialog = shown.window;
  Report(setup, dialog);
  if (request.install) {
    setup.SetFolder(dialog, request.folder);
    printf("typed folder: %s\n", setup.Folder(dialog).c_str());
  }
  if (!request.screenshot.empty()) {
    setup.Settle();
    SavePng(CaptureScreen(), request.screenshot);
    printf("screenshot: %s\n", request.screenshot.c_str());
  }

  setup.Press(dialog, request.install ? IDC_INSTALL : IDCANCEL);
  printf("pressed: %s\n", request.install ? "Install" : "Abort");
  std::string lastMessage;
  unsigned answered = 0, earlierNotices = 0;
  bool lastWasQuestion = false;
  bool dialogCameBack = false;
  for (;;) {
    // The main dialog may stay on screen while SETUP works (a later install
    // shows its progress there); only its end or a new window is news.
    shown = setup.Next(true);
    if (shown.kind == Shown::Exit)
      break;
    PrintShown(shown);
    // Every notice but the last one is one the user did not hope for.
    if (answered++ > 0 && !lastWasQuestion)
      earlierNotices++;
    lastMessage = shown.text;
    const char *button = setup.Answer(shown.window);
    lastWasQuestion = strcmp(button, "OK") != 0;
    printf("pressed: %s\n", button);
    // The dialog with its Install button back on screen waits for the user
    // again: SETUP did not take the folder.
    HWND again = setup.FindOwnWindow(MainDialogCaption);
    if (again && IsWindowVisible(GetDlgItem(again, IDC_INSTALL)) && !dialogCameBack) {
      printf("main dialog: still open\n");
      dialogCameBack = true;
      setup.Press(again, IDCANCEL);
      printf("pressed: Abort\n");
    }
  }
  PrintExit(shown);

  if (shown.exitCode != 0)
    return Fail("exit code " + std::to_string(shown.exitCode) + ", expected 0");
  if (dialogCameBack)
    return Fail("the main dialog stayed open after Install");
  // The notice may be a message box or the first words of a dialog.
  if (request.install && lastMessage.compare(0, strlen(CompletionMessage), CompletionMessage) != 0)
    return Fail(std::string("SETUP ended without \"") + CompletionMessage + "\"");
  if (request.install && earlierNotices > 0)
    return Fail(std::to_string(earlierNotices) + " message(s) before the completion notice");
  if (!request.install && answered > 0)
    return Fail("SETUP showed a message after Abort");
  printf("result: ok\n");
  return 0;
}

void SaveShot(SetupProcess &program, const std::string &path) {
  program.Settle();
  SavePng(CaptureScreen(), path);
  printf("screenshot: %s\n", path.c_str());
}

int Uninstall(const std::string &title, const std::string &screenshotPrefix) {
  const std::string entry = "QMG " + title;
  const std::string command = UninstallValue(entry, "UninstallString");
  const std::string folder = UninstallValue(entry, "Folder");
  printf("uninstall string: %s\n", command.c_str());
  if (command == "(none)")
    return Fail("no Uninstall entry " + entry);
  SetupProcess program(CommandLine{command, UninstallCaption});
  Shown shown = program.Next();
  bool first = true;
  while (shown.kind != Shown::Exit) {
    PrintShown(shown);
    if (!screenshotPrefix.empty())
      SaveShot(program, screenshotPrefix + (first ? "-question.png" : "-final.png"));
    printf("pressed: %s\n", program.Answer(shown.window));
    first = false;
    shown = program.Next();
  }
  PrintExit(shown);
  // The program file goes a moment after the end, removed by a copy.
  bool gone = WaitForUninstallerRemoval(command, 10000);
  printf("uninstaller: %s\n", gone ? "gone" : "STILL THERE");
  printf("entry %s: %s\n", entry.c_str(), UninstallValue(entry, "DisplayName") == "(none)" ? "gone" : "STILL THERE");
  if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    printf("product folder: gone\n");
  } else {
    printf("product folder: kept, holding\n");
    PrintTree(folder, "  ");
  }
  if (shown.exitCode != 0)
    return Fail("exit code " + std::to_string(shown.exitCode) + ", expected 0");
  if (!gone)
    return Fail("the uninstaller was left behind");
  printf("result: ok\n");
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 3 && !strcmp(argv[1], "report"))
    return PrintInstallation(ToWindowsPath(argv[2])) ? 0 : 1;
  if ((argc == 3 || (argc == 5 && !strcmp(argv[3], "--screenshot"))) && !strcmp(argv[1], "uninstall")) {
    try {
      return Uninstall(argv[2], argc == 5 ? argv[4] : "");
    } catch (const DriverError &error) {
      return Fail(error.what());
    }
  }
  Request request;
  if (!ParseArguments(argc, argv, request)) {
    fputs(Usage, stderr);
    return 2;
  }
  try {
    return Drive(request);
  } catch (const DriverError &error) {
    return Fail(error.what());
  }
}
