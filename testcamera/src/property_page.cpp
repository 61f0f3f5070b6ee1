#include "property_page.h"

#include <cwchar>
#include <new>
#include <vector>

#include "guids.h"
#include "media_types.h"

namespace lumigrab_tc {
namespace {

constexpr int kPageWidth = 320;
constexpr int kPageHeight = 200;
constexpr int kHeadingHeight = 20;
constexpr int kMargin = 6;

const wchar_t* DepthName(WORD bit_count) {
  switch (bit_count) {
    case 24: return L"RGB24";
    case 32: return L"RGB32";
    case 16: return L"RGB565";
    case 12: return L"I420";
    default: return L"?";
  }
}

std::wstring DescribeType(const AM_MEDIA_TYPE* type) {
  if (type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr ||
      type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return L"(not a video format)";
  }
  const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
  wchar_t text[128];
  double fps = info->AvgTimePerFrame > 0 ? 10000000.0 / info->AvgTimePerFrame : 0.0;
  swprintf(text, 128, L"%ld x %ld %ls, %.2f fps", info->bmiHeader.biWidth,
           info->bmiHeader.biHeight, DepthName(info->bmiHeader.biBitCount), fps);
  return text;
}

// Every stream config only through public interfaces, so the page works for any host.
ComRef<IAMStreamConfig> StreamConfigOf(IBaseFilter* filter) {
  ComRef<IAMStreamConfig> config;
  ComRef<IPin> pin;
  if (filter != nullptr && SUCCEEDED(filter->FindPin(kPinName, pin.Receive()))) {
    pin->QueryInterface(IID_IAMStreamConfig, config.ReceiveVoid());
  }
  return config;
}

}  // namespace

HRESULT CameraPropertyPage::Create(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto* page = new (std::nothrow) CameraPropertyPage();
  if (page == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = page->QueryInterface(iid, out);
  page->Release();
  return hr;
}

CameraPropertyPage::~CameraPropertyPage() {
  if (page_ != nullptr) DestroyWindow(page_);
}

STDMETHODIMP CameraPropertyPage::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPropertyPage) {
    *out = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CameraPropertyPage::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) CameraPropertyPage::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP CameraPropertyPage::SetPageSite(IPropertyPageSite* site) {
  // The frame calls this with null before releasing us; the site must not outlive that.
  site_ = ComRef<IPropertyPageSite>::Share(site);
  return S_OK;
}

std::wstring CameraPropertyPage::Describe() const {
  std::wstring text;
  ComRef<IAMStreamConfig> config = StreamConfigOf(filter_.Get());
  if (!config) return text;
  AM_MEDIA_TYPE* current = nullptr;
  if (SUCCEEDED(config->GetFormat(&current)) && current != nullptr) {
    text += L"Current: " + DescribeType(current) + L"\n";
    DeleteMediaType(current);
  }
  int count = 0;
  int size = 0;
  if (FAILED(config->GetNumberOfCapabilities(&count, &size)) ||
      size != sizeof(VIDEO_STREAM_CONFIG_CAPS)) {
    return text;
  }
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    if (config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)) != S_OK) continue;
    text += DescribeType(type) + L"\n";
    DeleteMediaType(type);
  }
  return text;
}

void CameraPropertyPage::LayOut(const RECT& area) {
  if (page_ == nullptr) return;
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  MoveWindow(page_, area.left, area.top, width, height, TRUE);
  MoveWindow(heading_, kMargin, kMargin, width - 2 * kMargin, kHeadingHeight, TRUE);
  int list_top = kMargin * 2 + kHeadingHeight;
  MoveWindow(list_, kMargin, list_top, width - 2 * kMargin, height - list_top - kMargin, TRUE);
}

STDMETHODIMP CameraPropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (rect == nullptr) return E_POINTER;
  if (page_ != nullptr) return E_UNEXPECTED;
  HINSTANCE instance = ModuleInstance();
  // A plain static control is enough as the page's container: the page only displays.
  page_ = CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0,
                          0, 0, parent, nullptr, instance, nullptr);
  if (page_ == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  std::wstring heading = L"Lumigrab Test Camera";
  if (filter_) {
    FILTER_INFO info = {};
    if (SUCCEEDED(filter_->QueryFilterInfo(&info))) {
      if (info.achName[0] != L'\0') heading += std::wstring(L" - ") + info.achName;
      if (info.pGraph != nullptr) info.pGraph->Release();
    }
  }
  heading_ = CreateWindowExW(0, L"STATIC", heading.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0,
                             0, 0, page_, nullptr, instance, nullptr);
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL,
                          0, 0, 0, 0, page_, nullptr, instance, nullptr);
  SendMessageW(heading_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  std::wstring lines = Describe();
  if (lines.empty()) lines = L"(no camera)\n";
  size_t begin = 0;
  while (begin < lines.size()) {
    size_t end = lines.find(L'\n', begin);
    if (end == std::wstring::npos) end = lines.size();
    std::wstring line = lines.substr(begin, end - begin);
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    begin = end + 1;
  }
  LayOut(*rect);
  return S_OK;
}

STDMETHODIMP CameraPropertyPage::Deactivate() {
  if (page_ == nullptr) return E_UNEXPECTED;
  DestroyWindow(page_);  // takes the child controls with it
  page_ = heading_ = list_ = nullptr;
  return S_OK;
}

STDMETHODIMP CameraPropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  ZeroMemory(info, sizeof(*info));
  info->cb = sizeof(*info);
  HRESULT hr = CoTaskStrDup(L"Test Camera", &info->pszTitle);
  if (FAILED(hr)) return hr;
  info->size.cx = kPageWidth;
  info->size.cy = kPageHeight;
  return S_OK;
}

STDMETHODIMP CameraPropertyPage::SetObjects(ULONG count, IUnknown** objects) {
  filter_.Reset();
  if (count == 0) return S_OK;  // the frame detaching us
  if (objects == nullptr) return E_POINTER;
  for (ULONG i = 0; i < count; ++i) {
    if (objects[i] != nullptr &&
        SUCCEEDED(objects[i]->QueryInterface(IID_IBaseFilter, filter_.ReceiveVoid()))) {
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

STDMETHODIMP CameraPropertyPage::Show(UINT command) {
  if (page_ == nullptr) return E_UNEXPECTED;
  ShowWindow(page_, command);
  return S_OK;
}

STDMETHODIMP CameraPropertyPage::Move(LPCRECT rect) {
  if (rect == nullptr) return E_POINTER;
  if (page_ == nullptr) return E_UNEXPECTED;
  LayOut(*rect);
  return S_OK;
}

// Nothing on the page can be changed.
STDMETHODIMP CameraPropertyPage::IsPageDirty() { return S_FALSE; }
STDMETHODIMP CameraPropertyPage::Apply() { return S_OK; }
STDMETHODIMP CameraPropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP CameraPropertyPage::TranslateAccelerator(MSG*) { return S_FALSE; }

}  // namespace lumigrab_tc
