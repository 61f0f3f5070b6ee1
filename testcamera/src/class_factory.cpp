// COM entry points of the DLL: one class factory per creatable class.
#include <new>

#include "camera_filter.h"
#include "guids.h"
#include "module.h"
#include "property_page.h"

namespace lumigrab_tc {
namespace {

using CreateFunction = HRESULT (*)(REFIID iid, void** out);

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateFunction create) : create_(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return create_(iid, out);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }

 private:
  ~ClassFactory() = default;

  ModuleObjectToken token_;
  volatile LONG refs_ = 1;
  CreateFunction create_;
};

}  // namespace
}  // namespace lumigrab_tc

using namespace lumigrab_tc;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  CreateFunction create = nullptr;
  if (clsid == kClsidTestCamera) {
    create = &CameraFilter::Create;
  } else if (clsid == kClsidTestCameraPage) {
    create = &CameraPropertyPage::Create;
  } else {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  auto* factory = new (std::nothrow) ClassFactory(create);
  if (factory == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return ModuleInUse() ? S_FALSE : S_OK; }
