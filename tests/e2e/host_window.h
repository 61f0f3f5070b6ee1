// A plain top-level window standing for a host program's picture window, and a helper thread
// that closes this process's dialogs while a modal call (the device's settings) is under way.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class HostWindow {
 public:
  HostWindow(int clientWidth, int clientHeight);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// Handles this thread's messages for `milliseconds`, as a host's message loop would meanwhile.
void PumpMessagesFor(int milliseconds);

// The class names of the windows whose parent is `parent`.
std::vector<std::wstring> ChildWindowClasses(HWND parent);

// From `delayMs` on, sends WM_CLOSE every 100 ms to the visible "#32770" dialogs of this process
// until destroyed, and remembers the title of each dialog it closed.
class DialogCloser {
 public:
  explicit DialogCloser(int delayMs);
  ~DialogCloser();
  DialogCloser(const DialogCloser&) = delete;
  DialogCloser& operator=(const DialogCloser&) = delete;

  // Stops closing; afterwards ClosedTitles() is final.
  void Finish();
  const std::vector<std::wstring>& ClosedTitles() const { return closedTitles_; }

 private:
  static DWORD WINAPI Run(void* self);
  static BOOL CALLBACK CloseIfOurs(HWND window, LPARAM self);

  int delayMs_;
  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  std::vector<std::wstring> closedTitles_;
};
