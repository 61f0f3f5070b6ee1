// The camera names its page, the page really shows the camera's formats inside the system
// property frame, and the modal frame can be closed from another thread.
#include <cwchar>
#include <string>

#include "check.h"
#include "devices.h"
#include "tests.h"

namespace smoke {
namespace {

constexpr const wchar_t* kCaption = L"Smoke Camera";

struct Closer {
  HANDLE stop = nullptr;
  HWND sheet = nullptr;
  bool saw_formats = false;  // a list box of the page listed the 640x480 format
  bool posted = false;
};

BOOL CALLBACK FindListing(HWND child, LPARAM param) {
  auto* closer = reinterpret_cast<Closer*>(param);
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"ListBox") != 0) return TRUE;
  LRESULT count = SendMessageW(child, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t line[256] = {};
    if (SendMessageW(child, LB_GETTEXTLEN, i, 0) >= 255) continue;
    SendMessageW(child, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
    if (wcsstr(line, L"640 x 480 RGB24") != nullptr) closer->saw_formats = true;
  }
  return TRUE;
}

BOOL CALLBACK FindSheet(HWND window, LPARAM param) {
  auto* closer = reinterpret_cast<Closer*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  if (wcsstr(title, kCaption) == nullptr) return TRUE;
  closer->sheet = window;
  return FALSE;
}

DWORD WINAPI CloseWhenShown(void* param) {
  auto* closer = static_cast<Closer*>(param);
  // Poll until the sheet and our page are up, then close the sheet as a user would.
  for (int attempt = 0; attempt < 300; ++attempt) {
    if (WaitForSingleObject(closer->stop, 50) == WAIT_OBJECT_0) return 0;
    closer->sheet = nullptr;
    EnumWindows(FindSheet, reinterpret_cast<LPARAM>(closer));
    if (closer->sheet == nullptr) continue;
    EnumChildWindows(closer->sheet, FindListing, reinterpret_cast<LPARAM>(closer));
    if (!closer->saw_formats && attempt < 100) continue;
    closer->posted = PostMessageW(closer->sheet, WM_CLOSE, 0, 0) != FALSE;
    return 0;
  }
  return 0;
}

}  // namespace

void TestPropertyPage(const Options& options) {
  Section("property page");
  ComRef<IBaseFilter> camera = BindCamera(kDefaultSeed);
  if (!camera) return;
  ComRef<ISpecifyPropertyPages> specify;
  CHECK_HR(camera->QueryInterface(IID_ISpecifyPropertyPages, specify.ReceiveVoid()));
  if (!specify) return;
  CAUUID pages = {0, nullptr};
  CHECK_HR(specify->GetPages(&pages));
  CHECK(pages.cElems == 1);
  if (pages.cElems >= 1) CHECK(pages.pElems[0] == kPageClsid);

  // The page is creatable on its own and describes itself.
  ComRef<IPropertyPage> page;
  CHECK_HR(CoCreateInstance(kPageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                            page.ReceiveVoid()));
  if (page) {
    PROPPAGEINFO info = {};
    info.cb = sizeof(info);
    CHECK_HR(page->GetPageInfo(&info));
    CHECK(info.pszTitle != nullptr && info.size.cx > 0 && info.size.cy > 0);
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
  }

  if (!options.display) {
    std::printf("   frame skipped: no display\n");
    CoTaskMemFree(pages.pElems);
    return;
  }
  Closer closer;
  closer.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, CloseWhenShown, &closer, 0, nullptr);
  CHECK(thread != nullptr);
  IUnknown* object = camera.Get();
  HRESULT hr = OleCreatePropertyFrame(nullptr, 0, 0, kCaption, 1, &object, pages.cElems,
                                      pages.pElems, 0, 0, nullptr);
  CHECK_HR_EQ(S_OK, hr);
  SetEvent(closer.stop);
  if (thread != nullptr) {
    CHECK(WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0);
    CloseHandle(thread);
  }
  CloseHandle(closer.stop);
  CHECK(closer.sheet != nullptr);
  CHECK(closer.posted);
  CHECK(closer.saw_formats);
  CoTaskMemFree(pages.pElems);
}

}  // namespace smoke
