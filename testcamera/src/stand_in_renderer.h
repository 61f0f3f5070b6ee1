// A pin-less filter the camera can put into its graph as "Video Renderer", for hosts that look
// for the classic renderer by name and drive it through IDirectDrawVideo. It only remembers
// and publishes what it is told; it renders nothing, and it deliberately offers neither
// IVideoWindow nor IBasicVideo.
#pragma once

#include <string>

#include "com_ref.h"
#include "module.h"
#include "platform_headers.h"

namespace lumigrab_tc {

class StandInRenderer final : public IBaseFilter, public IDirectDrawVideo {
 public:
  // Also clears the published switches, so a reader can tell "never set" from AMDDS_NONE.
  static HRESULT Create(IBaseFilter** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout_ms, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  // IDirectDrawVideo
  STDMETHODIMP GetSwitches(DWORD* switches) override;
  STDMETHODIMP SetSwitches(DWORD switches) override;
  STDMETHODIMP GetCaps(DDCAPS* caps) override;
  STDMETHODIMP GetEmulatedCaps(DDCAPS* caps) override;
  STDMETHODIMP GetSurfaceDesc(DDSURFACEDESC* desc) override;
  STDMETHODIMP GetFourCCCodes(DWORD* count, DWORD* codes) override;
  STDMETHODIMP SetDirectDraw(IDirectDraw* ddraw) override;
  STDMETHODIMP GetDirectDraw(IDirectDraw** ddraw) override;
  STDMETHODIMP GetSurfaceType(DWORD* type) override;
  STDMETHODIMP SetDefault() override;
  STDMETHODIMP UseScanLine(LONG use) override;
  STDMETHODIMP CanUseScanLine(LONG* use) override;
  STDMETHODIMP UseOverlayStretch(LONG use) override;
  STDMETHODIMP CanUseOverlayStretch(LONG* use) override;
  STDMETHODIMP UseWhenFullScreen(LONG use) override;
  STDMETHODIMP WillUseFullScreen(LONG* use) override;

 private:
  HRESULT Remember(LONG& preference, LONG value);
  HRESULT Recall(const LONG& preference, LONG* value);

  StandInRenderer() = default;
  ~StandInRenderer() = default;

  ModuleObjectToken token_;
  volatile LONG refs_ = 1;
  Lock lock_;
  FILTER_STATE state_ = State_Stopped;
  ComRef<IReferenceClock> clock_;
  IFilterGraph* graph_ = nullptr;  // weak: the graph owns us
  std::wstring name_;
  DWORD switches_ = AMDDS_DEFAULT;
  LONG use_scan_line_ = 0;
  LONG use_overlay_stretch_ = 0;
  LONG use_when_full_screen_ = 0;
};

}  // namespace lumigrab_tc
