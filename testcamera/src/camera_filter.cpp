#include "camera_filter.h"

#include <cwchar>
#include <new>

#include "enumerators.h"
#include "guids.h"
#include "stand_in_renderer.h"

namespace lumigrab_tc {

CameraFilter::CameraFilter() : settings_(CameraSettings::Defaults()), pin_(this) {}

CameraFilter::~CameraFilter() {
  // A host that drops its last reference without stopping still must not leave a thread
  // running into freed memory.
  pin_.StopStreaming();
}

HRESULT CameraFilter::Create(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto* filter = new (std::nothrow) CameraFilter();
  if (filter == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = filter->QueryInterface(iid, out);
  filter->Release();
  return hr;
}

STDMETHODIMP CameraFilter::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IBaseFilter) {
    *out = static_cast<IBaseFilter*>(this);
  } else if (iid == IID_IPersist) {
    *out = static_cast<IPersist*>(static_cast<IBaseFilter*>(this));
  } else if (iid == IID_IMediaFilter) {
    *out = static_cast<IMediaFilter*>(this);
  } else if (iid == IID_IPersistPropertyBag) {
    *out = static_cast<IPersistPropertyBag*>(this);
  } else if (iid == IID_ISpecifyPropertyPages) {
    *out = static_cast<ISpecifyPropertyPages*>(this);
  } else {
    // Exactly E_NOINTERFACE: graph managers stop probing a filter on any other failure.
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CameraFilter::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) CameraFilter::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP CameraFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = kClsidTestCamera;
  return S_OK;
}

// ---- IMediaFilter ----

STDMETHODIMP CameraFilter::Stop() {
  ScopedLock serial(state_change_lock_);
  FILTER_STATE was;
  {
    ScopedLock hold(lock_);
    was = state_;
    state_ = State_Stopped;
  }
  if (was != State_Stopped) pin_.StopStreaming();
  return S_OK;
}

STDMETHODIMP CameraFilter::Pause() {
  ScopedLock serial(state_change_lock_);
  ScopedLock hold(lock_);
  if (state_ == State_Stopped) {
    HRESULT hr = pin_.StartStreaming();
    if (FAILED(hr)) return hr;
  } else if (state_ == State_Running) {
    pin_.PauseStreaming();
  }
  state_ = State_Paused;
  return S_OK;
}

STDMETHODIMP CameraFilter::Run(REFERENCE_TIME start) {
  ScopedLock serial(state_change_lock_);
  ScopedLock hold(lock_);
  if (state_ == State_Stopped) {
    HRESULT hr = pin_.StartStreaming();
    if (FAILED(hr)) return hr;
  }
  pin_.RunStreaming(start, clock_.Get());
  state_ = State_Running;
  return S_OK;
}

STDMETHODIMP CameraFilter::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  *state = state_;
  // A live source has nothing to show while paused; saying so keeps the graph from waiting
  // for a preroll that never comes.
  return state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP CameraFilter::SetSyncSource(IReferenceClock* clock) {
  ScopedLock hold(lock_);
  clock_ = ComRef<IReferenceClock>::Share(clock);
  return S_OK;
}

STDMETHODIMP CameraFilter::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  *clock = clock_.Get();
  if (*clock != nullptr) (*clock)->AddRef();
  return S_OK;
}

// ---- IBaseFilter ----

STDMETHODIMP CameraFilter::EnumPins(IEnumPins** pins) {
  return PinEnumerator::Create({static_cast<IPin*>(&pin_)}, 0, pins);
}

STDMETHODIMP CameraFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  if (wcscmp(id, kPinName) != 0) {
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
  }
  *pin = static_cast<IPin*>(&pin_);
  (*pin)->AddRef();
  return S_OK;
}

STDMETHODIMP CameraFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  wcsncpy(info->achName, name_.c_str(), MAX_FILTER_NAME - 1);
  info->achName[MAX_FILTER_NAME - 1] = L'\0';
  info->pGraph = graph_;
  if (info->pGraph != nullptr) info->pGraph->AddRef();
  return S_OK;
}

STDMETHODIMP CameraFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  ComRef<IBaseFilter> forgotten;
  bool wants_stand_in;
  {
    ScopedLock hold(lock_);
    graph_ = graph;
    name_ = name != nullptr ? name : L"";
    // Leaving a graph: the graph owns the stand-in and removes it itself; we only drop our
    // handle on it. Calling back into a graph that may be in its destructor is not safe.
    forgotten = std::move(stand_in_);
    wants_stand_in = graph != nullptr && settings_.stand_in_renderer;
  }
  forgotten.Reset();
  if (!wants_stand_in) return S_OK;

  // AddFilter re-enters the graph while it is still adding us; graph managers allow that on
  // the same thread. Our lock is not held, so the stand-in's own JoinFilterGraph is free to
  // run. A stand-in that cannot be added must not keep the camera out of the graph.
  ComRef<IBaseFilter> stand_in;
  if (FAILED(StandInRenderer::Create(stand_in.Receive()))) return S_OK;
  if (FAILED(graph->AddFilter(stand_in.Get(), kStandInName))) return S_OK;
  ScopedLock hold(lock_);
  if (graph_ == graph) stand_in_ = std::move(stand_in);
  return S_OK;
}

STDMETHODIMP CameraFilter::QueryVendorInfo(LPWSTR* info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;
}

// ---- IPersistPropertyBag ----

STDMETHODIMP CameraFilter::InitNew() { return S_OK; }

STDMETHODIMP CameraFilter::Load(IPropertyBag* bag, IErrorLog*) {
  if (bag == nullptr) return E_POINTER;
  ScopedLock hold(lock_);
  if (pin_.IsConnected()) return VFW_E_ALREADY_CONNECTED;
  CameraSettings settings = CameraSettings::Defaults();
  settings.LoadFrom(bag);
  settings_ = settings;
  return S_OK;
}

STDMETHODIMP CameraFilter::Save(IPropertyBag*, BOOL, BOOL) { return E_NOTIMPL; }

// ---- ISpecifyPropertyPages ----

STDMETHODIMP CameraFilter::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) {
    pages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pages->cElems = 1;
  pages->pElems[0] = kClsidTestCameraPage;
  return S_OK;
}

}  // namespace lumigrab_tc
