#include "host_window.h"

#include <stdlib.h>

static const wchar_t kWindowClass[] = L"LumigrabCliHost";

HWND CreateHostWindow(int width, int height) {
  WNDCLASSW windowClass = {0};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(NULL);
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);  /* fails harmlessly when already registered */

  RECT frame = {0, 0, width, height < 0 ? -height : height};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  AdjustWindowRect(&frame, style, FALSE);
  HWND window = CreateWindowW(kWindowClass, L"Lumigrab", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                              windowClass.hInstance, NULL);
  if (window != NULL) ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

void PumpMessagesFor(int milliseconds) {
  const DWORD end = GetTickCount() + (DWORD)milliseconds;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const DWORD now = GetTickCount();
    if ((LONG)(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, NULL, FALSE, end - now, QS_ALLINPUT);
  }
}

struct DialogCloser {
  int delayMs;
  HANDLE stop;
  HANDLE thread;
};

static BOOL CALLBACK CloseIfOurDialog(HWND window, LPARAM unused) {
  (void)unused;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {0};
  GetClassNameW(window, className, 16);
  /* The property frame is a dialog ("#32770") of this process. */
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      lstrcmpW(className, L"#32770") == 0) {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

static DWORD WINAPI CloseDialogs(void* parameter) {
  DialogCloser* closer = (DialogCloser*)parameter;
  if (WaitForSingleObject(closer->stop, (DWORD)closer->delayMs) != WAIT_TIMEOUT) return 0;
  /* Until the dialog call has returned, close any dialog of ours every 100 ms. */
  do {
    EnumWindows(CloseIfOurDialog, 0);
  } while (WaitForSingleObject(closer->stop, 100) == WAIT_TIMEOUT);
  return 0;
}

DialogCloser* CloseDialogsAfter(int milliseconds) {
  DialogCloser* closer = (DialogCloser*)calloc(1, sizeof *closer);
  if (closer == NULL) return NULL;
  closer->delayMs = milliseconds;
  closer->stop = CreateEventW(NULL, TRUE, FALSE, NULL);
  closer->thread =
      closer->stop != NULL ? CreateThread(NULL, 0, CloseDialogs, closer, 0, NULL) : NULL;
  if (closer->thread == NULL) {
    if (closer->stop != NULL) CloseHandle(closer->stop);
    free(closer);
    return NULL;
  }
  return closer;
}

void StopClosingDialogs(DialogCloser* closer) {
  if (closer == NULL) return;
  SetEvent(closer->stop);
  WaitForSingleObject(closer->thread, INFINITE);
  CloseHandle(closer->thread);
  CloseHandle(closer->stop);
  free(closer);
}
