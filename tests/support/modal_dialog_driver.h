// Operates modal dialogs that the code under test opens on this thread: a
// thread timer, dispatched by the dialog's own message loop, looks for a
// dialog of this thread with the given caption and hands it to an action
// once, which works it as a user would (texts, buttons). An action that
// leaves the dialog open must close it itself, or the test would wait
// forever.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class DialogWatcher {
public:
  using Action = std::function<void(HWND)>;

  DialogWatcher(std::string caption, Action action) : caption_(std::move(caption)), action_(std::move(action)) {
    Current() = this;
    timer_ = SetTimer(nullptr, 0, 15, Tick);
  }
  ~DialogWatcher() {
    if (timer_)
      KillTimer(nullptr, timer_);
    Current() = nullptr;
  }
  DialogWatcher(const DialogWatcher &) = delete;
  DialogWatcher &operator=(const DialogWatcher &) = delete;

  // True once a dialog with the caption was found and acted on.
  bool Seen() const { return seen_; }

  // True while the dialog has not been ended (EndDialog hides it).
  static bool StillOpen(HWND dialog) { return IsWindow(dialog) && IsWindowVisible(dialog); }

  // Presses a button the way a click does.
  static void Press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }

  static std::string Text(HWND dialog, int id) {
    char text[1024];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
  }

private:
  static DialogWatcher *&Current() {
    static DialogWatcher *current = nullptr;
    return current;
  }

  static BOOL CALLBACK Consider(HWND window, LPARAM found) {
    char className[32], caption[256];
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (std::string(className) == "#32770" && Current()->caption_ == caption && StillOpen(window)) {
      *reinterpret_cast<HWND *>(found) = window;
      return FALSE;
    }
    return TRUE;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogWatcher *watcher = Current();
    if (!watcher || watcher->seen_)
      return;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Consider, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
      return;
    watcher->seen_ = true;
    KillTimer(nullptr, watcher->timer_);
    watcher->timer_ = 0;
    watcher->action_(dialog);
  }

  std::string caption_;
  Action action_;
  UINT_PTR timer_ = 0;
  bool seen_ = false;
};

// Opens a modal dialog with `open` and lets `action` work it; returns what
// `open` returned.
inline INT_PTR DriveModalDialog(const std::string &caption, const std::function<INT_PTR()> &open,
                                const DialogWatcher::Action &action) {
  DialogWatcher watcher(caption, action);
  return open();
}
