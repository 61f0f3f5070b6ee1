#include "capture_pin.h"

#include <cwchar>

#include "camera_filter.h"
#include "enumerators.h"
#include "guids.h"
#include "media_types.h"

namespace lumigrab_tc {
namespace {

// The allocator must hold at least two buffers: with one, a tee downstream starves and Stop
// never returns.
constexpr long kMinBuffers = 3;

}  // namespace

CapturePin::CapturePin(CameraFilter* filter) : filter_(filter) {}

CapturePin::~CapturePin() {
  pump_.Stop();
  ClearConnection();
}

STDMETHODIMP CapturePin::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPin) {
    *out = static_cast<IPin*>(this);
  } else if (iid == IID_IKsPropertySet) {
    *out = static_cast<IKsPropertySet*>(this);
  } else if (iid == IID_IAMStreamConfig) {
    *out = static_cast<IAMStreamConfig*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CapturePin::AddRef() { return filter_->AddRef(); }
STDMETHODIMP_(ULONG) CapturePin::Release() { return filter_->Release(); }

// ---- connection ----

std::vector<Capability> CapturePin::ConnectionCandidates() const {
  const std::vector<Capability>& all = filter_->Settings().capabilities;
  if (chosen_ >= 0 && chosen_ < static_cast<int>(all.size())) return {all[chosen_]};
  return all;
}

Capability CapturePin::CurrentCapability() const {
  if (peer_) return connected_capability_;
  const std::vector<Capability>& all = filter_->Settings().capabilities;
  if (chosen_ >= 0 && chosen_ < static_cast<int>(all.size())) return all[chosen_];
  return all.front();
}

STDMETHODIMP CapturePin::Connect(IPin* receive_pin, const AM_MEDIA_TYPE* type) {
  if (receive_pin == nullptr) return E_POINTER;
  ScopedLock hold(filter_->FilterLock());
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  PIN_DIRECTION direction;
  if (FAILED(receive_pin->QueryDirection(&direction)) || direction != PINDIR_INPUT) {
    return VFW_E_INVALID_DIRECTION;
  }
  bool any_candidate = false;
  HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
  for (const Capability& capability : ConnectionCandidates()) {
    if (!PartiallyMatches(type, capability)) continue;
    any_candidate = true;
    HRESULT hr = TryConnection(receive_pin, capability);
    if (SUCCEEDED(hr)) return S_OK;
    last = hr;
  }
  if (!any_candidate) return VFW_E_NO_ACCEPTABLE_TYPES;
  // A refused type is reported as such; allocator trouble keeps its own code.
  return last == VFW_E_TYPE_NOT_ACCEPTED || last == E_FAIL ? VFW_E_NO_ACCEPTABLE_TYPES : last;
}

HRESULT CapturePin::TryConnection(IPin* receive_pin, const Capability& capability) {
  AM_MEDIA_TYPE type;
  HRESULT hr = MakeMediaType(capability, &type);
  if (FAILED(hr)) return hr;
  // The peer may ask us about the connection from inside ReceiveConnection.
  peer_ = ComRef<IPin>::Share(receive_pin);
  connected_type_ = type;
  connected_capability_ = capability;
  hr = receive_pin->ReceiveConnection(static_cast<IPin*>(this), &connected_type_);
  if (FAILED(hr)) {
    ClearConnection();
    return hr;
  }
  ComRef<IMemInputPin> input;
  hr = receive_pin->QueryInterface(IID_IMemInputPin, input.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = DecideAllocator(input.Get(), capability);
  if (FAILED(hr)) {
    receive_pin->Disconnect();
    ClearConnection();
    return hr;
  }
  peer_input_ = std::move(input);
  return S_OK;
}

HRESULT CapturePin::DecideAllocator(IMemInputPin* input, const Capability& capability) {
  ALLOCATOR_PROPERTIES wanted = {};
  input->GetAllocatorRequirements(&wanted);  // optional for the peer; zeroes mean "no opinion"
  wanted.cBuffers = wanted.cBuffers > kMinBuffers ? wanted.cBuffers : kMinBuffers;
  wanted.cbBuffer = static_cast<long>(ImageSize(capability));
  if (wanted.cbAlign < 1) wanted.cbAlign = 1;
  if (wanted.cbPrefix < 0) wanted.cbPrefix = 0;

  // Prefer the peer's allocator; fall back to a plain memory allocator of our own (the sample
  // grabber has none to offer).
  for (int attempt = 0; attempt < 2; ++attempt) {
    ComRef<IMemAllocator> allocator;
    HRESULT hr = attempt == 0 ? input->GetAllocator(allocator.Receive())
                              : CoCreateInstance(CLSID_MemoryAllocator, nullptr,
                                                 CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                                 allocator.ReceiveVoid());
    if (FAILED(hr) || !allocator) continue;
    ALLOCATOR_PROPERTIES actual = {};
    hr = allocator->SetProperties(&wanted, &actual);
    if (FAILED(hr) || actual.cbBuffer < wanted.cbBuffer || actual.cBuffers < 2) continue;
    if (FAILED(input->NotifyAllocator(allocator.Get(), FALSE))) continue;
    allocator_ = std::move(allocator);
    return S_OK;
  }
  return VFW_E_NO_ALLOCATOR;
}

void CapturePin::ClearConnection() {
  peer_input_.Reset();
  allocator_.Reset();
  peer_.Reset();
  ClearMediaType(&connected_type_);
  ZeroMemory(&connected_type_, sizeof(connected_type_));
}

STDMETHODIMP CapturePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) {
  // Output pins initiate connections; they never accept one.
  return E_UNEXPECTED;
}

STDMETHODIMP CapturePin::Disconnect() {
  ScopedLock hold(filter_->FilterLock());
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!peer_) return S_FALSE;
  ClearConnection();
  return S_OK;
}

STDMETHODIMP CapturePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  ScopedLock hold(filter_->FilterLock());
  *pin = peer_.Get();
  if (*pin == nullptr) return VFW_E_NOT_CONNECTED;
  (*pin)->AddRef();
  return S_OK;
}

STDMETHODIMP CapturePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  ScopedLock hold(filter_->FilterLock());
  if (!peer_) {
    ZeroMemory(type, sizeof(*type));
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(type, &connected_type_);
}

STDMETHODIMP CapturePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = static_cast<IBaseFilter*>(filter_);
  info->pFilter->AddRef();
  info->dir = PINDIR_OUTPUT;
  wcsncpy(info->achName, kPinName, MAX_PIN_NAME - 1);
  info->achName[MAX_PIN_NAME - 1] = L'\0';
  return S_OK;
}

STDMETHODIMP CapturePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = PINDIR_OUTPUT;
  return S_OK;
}

STDMETHODIMP CapturePin::QueryId(LPWSTR* id) { return CoTaskStrDup(kPinName, id); }

STDMETHODIMP CapturePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  ScopedLock hold(filter_->FilterLock());
  for (const Capability& capability : filter_->Settings().capabilities) {
    if (ExactlyMatches(type, capability)) return S_OK;
  }
  return S_FALSE;
}

STDMETHODIMP CapturePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  ScopedLock hold(filter_->FilterLock());
  std::vector<Capability> ordered = filter_->Settings().capabilities;
  if (chosen_ > 0 && chosen_ < static_cast<int>(ordered.size())) {
    Capability chosen = ordered[chosen_];
    ordered.erase(ordered.begin() + chosen_);
    ordered.insert(ordered.begin(), chosen);
  }
  return MediaTypeEnumerator::Create(ordered, 0, types);
}

STDMETHODIMP CapturePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP CapturePin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP CapturePin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP CapturePin::EndFlush() { return E_UNEXPECTED; }
STDMETHODIMP CapturePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

// ---- IKsPropertySet ----

STDMETHODIMP CapturePin::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) {
  return E_PROP_SET_UNSUPPORTED;
}

STDMETHODIMP CapturePin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD data_size,
                             DWORD* returned) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (data == nullptr && returned == nullptr) return E_POINTER;
  if (returned != nullptr) *returned = sizeof(GUID);
  if (data == nullptr) return S_OK;
  if (data_size < sizeof(GUID)) return E_UNEXPECTED;
  *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
  return S_OK;
}

STDMETHODIMP CapturePin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (support != nullptr) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

// ---- IAMStreamConfig ----

STDMETHODIMP CapturePin::SetFormat(AM_MEDIA_TYPE* type) {
  ComRef<IFilterGraph> graph;
  {
    ScopedLock hold(filter_->FilterLock());
    if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
    const std::vector<Capability>& all = filter_->Settings().capabilities;
    if (type == nullptr) {
      // Back to offering everything, as before any SetFormat.
      if (peer_) return VFW_E_ALREADY_CONNECTED;
      chosen_ = -1;
      return S_OK;
    }
    int found = -1;
    for (size_t i = 0; i < all.size(); ++i) {
      if (ExactlyMatches(type, all[i])) {
        found = static_cast<int>(i);
        break;
      }
    }
    if (found < 0) return VFW_E_INVALIDMEDIATYPE;
    if (peer_ && all[found] == connected_capability_) {
      chosen_ = found;
      return S_OK;
    }
    if (peer_) {
      AM_MEDIA_TYPE candidate;
      if (FAILED(MakeMediaType(all[found], &candidate))) return E_OUTOFMEMORY;
      HRESULT accepted = peer_->QueryAccept(&candidate);
      ClearMediaType(&candidate);
      if (accepted != S_OK) return VFW_E_INVALIDMEDIATYPE;
      graph = ComRef<IFilterGraph>::Share(filter_->Graph());
      if (!graph) return VFW_E_NOT_IN_GRAPH;
    }
    chosen_ = found;
  }
  // Reconnecting goes through our own Disconnect and Connect, which take the filter lock.
  if (graph) return graph->Reconnect(static_cast<IPin*>(this));
  return S_OK;
}

STDMETHODIMP CapturePin::GetFormat(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  ScopedLock hold(filter_->FilterLock());
  *type = NewMediaType(CurrentCapability());
  return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  ScopedLock hold(filter_->FilterLock());
  *count = static_cast<int>(filter_->Settings().capabilities.size());
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

STDMETHODIMP CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
  if (type == nullptr || caps == nullptr) return E_POINTER;
  ScopedLock hold(filter_->FilterLock());
  const std::vector<Capability>& all = filter_->Settings().capabilities;
  if (index < 0 || index >= static_cast<int>(all.size())) return S_FALSE;
  *type = NewMediaType(all[index]);
  if (*type == nullptr) return E_OUTOFMEMORY;
  FillStreamCaps(all[index], reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(caps));
  return S_OK;
}

// ---- streaming, driven by the filter's state changes ----

HRESULT CapturePin::StartStreaming() {
  if (!peer_) return S_OK;  // an unconnected source simply has nothing to send
  return pump_.Start(allocator_.Get(), peer_input_.Get(), connected_capability_,
                     filter_->Settings().pattern);
}

void CapturePin::RunStreaming(REFERENCE_TIME start, IReferenceClock* clock) {
  if (peer_) pump_.Run(start, clock);
}

void CapturePin::PauseStreaming() { pump_.Pause(); }

void CapturePin::StopStreaming() { pump_.Stop(); }

}  // namespace lumigrab_tc
