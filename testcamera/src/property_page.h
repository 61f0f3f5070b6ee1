// The camera's property page: a read-only view of what the instance offers and which format
// is in use, hosted by whatever property frame the host opens.
#pragma once

#include <string>

#include "com_ref.h"
#include "module.h"
#include "platform_headers.h"

namespace lumigrab_tc {

class CameraPropertyPage final : public IPropertyPage {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  STDMETHODIMP Show(UINT command) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override;
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR help_dir) override;
  STDMETHODIMP TranslateAccelerator(MSG* msg) override;

 private:
  CameraPropertyPage() = default;
  ~CameraPropertyPage();

  // Lines describing the object the page was given (empty when there is none).
  std::wstring Describe() const;
  void LayOut(const RECT& area);

  ModuleObjectToken token_;
  volatile LONG refs_ = 1;
  ComRef<IPropertyPageSite> site_;
  ComRef<IBaseFilter> filter_;
  HWND page_ = nullptr;     // our child window inside the frame
  HWND heading_ = nullptr;  // static text: the filter's name
  HWND list_ = nullptr;     // list box: one line per capability
};

}  // namespace lumigrab_tc
