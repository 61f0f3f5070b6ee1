#include "host_window.h"

namespace {

const wchar_t kClassName[] = L"LumigrabE2EHost";

}  // namespace

HostWindow::HostWindow(int clientWidth, int clientHeight) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);  // a second window finds the class already there
  const DWORD style = WS_OVERLAPPEDWINDOW;
  RECT frame = {0, 0, clientWidth, clientHeight};
  AdjustWindowRect(&frame, style, FALSE);
  window_ = CreateWindowW(kClassName, L"Lumigrab e2e host", style, 0, 0, frame.right - frame.left,
                          frame.bottom - frame.top, nullptr, nullptr, windowClass.hInstance,
                          nullptr);
  if (window_ != nullptr) ShowWindow(window_, SW_SHOWNOACTIVATE);
}

HostWindow::~HostWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void PumpMessagesFor(int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const LONG left = static_cast<LONG>(end - GetTickCount());
    if (left <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
  }
}

std::vector<std::wstring> ChildWindowClasses(HWND parent) {
  std::vector<std::wstring> classes;
  for (HWND child = FindWindowExW(parent, nullptr, nullptr, nullptr); child != nullptr;
       child = FindWindowExW(parent, child, nullptr, nullptr)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    classes.emplace_back(name);
  }
  return classes;
}

DialogCloser::DialogCloser(int delayMs) : delayMs_(delayMs) {
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogCloser::~DialogCloser() {
  Finish();
  if (stop_ != nullptr) CloseHandle(stop_);
}

void DialogCloser::Finish() {
  if (thread_ == nullptr) return;
  SetEvent(stop_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

DWORD WINAPI DialogCloser::Run(void* self) {
  DialogCloser* closer = static_cast<DialogCloser*>(self);
  if (WaitForSingleObject(closer->stop_, static_cast<DWORD>(closer->delayMs_)) != WAIT_TIMEOUT) {
    return 0;
  }
  do {
    EnumWindows(CloseIfOurs, reinterpret_cast<LPARAM>(closer));
  } while (WaitForSingleObject(closer->stop_, 100) == WAIT_TIMEOUT);
  return 0;
}

BOOL CALLBACK DialogCloser::CloseIfOurs(HWND window, LPARAM self) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      lstrcmpW(className, L"#32770") == 0) {
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    reinterpret_cast<DialogCloser*>(self)->closedTitles_.emplace_back(title);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}
