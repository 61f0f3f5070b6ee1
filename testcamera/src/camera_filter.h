// The test camera's source filter: one capture pin, settings from the device's property bag,
// a property page, and on request a stand-in "Video Renderer" in the graph it joins.
#pragma once

#include <string>

#include "camera_settings.h"
#include "capture_pin.h"
#include "com_ref.h"
#include "module.h"
#include "platform_headers.h"

namespace lumigrab_tc {

class CameraFilter final : public IBaseFilter,
                           public IPersistPropertyBag,
                           public ISpecifyPropertyPages {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPersist (shared by IBaseFilter and IPersistPropertyBag)
  STDMETHODIMP GetClassID(CLSID* clsid) override;

  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout_ms, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;

  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  // IPersistPropertyBag
  STDMETHODIMP InitNew() override;
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // For the pin: shared state, guarded by Lock().
  Lock& FilterLock() { return lock_; }
  FILTER_STATE State() const { return state_; }
  const CameraSettings& Settings() const { return settings_; }
  IFilterGraph* Graph() const { return graph_; }

 private:
  CameraFilter();
  ~CameraFilter();

  ModuleObjectToken token_;
  volatile LONG refs_ = 1;
  // Serialises Stop/Pause/Run, which may wait for the streaming thread; lock_ guards the
  // fields and is never held while waiting, so GetState and pin queries never block on it.
  Lock state_change_lock_;
  Lock lock_;
  CameraSettings settings_;
  FILTER_STATE state_ = State_Stopped;
  ComRef<IReferenceClock> clock_;
  IFilterGraph* graph_ = nullptr;  // weak: the graph owns us
  std::wstring name_;
  // The test-only renderer we put into graph_; the graph owns it, this reference only lets us
  // forget it when we leave.
  ComRef<IBaseFilter> stand_in_;
  CapturePin pin_;
};

}  // namespace lumigrab_tc
