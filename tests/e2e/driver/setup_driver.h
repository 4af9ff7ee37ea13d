// Drives SETUP.EXE from another process the way a user would: starts it,
// waits for its windows, reads and fills in the main dialog, presses its
// buttons, reads and answers its message boxes and collects its exit code.
//
// Every wait is bounded. A step that cannot be done (the program does not
// start, nothing appears in time, a window does not answer a message) throws
// DriverError, and a program still running when its SetupProcess goes away is
// killed, so a hung installer never hangs whoever drives it.
//
// Texts of the other process's windows are read and written in UTF-16: under
// Wine the ANSI forms of WM_GETTEXT and LB_GETTEXT sent across processes come
// back cut to their first character.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace setup_driver {

class DriverError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Owning holder for a kernel handle (process, thread, file). Either null or
// INVALID_HANDLE_VALUE counts as no handle.
class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle &) = delete;
  UniqueHandle &operator=(const UniqueHandle &) = delete;
  UniqueHandle(UniqueHandle &&other) noexcept : handle_(other.release()) {}
  UniqueHandle &operator=(UniqueHandle &&other) noexcept {
    if (this != &other)
      reset(other.release());
    return *this;
  }

  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset(HANDLE handle = nullptr) {
    if (valid())
      CloseHandle(handle_);
    handle_ = handle;
  }

private:
  HANDLE handle_ = nullptr;
};

extern const char MainDialogCaption[]; // "Quillmarsh Games setup"
extern const char MessageBoxCaption[]; // "Setup"
extern const char UninstallCaption[];  // "Uninstall", the uninstaller's message boxes

struct Timeouts {
  DWORD start = 20000; // from the start to the first window or the end
  DWORD step = 15000;  // from a button press to what it leads to
  DWORD reply = 5000;  // for one message sent to a window of the program
};

struct Product {
  std::string title;
  bool selected = false;
  bool operator==(const Product &other) const {
    return title == other.title && selected == other.selected;
  }
};

// Something the program showed, or its end.
struct Shown {
  enum Kind {
    MainDialog,  // the main setup dialog
    MessageBox,  // a message box of caption "Setup" (or the program's own)
    OtherDialog, // any other dialog window of the program
    Exit,
  };
  Kind kind = Exit;
  HWND window = nullptr; // the dialog or message box
  std::string caption;
  // A message box's text; for another dialog, the texts of its static
  // controls, one a line.
  std::string text;
  DWORD exitCode = 0; // for Exit
};

// A program started the way the list of installed programs starts an
// Uninstall entry's UninstallString: the command line exactly as given, with
// no program name apart, in the driver's current folder. Its message boxes
// carry `messageCaption`.
struct CommandLine {
  std::string text;
  std::string messageCaption;
};

// One run of SETUP.EXE (or of another program of the project, such as the
// uninstaller).
class SetupProcess {
public:
  // Starts the program with no arguments in the folder it lies in. Throws
  // DriverError when it cannot be started.
  explicit SetupProcess(const std::string &setupExe, Timeouts timeouts = Timeouts());
  explicit SetupProcess(const CommandLine &command, Timeouts timeouts = Timeouts());
  // Kills the program if it is still running.
  ~SetupProcess();
  SetupProcess(const SetupProcess &) = delete;
  SetupProcess &operator=(const SetupProcess &) = delete;

  DWORD id() const { return processId_; }

  // Waits for what the program shows next: a visible message box or other
  // dialog of its own, its end, or its visible main dialog. `mainDialogOpen`
  // says that the main dialog is already on screen and does not count as
  // news (after a button press). The first wait after the start uses the
  // start timeout, later ones the step timeout. Throws DriverError when
  // nothing comes in time.
  Shown Next(bool mainDialogOpen = false);

  // The program's visible top-level dialog (class "#32770") with this
  // caption, or null.
  HWND FindOwnWindow(const char *caption) const;

  // Presses a button of a dialog of this program, as a click would.
  void Press(HWND dialog, int buttonId);
  // Presses OK on a message box or dialog (Yes, when it asks a question
  // and has no OK) and waits until it is gone. Returns the button's name.
  const char *Answer(HWND dialog);
  // Waits until a window of the program is hidden or gone, as a message box
  // is once answered; `after` names what should have closed it, for the
  // DriverError thrown when it stays open for the step timeout.
  void WaitUntilHidden(HWND window, const char *after) const;

  // Waits for the end and returns the exit code; kills the program and
  // throws DriverError when it does not end in time.
  DWORD WaitForExit();
  bool Running() const;
  void Kill();

  // Main dialog contents.
  std::vector<Product> Products(HWND dialog) const;
  std::string Folder(HWND dialog) const;
  void SetFolder(HWND dialog, const std::string &folder) const;
  // Selects or deselects one product of the list, or all of them with
  // index -1.
  void SelectProduct(HWND dialog, int index, bool selected) const;

  // Waits until the program has handled what is queued for it, so that a
  // freshly shown window has been painted.
  void Settle() const;

  // Waits for a visible dialog of the program with this caption and returns
  // it. Throws DriverError when none shows within the step timeout, or the
  // program ends first.
  HWND WaitForOwnWindow(const char *caption) const;
  // Waits for a message box of the program while its other windows stay
  // open, and returns it with its text. Throws DriverError as
  // WaitForOwnWindow does.
  Shown NextMessageBox() const;
  // Presses a button of a dialog and waits until the dialog is gone, as
  // OK and Cancel of the browser and the New folder dialog do, and until
  // the program has done what follows its closing. A message box that
  // comes up instead stops the wait: returns false, leaving the dialog
  // open.
  bool PressAndWaitUntilClosed(HWND dialog, int buttonId);

  // Any control's text (an edit box, a static).
  std::string ControlText(HWND dialog, int controlId) const;
  // Types into an edit control as the keyboard would: empties it, then sends
  // the characters one by one, so that the edit's own limits apply. Returns
  // the text the edit holds afterwards.
  std::string Type(HWND dialog, int controlId, const std::string &text) const;

  // The folder tree: a tree-view control of the program. Its items are read
  // through memory lent inside the program's process (tree-view messages
  // carry pointers, which are not carried across processes).
  struct TreeItem {
    std::string text;
    int children = 0; // 1: the item offers to open; 0: it does not
    bool expanded = false;
  };
  // The items of the top level (parent null) or below an item, in order.
  std::vector<HTREEITEM> TreeChildren(HWND tree, HTREEITEM parent) const;
  TreeItem ReadTreeItem(HWND tree, HTREEITEM item) const;
  HTREEITEM TreeSelection(HWND tree) const;
  HTREEITEM TreeParent(HWND tree, HTREEITEM item) const;
  // The texts of the item and its ancestors joined into a path with a
  // trailing backslash ("C:\Games\Puzzles\"); empty for no item.
  std::string TreeItemPath(HWND tree, HTREEITEM item) const;
  // The child of `parent` (null: top level) whose text is `text`, ignoring
  // case, or null.
  HTREEITEM FindTreeChild(HWND tree, HTREEITEM parent, const std::string &text) const;
  // Opens an item, as a double-click does (the program lists the folder the
  // first time), and selects an item, as a click does.
  void OpenTreeItem(HWND tree, HTREEITEM item) const;
  void SelectTreeItem(HWND tree, HTREEITEM item) const;
  // Opens the tree along a path ("C:\Games\Puzzles", backslashes only),
  // one level at a time, and selects its last folder. Throws DriverError
  // when a part of the path is not in the tree.
  HTREEITEM ChooseTreeFolder(HWND tree, const std::string &path) const;

private:
  LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const char *what) const;
  // A visible message box of the program other than `besides`.
  bool MessageBoxShown(HWND besides) const;
  std::string WindowText(HWND window) const;
  std::string StaticTexts(HWND dialog) const;
  Shown Describe(Shown::Kind kind, HWND window) const;
  void Start(const char *program, std::string commandLine, const char *folder);

  Timeouts timeouts_;
  std::string messageCaption_ = MessageBoxCaption;
  UniqueHandle process_;
  DWORD processId_ = 0;
  bool seenAnything_ = false;
};

RECT WindowRect(HWND window);
SIZE ScreenSize();

// An RGB picture, rows top to bottom, 3 bytes a pixel.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t *Pixel(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// The whole screen as this process sees it (under Wine, its virtual desktop).
Image CaptureScreen();
// Writes the picture as an 8-bit RGB PNG file, making missing folders on the
// way; throws DriverError on failure.
void SavePng(const Image &image, const std::string &path);

// UTF-8 <-> UTF-16.
std::string Narrow(const std::wstring &text);
std::wstring Widen(const std::string &text);

// A path as Windows programs take it: an absolute Linux path ("/home/x")
// becomes a path on drive Z:, which Wine maps to the Linux root; any other
// path has its slashes turned into backslashes.
std::string ToWindowsPath(const std::string &path);

// Creates a folder and any missing parents; throws DriverError on failure.
void MakeFolders(const std::string &path);

// Shows control characters of a message text as C escapes, for printing it on
// one line.
std::string Escaped(const std::string &text);

} // namespace setup_driver
