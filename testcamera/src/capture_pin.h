// The camera's only pin: "Capture", an output pin in the capture category that negotiates its
// own media type and allocator and owns the streaming thread.
#pragma once

#include <vector>

#include "camera_settings.h"
#include "com_ref.h"
#include "frame_pump.h"
#include "platform_headers.h"

namespace lumigrab_tc {

class CameraFilter;

class CapturePin final : public IPin, public IKsPropertySet, public IAMStreamConfig {
 public:
  explicit CapturePin(CameraFilter* filter);
  ~CapturePin();

  // The pin lives inside its filter and shares its reference count.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPin
  STDMETHODIMP Connect(IPin* receive_pin, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // IKsPropertySet: tells graph builders that this is a capture pin.
  STDMETHODIMP Set(REFGUID set, DWORD id, void* instance, DWORD instance_size, void* data,
                   DWORD data_size) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instance_size, void* data,
                   DWORD data_size, DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

  // IAMStreamConfig
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

  // Called by the filter with its lock held.
  HRESULT StartStreaming();
  void RunStreaming(REFERENCE_TIME start, IReferenceClock* clock);
  void PauseStreaming();
  void StopStreaming();
  bool IsConnected() const { return static_cast<bool>(peer_); }

 private:
  // Capabilities in the order a connection tries them: only the chosen one after SetFormat.
  std::vector<Capability> ConnectionCandidates() const;
  // The capability GetFormat reports when nothing is connected.
  Capability CurrentCapability() const;
  HRESULT TryConnection(IPin* receive_pin, const Capability& capability);
  HRESULT DecideAllocator(IMemInputPin* input, const Capability& capability);
  void ClearConnection();

  CameraFilter* filter_;
  ComRef<IPin> peer_;
  ComRef<IMemInputPin> peer_input_;
  ComRef<IMemAllocator> allocator_;
  AM_MEDIA_TYPE connected_type_ = {};
  Capability connected_capability_;
  int chosen_ = -1;  // index chosen with SetFormat, -1 for none
  FramePump pump_;
};

}  // namespace lumigrab_tc
