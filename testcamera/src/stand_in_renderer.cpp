#include "stand_in_renderer.h"

#include <cwchar>
#include <new>

#include "enumerators.h"
#include "guids.h"

namespace lumigrab_tc {
namespace {

// The switches go to the registry because the program checking them may be another process
// than the one whose graph holds the stand-in.
void PublishSwitches(const DWORD* switches) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kResultsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  if (switches != nullptr) {
    RegSetValueExW(key, kLastSwitchesValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(switches),
                   sizeof(DWORD));
  } else {
    RegDeleteValueW(key, kLastSwitchesValue);
  }
  RegCloseKey(key);
}

}  // namespace

HRESULT StandInRenderer::Create(IBaseFilter** out) {
  if (out == nullptr) return E_POINTER;
  *out = new (std::nothrow) StandInRenderer();
  if (*out == nullptr) return E_OUTOFMEMORY;
  PublishSwitches(nullptr);
  return S_OK;
}

STDMETHODIMP StandInRenderer::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IBaseFilter) {
    *out = static_cast<IBaseFilter*>(this);
  } else if (iid == IID_IPersist) {
    *out = static_cast<IPersist*>(this);
  } else if (iid == IID_IMediaFilter) {
    *out = static_cast<IMediaFilter*>(this);
  } else if (iid == IID_IDirectDrawVideo) {
    *out = static_cast<IDirectDrawVideo*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) StandInRenderer::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) StandInRenderer::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP StandInRenderer::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = kClsidStandInRenderer;
  return S_OK;
}

// With no pins there is nothing to wait for: every state is reached at once.
STDMETHODIMP StandInRenderer::Stop() {
  ScopedLock hold(lock_);
  state_ = State_Stopped;
  return S_OK;
}

STDMETHODIMP StandInRenderer::Pause() {
  ScopedLock hold(lock_);
  state_ = State_Paused;
  return S_OK;
}

STDMETHODIMP StandInRenderer::Run(REFERENCE_TIME) {
  ScopedLock hold(lock_);
  state_ = State_Running;
  return S_OK;
}

STDMETHODIMP StandInRenderer::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  *state = state_;
  return S_OK;
}

STDMETHODIMP StandInRenderer::SetSyncSource(IReferenceClock* clock) {
  ScopedLock hold(lock_);
  clock_ = ComRef<IReferenceClock>::Share(clock);
  return S_OK;
}

STDMETHODIMP StandInRenderer::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  *clock = clock_.Get();
  if (*clock != nullptr) (*clock)->AddRef();
  return S_OK;
}

STDMETHODIMP StandInRenderer::EnumPins(IEnumPins** pins) {
  return PinEnumerator::Create({}, 0, pins);
}

STDMETHODIMP StandInRenderer::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP StandInRenderer::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  wcsncpy(info->achName, name_.c_str(), MAX_FILTER_NAME - 1);
  info->achName[MAX_FILTER_NAME - 1] = L'\0';
  info->pGraph = graph_;
  if (info->pGraph != nullptr) info->pGraph->AddRef();
  return S_OK;
}

STDMETHODIMP StandInRenderer::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  ScopedLock hold(lock_);
  graph_ = graph;
  name_ = name != nullptr ? name : L"";
  return S_OK;
}

STDMETHODIMP StandInRenderer::QueryVendorInfo(LPWSTR* info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;
}

// ---- IDirectDrawVideo ----

STDMETHODIMP StandInRenderer::GetSwitches(DWORD* switches) {
  if (switches == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  *switches = switches_;
  return S_OK;
}

STDMETHODIMP StandInRenderer::SetSwitches(DWORD switches) {
  if ((switches & ~static_cast<DWORD>(AMDDS_ALL)) != 0) return E_INVALIDARG;
  ScopedLock hold(lock_);
  switches_ = switches;
  PublishSwitches(&switches);
  return S_OK;
}

STDMETHODIMP StandInRenderer::GetCaps(DDCAPS*) { return E_NOTIMPL; }
STDMETHODIMP StandInRenderer::GetEmulatedCaps(DDCAPS*) { return E_NOTIMPL; }
STDMETHODIMP StandInRenderer::GetSurfaceDesc(DDSURFACEDESC*) { return E_NOTIMPL; }
STDMETHODIMP StandInRenderer::GetFourCCCodes(DWORD*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP StandInRenderer::SetDirectDraw(IDirectDraw*) { return E_NOTIMPL; }

STDMETHODIMP StandInRenderer::GetDirectDraw(IDirectDraw** ddraw) {
  if (ddraw == nullptr) return E_POINTER;
  *ddraw = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP StandInRenderer::GetSurfaceType(DWORD* type) {
  if (type == nullptr) return E_POINTER;
  *type = AMDDS_NONE;  // nothing is ever drawn, so no DirectDraw surface is in use
  return S_OK;
}

STDMETHODIMP StandInRenderer::SetDefault() { return E_NOTIMPL; }

// The renderer's yes/no preferences are only kept and handed back: nothing is ever drawn.
HRESULT StandInRenderer::Remember(LONG& preference, LONG value) {
  ScopedLock hold(lock_);
  preference = value;
  return S_OK;
}

HRESULT StandInRenderer::Recall(const LONG& preference, LONG* value) {
  if (value == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  *value = preference;
  return S_OK;
}

STDMETHODIMP StandInRenderer::UseScanLine(LONG use) { return Remember(use_scan_line_, use); }

STDMETHODIMP StandInRenderer::CanUseScanLine(LONG* use) { return Recall(use_scan_line_, use); }

STDMETHODIMP StandInRenderer::UseOverlayStretch(LONG use) { return Remember(use_overlay_stretch_, use); }

STDMETHODIMP StandInRenderer::CanUseOverlayStretch(LONG* use) { return Recall(use_overlay_stretch_, use); }

STDMETHODIMP StandInRenderer::UseWhenFullScreen(LONG use) { return Remember(use_when_full_screen_, use); }

STDMETHODIMP StandInRenderer::WillUseFullScreen(LONG* use) { return Recall(use_when_full_screen_, use); }

}  // namespace lumigrab_tc
