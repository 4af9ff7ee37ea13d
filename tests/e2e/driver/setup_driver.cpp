#include "setup_driver.h"

#include <cstdio>
#include <cstring>

#include "base/scoped_handles.h"
#include "png_writer.h"
#include "resources/resource_ids.h"

namespace setup_driver {

const char MainDialogCaption[] = "Quillmarsh Games setup";
const char MessageBoxCaption[] = "Setup";
const char UninstallCaption[] = "Uninstall";

namespace {

const char DialogClass[] = "#32770";
// The message box's text is the static control with this id.
const int MessageTextId = 0xFFFF;
const DWORD PollInterval = 20;

std::string ErrorText(const std::string &what) {
  return what + " (Windows error " + std::to_string(GetLastError()) + ")";
}

std::string Seconds(DWORD milliseconds) { return std::to_string(milliseconds / 1000) + " s"; }

// Screen and memory device contexts and GDI objects, released once.
class ScreenDc {
public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_)
      ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc &) = delete;
  ScreenDc &operator=(const ScreenDc &) = delete;
  HDC get() const { return dc_; }

private:
  HDC dc_;
};

// Memory lent inside the other process, for messages whose parameters
// point to structures there; freed at scope end.
class RemoteMemory {
public:
  RemoteMemory(HANDLE process, size_t size) : process_(process) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_)
      throw DriverError(ErrorText("cannot lend memory inside SETUP's process"));
  }
  ~RemoteMemory() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
  RemoteMemory(const RemoteMemory &) = delete;
  RemoteMemory &operator=(const RemoteMemory &) = delete;

  void *At(size_t offset) const { return static_cast<char *>(address_) + offset; }
  void Write(size_t offset, const void *data, size_t size) const {
    SIZE_T written = 0;
    if (!WriteProcessMemory(process_, At(offset), data, size, &written) || written != size)
      throw DriverError(ErrorText("cannot write into SETUP's process"));
  }
  void Read(size_t offset, void *data, size_t size) const {
    SIZE_T read = 0;
    if (!ReadProcessMemory(process_, At(offset), data, size, &read) || read != size)
      throw DriverError(ErrorText("cannot read from SETUP's process"));
  }

private:
  HANDLE process_;
  void *address_ = nullptr;
};

// A top-level window's caption as the system keeps it: unlike WM_GETTEXT,
// reading it sends nothing to the program, so a busy program cannot hold
// the reader up.
std::string Caption(HWND window) {
  wchar_t text[256];
  int length = GetWindowTextW(window, text, 256);
  return Narrow(std::wstring(text, length > 0 ? length : 0));
}

} // namespace

SetupProcess::SetupProcess(const std::string &setupExe, Timeouts timeouts) : timeouts_(timeouts) {
  std::string given = ToWindowsPath(setupExe);
  char full[MAX_PATH];
  char *namePart = nullptr;
  DWORD length = GetFullPathNameA(given.c_str(), sizeof full, full, &namePart);
  if (length == 0 || length >= sizeof full || !namePart)
    throw DriverError(ErrorText("not a usable program path: " + setupExe));
  // The program's distribution folder is where it lies; run it there, as
  // a user starting it from that folder would.
  std::string folder(full, namePart - full);
  if (folder.size() > 3 && folder.back() == '\\')
    folder.pop_back();
  Start(full, "\"" + std::string(full) + "\"", folder.c_str());
}

SetupProcess::SetupProcess(const CommandLine &command, Timeouts timeouts)
    : timeouts_(timeouts), messageCaption_(command.messageCaption) {
  Start(nullptr, command.text, nullptr);
}

void SetupProcess::Start(const char *program, std::string commandLine, const char *folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  // Wine now and then fails to bring up a new process on a loaded machine and
  // says ERROR_INTERNAL_ERROR; a program that really cannot start fails the
  // same way every time, so a few tries tell the two apart.
  bool started = false;
  for (int attempt = 0; attempt < 3 && !started; attempt++) {
    started = CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info);
    if (!started && GetLastError() != ERROR_INTERNAL_ERROR)
      break;
  }
  if (!started)
    throw DriverError(ErrorText("cannot start " + (program ? std::string(program) : commandLine)));
  CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  processId_ = info.dwProcessId;
}

SetupProcess::~SetupProcess() {
  if (process_.valid() && Running())
    Kill();
}

bool SetupProcess::Running() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

void SetupProcess::Kill() {
  TerminateProcess(process_.get(), 1);
  WaitForSingleObject(process_.get(), timeouts_.reply);
}

HWND SetupProcess::FindOwnWindow(const char *caption) const {
  // FindWindow gives the first match only; another program (another test
  // run in the same Wine prefix) may show a window of the same caption.
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, DialogClass, caption)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    // A dialog exists, hidden, while it is being set up (WM_INITDIALOG);
    // only a shown one is something the user sees.
    if (owner == processId_ && IsWindowVisible(window))
      return window;
  }
  return nullptr;
}

Shown SetupProcess::Next(bool mainDialogOpen) {
  const DWORD timeout = seenAnything_ ? timeouts_.step : timeouts_.start;
  seenAnything_ = true;
  const DWORD started = GetTickCount();
  for (;;) {
    // One pass over the program's visible dialogs, each told apart by the
    // caption read in this pass: a message box may come up at any moment.
    HWND box = nullptr, mainDialog = nullptr, other = nullptr;
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, DialogClass, nullptr)) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner != processId_ || !IsWindowVisible(window))
        continue;
      std::string caption = Caption(window);
      if (caption == messageCaption_)
        box = box ? box : window;
      else if (caption == MainDialogCaption)
        mainDialog = mainDialog ? mainDialog : window;
      else
        other = other ? other : window;
    }
    Shown::Kind kind = box ? Shown::MessageBox : other ? Shown::OtherDialog : Shown::MainDialog;
    if (HWND found = box ? box : other ? other : mainDialogOpen ? nullptr : mainDialog) {
      // A window being destroyed can still count as visible while its
      // caption and controls are already gone (seen under Wine when the
      // program ends right after Abort); such a window is no news.
      try {
        Shown shown = Describe(kind, found);
        if (IsWindow(found) && IsWindowVisible(found))
          return shown;
      } catch (const DriverError &) {
        if (IsWindow(found) && IsWindowVisible(found))
          throw;
      }
      Sleep(PollInterval);
      continue;
    }
    if (!Running()) {
      Shown end;
      end.kind = Shown::Exit;
      GetExitCodeProcess(process_.get(), &end.exitCode);
      return end;
    }
    if (GetTickCount() - started >= timeout)
      throw DriverError(std::string("SETUP showed no ") + (mainDialogOpen ? "" : "main dialog, no ") +
                        "message box or other dialog and did not end within " + Seconds(timeout));
    Sleep(PollInterval);
  }
}

Shown SetupProcess::Describe(Shown::Kind kind, HWND window) const {
  Shown shown;
  shown.kind = kind;
  shown.window = window;
  shown.caption = Caption(window);
  if (kind == Shown::MessageBox)
    shown.text = WindowText(GetDlgItem(window, MessageTextId));
  else if (kind == Shown::OtherDialog)
    shown.text = StaticTexts(window);
  return shown;
}

std::string SetupProcess::StaticTexts(HWND dialog) const {
  std::string texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[32];
    if (!GetClassNameA(child, className, sizeof className) || lstrcmpiA(className, "Static") != 0 ||
        !IsWindowVisible(child))
      continue;
    std::string text = WindowText(child);
    if (text.empty())
      continue;
    if (!texts.empty())
      texts += '\n';
    texts += text;
  }
  return texts;
}

void SetupProcess::Press(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  if (!button)
    throw DriverError("the dialog has no button " + std::to_string(buttonId));
  // What a click on the button sends to its dialog.
  if (!PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button)))
    throw DriverError(ErrorText("cannot post the press of button " + std::to_string(buttonId)));
}

const char *SetupProcess::Answer(HWND dialog) {
  auto shows = [dialog](int id) {
    HWND button = GetDlgItem(dialog, id);
    return button && IsWindowVisible(button);
  };
  const bool question = !shows(IDOK) && shows(IDYES);
  const char *name = question ? "Yes" : "OK";
  Press(dialog, question ? IDYES : IDOK);
  WaitUntilHidden(dialog, name);
  return name;
}

void SetupProcess::WaitUntilHidden(HWND window, const char *after) const {
  const DWORD started = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - started >= timeouts_.step)
      throw DriverError("the window stayed open for " + Seconds(timeouts_.step) + " after " + after);
    Sleep(PollInterval);
  }
}

DWORD SetupProcess::WaitForExit() {
  if (WaitForSingleObject(process_.get(), timeouts_.step) != WAIT_OBJECT_0) {
    Kill();
    throw DriverError("SETUP did not end within " + Seconds(timeouts_.step) + "; killed");
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

LRESULT SetupProcess::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const char *what) const {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeouts_.reply,
                           &result))
    throw DriverError(ErrorText(std::string("no answer from SETUP to ") + what));
  return static_cast<LRESULT>(result);
}

std::string SetupProcess::WindowText(HWND window) const {
  if (!window)
    throw DriverError("no such window to read a text from");
  LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0, "WM_GETTEXTLENGTH");
  // Room to spare: the length may be counted in bytes of another encoding.
  std::wstring text(static_cast<size_t>(length) + 16, L'\0');
  LRESULT copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), "WM_GETTEXT");
  text.resize(static_cast<size_t>(copied));
  return Narrow(text);
}

std::vector<Product> SetupProcess::Products(HWND dialog) const {
  HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
  if (!list)
    throw DriverError("the dialog has no product list");
  LRESULT count = Send(list, LB_GETCOUNT, 0, 0, "LB_GETCOUNT");
  if (count < 0)
    throw DriverError("the product list does not tell its count");
  std::vector<Product> products;
  for (LRESULT i = 0; i < count; i++) {
    LRESULT length = Send(list, LB_GETTEXTLEN, i, 0, "LB_GETTEXTLEN");
    if (length < 0)
      throw DriverError("the product list does not tell the length of item " + std::to_string(i));
    std::wstring title(static_cast<size_t>(length) + 16, L'\0');
    LRESULT copied = Send(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&title[0]), "LB_GETTEXT");
    if (copied < 0)
      throw DriverError("the product list does not give item " + std::to_string(i));
    title.resize(wcsnlen(title.c_str(), title.size()));
    LRESULT selected = Send(list, LB_GETSEL, i, 0, "LB_GETSEL");
    if (selected < 0)
      throw DriverError("the product list does not tell the selection of item " + std::to_string(i));
    products.push_back({Narrow(title), selected > 0});
  }
  return products;
}

std::string SetupProcess::Folder(HWND dialog) const { return WindowText(GetDlgItem(dialog, IDC_INSTALL_FOLDER)); }

void SetupProcess::SetFolder(HWND dialog, const std::string &folder) const {
  HWND edit = GetDlgItem(dialog, IDC_INSTALL_FOLDER);
  if (!edit)
    throw DriverError("the dialog has no install folder edit");
  std::wstring text = Widen(folder);
  if (!Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), "WM_SETTEXT"))
    throw DriverError("the install folder edit refused the text");
}

void SetupProcess::SelectProduct(HWND dialog, int index, bool selected) const {
  HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
  if (!list)
    throw DriverError("the dialog has no product list");
  if (Send(list, LB_SETSEL, selected, index, "LB_SETSEL") == LB_ERR)
    throw DriverError("the product list has no item " + std::to_string(index));
}

void SetupProcess::Settle() const {
  WaitForInputIdle(process_.get(), timeouts_.reply);
  if (HWND dialog = FindOwnWindow(MainDialogCaption))
    Send(dialog, WM_NULL, 0, 0, "WM_NULL");
  // Wine's desktop does not always repaint what a window that ended had
  // covered, and a screenshot would show that window still: every window,
  // the desktop included, paints anew.
  RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  // Painting happens once the program's queue runs empty, and Wine copies
  // painted windows to the X screen a moment later; neither can be waited
  // for from outside, so give them a pause.
  Sleep(500);
}

HWND SetupProcess::WaitForOwnWindow(const char *caption) const {
  const DWORD started = GetTickCount();
  for (;;) {
    if (HWND window = FindOwnWindow(caption))
      return window;
    if (!Running())
      throw DriverError(std::string("SETUP ended without showing \"") + caption + "\"");
    if (GetTickCount() - started >= timeouts_.step)
      throw DriverError(std::string("SETUP showed no \"") + caption + "\" within " + Seconds(timeouts_.step));
    Sleep(PollInterval);
  }
}

Shown SetupProcess::NextMessageBox() const {
  return Describe(Shown::MessageBox, WaitForOwnWindow(messageCaption_.c_str()));
}

bool SetupProcess::MessageBoxShown(HWND besides) const {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, DialogClass, messageCaption_.c_str())) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId_ && window != besides && IsWindowVisible(window))
      return true;
  }
  return false;
}

bool SetupProcess::PressAndWaitUntilClosed(HWND dialog, int buttonId) {
  Press(dialog, buttonId);
  const DWORD started = GetTickCount();
  // Hidden is not yet gone: a modal dialog is destroyed after its loop has
  // ended, and only then does its caller go on.
  while (IsWindow(dialog)) {
    if (MessageBoxShown(dialog))
      return false;
    if (GetTickCount() - started >= timeouts_.step)
      throw DriverError("the dialog stayed open for " + Seconds(timeouts_.step) + " after button " +
                        std::to_string(buttonId));
    Sleep(PollInterval);
  }
  // What the caller does with the result (the main dialog taking the
  // browser's folder, the browser refreshing its tree) runs before the
  // program reads its next message: one round trip waits for it.
  if (HWND mainDialog = FindOwnWindow(MainDialogCaption)) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(mainDialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeouts_.reply, &ignored);
  }
  return true;
}

std::string SetupProcess::ControlText(HWND dialog, int controlId) const {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control)
    throw DriverError("the dialog has no control " + std::to_string(controlId));
  return WindowText(control);
}

std::string SetupProcess::Type(HWND dialog, int controlId, const std::string &text) const {
  HWND edit = GetDlgItem(dialog, controlId);
  if (!edit)
    throw DriverError("the dialog has no edit " + std::to_string(controlId));
  Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""), "WM_SETTEXT");
  for (wchar_t c : Widen(text))
    Send(edit, WM_CHAR, c, 1, "WM_CHAR");
  return WindowText(edit);
}

std::vector<HTREEITEM> SetupProcess::TreeChildren(HWND tree, HTREEITEM parent) const {
  std::vector<HTREEITEM> items;
  HTREEITEM item = parent ? reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_CHILD,
                                                             reinterpret_cast<LPARAM>(parent), "TVM_GETNEXTITEM"))
                          : reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, "TVM_GETNEXTITEM"));
  while (item) {
    items.push_back(item);
    item = reinterpret_cast<HTREEITEM>(
        Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item), "TVM_GETNEXTITEM"));
  }
  return items;
}

SetupProcess::TreeItem SetupProcess::ReadTreeItem(HWND tree, HTREEITEM item) const {
  const int TextCapacity = 520;
  RemoteMemory memory(process_.get(), sizeof(TVITEMW) + TextCapacity * sizeof(wchar_t));
  TVITEMW query = {};
  query.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_STATE | TVIF_HANDLE;
  query.hItem = item;
  query.stateMask = TVIS_EXPANDED;
  query.pszText = static_cast<wchar_t *>(memory.At(sizeof query));
  query.cchTextMax = TextCapacity;
  memory.Write(0, &query, sizeof query);
  const wchar_t nothing = L'\0';
  memory.Write(sizeof query, &nothing, sizeof nothing);
  if (!Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.At(0)), "TVM_GETITEMW"))
    throw DriverError("the tree does not give the item");
  memory.Read(0, &query, sizeof query);
  std::wstring text(TextCapacity, L'\0');
  memory.Read(sizeof query, &text[0], TextCapacity * sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), text.size()));
  TreeItem read;
  read.text = Narrow(text);
  read.children = query.cChildren;
  read.expanded = (query.state & TVIS_EXPANDED) != 0;
  return read;
}

HTREEITEM SetupProcess::TreeSelection(HWND tree) const {
  return reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, "TVM_GETNEXTITEM"));
}

HTREEITEM SetupProcess::TreeParent(HWND tree, HTREEITEM item) const {
  return reinterpret_cast<HTREEITEM>(
      Send(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item), "TVM_GETNEXTITEM"));
}

std::string SetupProcess::TreeItemPath(HWND tree, HTREEITEM item) const {
  std::string path;
  for (; item; item = TreeParent(tree, item)) {
    std::string text = ReadTreeItem(tree, item).text;
    if (!text.empty() && text.back() != '\\')
      text += '\\';
    path = text + path;
  }
  return path;
}

HTREEITEM SetupProcess::FindTreeChild(HWND tree, HTREEITEM parent, const std::string &text) const {
  for (HTREEITEM item : TreeChildren(tree, parent))
    if (lstrcmpiA(ReadTreeItem(tree, item).text.c_str(), text.c_str()) == 0)
      return item;
  return nullptr;
}

void SetupProcess::OpenTreeItem(HWND tree, HTREEITEM item) const {
  Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item), "TVM_EXPAND");
}

void SetupProcess::SelectTreeItem(HWND tree, HTREEITEM item) const {
  if (!Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item), "TVM_SELECTITEM"))
    throw DriverError("the tree did not select the item");
}

HTREEITEM SetupProcess::ChooseTreeFolder(HWND tree, const std::string &path) const {
  HTREEITEM item = nullptr;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    // The drive's item is "C:\", with its backslash.
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos
                                                                   : end - start + (item ? 0 : 1));
    start = end == std::string::npos ? path.size() : end + 1;
    if (part.empty())
      continue;
    // A folder's items are there once it has been opened.
    if (item)
      OpenTreeItem(tree, item);
    HTREEITEM child = FindTreeChild(tree, item, part);
    if (!child)
      throw DriverError("the folder tree has no \"" + part + "\" on the way to " + path);
    item = child;
  }
  if (!item)
    throw DriverError("no folder to choose in \"" + path + "\"");
  SelectTreeItem(tree, item);
  return item;
}

RECT WindowRect(HWND window) {
  RECT rect = {};
  if (!GetWindowRect(window, &rect))
    throw DriverError(ErrorText("cannot read the window's position"));
  return rect;
}

SIZE ScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Image CaptureScreen() {
  SIZE size = ScreenSize();
  if (size.cx <= 0 || size.cy <= 0)
    throw DriverError("the screen has no size");
  ScreenDc screen;
  if (!screen.get())
    throw DriverError(ErrorText("cannot get the screen's device context"));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy; // rows top to bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  ScopedGdiObject bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ScopedMemoryDC memory(screen.get());
  if (!bitmap.get() || !bits || !memory.get())
    throw DriverError(ErrorText("cannot make a bitmap of the screen's size"));
  {
    ScopedSelection selected(memory.get(), bitmap.get());
    if (!BitBlt(memory.get(), 0, 0, size.cx, size.cy, screen.get(), 0, 0, SRCCOPY | CAPTUREBLT))
      throw DriverError(ErrorText("cannot copy the screen"));
    GdiFlush();
  }
  Image image;
  image.width = size.cx;
  image.height = size.cy;
  image.rgb.resize(static_cast<size_t>(size.cx) * size.cy * 3);
  // DIB rows are padded to 4 bytes and hold blue, green, red.
  const size_t stride = (static_cast<size_t>(size.cx) * 3 + 3) & ~static_cast<size_t>(3);
  const uint8_t *source = static_cast<const uint8_t *>(bits);
  uint8_t *target = image.rgb.data();
  for (int y = 0; y < size.cy; y++) {
    const uint8_t *row = source + stride * y;
    for (int x = 0; x < size.cx; x++, target += 3) {
      target[0] = row[3 * x + 2];
      target[1] = row[3 * x + 1];
      target[2] = row[3 * x];
    }
  }
  return image;
}

void SavePng(const Image &image, const std::string &path) {
  std::vector<uint8_t> png = EncodePng(image.width, image.height, image.rgb);
  if (png.empty())
    throw DriverError("cannot encode a picture of " + std::to_string(image.width) + "x" +
                      std::to_string(image.height) + " as PNG");
  std::string target = ToWindowsPath(path);
  size_t cut = target.find_last_of('\\');
  if (cut != std::string::npos && cut > 0 && target[cut - 1] != ':')
    MakeFolders(target.substr(0, cut));
  UniqueHandle file(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file.valid())
    throw DriverError(ErrorText("cannot create " + target));
  DWORD written = 0;
  if (!WriteFile(file.get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) ||
      written != png.size())
    throw DriverError(ErrorText("cannot write " + target));
}

std::string Narrow(const std::wstring &text) {
  if (text.empty())
    return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
  std::string result(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], length, nullptr,
                      nullptr);
  return result;
}

std::wstring Widen(const std::string &text) {
  if (text.empty())
    return {};
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], length);
  return result;
}

std::string ToWindowsPath(const std::string &path) {
  std::string result = path.size() > 1 && path[0] == '/' && path[1] != '/' ? "Z:" + path : path;
  for (char &c : result)
    if (c == '/')
      c = '\\';
  return result;
}

void MakeFolders(const std::string &path) {
  std::string folder = ToWindowsPath(path);
  while (folder.size() > 3 && folder.back() == '\\')
    folder.pop_back();
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
      throw DriverError(folder + " is a file, not a folder");
    return;
  }
  size_t cut = folder.find_last_of('\\');
  if (cut != std::string::npos && cut > 0 && folder[cut - 1] != ':')
    MakeFolders(folder.substr(0, cut));
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw DriverError(ErrorText("cannot create the folder " + folder));
}

std::string Escaped(const std::string &text) {
  std::string result;
  for (unsigned char c : text) {
    switch (c) {
    case '\r':
      result += "\\r";
      break;
    case '\n':
      result += "\\n";
      break;
    case '\t':
      result += "\\t";
      break;
    default:
      if (c < 0x20) {
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%02X", c);
        result += hex;
      } else {
        result += static_cast<char>(c);
      }
    }
  }
  return result;
}

} // namespace setup_driver
