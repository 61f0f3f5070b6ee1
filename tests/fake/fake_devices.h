// Capture devices and how the engine reaches them: the system device enumerator, the moniker
// enumerators of the two input categories, each device's moniker and property bag, and the
// capture filter a moniker binds to, with its capture pin (IAMStreamConfig, IAMVideoCompression).
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_filter.h"
#include "media_types.h"

namespace lumigrab::fake {

class FakeCaptureFilter;
class FakeCrossbar;

// What a device is and how it misbehaves. Every filter bound from the device shares it.
struct DeviceScript {
  DeviceScript() = default;  // a device without a "FriendlyName"
  explicit DeviceScript(std::wstring name) : friendlyName(std::move(name)) {}

  std::optional<std::wstring> friendlyName;
  HRESULT bindToStorageResult = S_OK;
  HRESULT readResult = S_OK;
  HRESULT bindToObjectResult = S_OK;

  // Capture pin.
  bool streamConfig = true;
  std::vector<Capability> capabilities;
  HRESULT numberOfCapabilitiesResult = S_OK;
  bool videoCompression = false;
  bool previewPin = true;             // without one, PREVIEW rendering answers VFW_S_NOPREVIEWPIN
  std::set<WORD> cannotDeliverRgb24;  // current bit counts that cannot reach an RGB24 grabber
  std::optional<DWORD> connectedImageSize;  // biSizeImage of the grabber's connected type

  // Settings pages.
  bool propertyPages = false;
  std::vector<CLSID> pages;
  HRESULT getPagesResult = S_OK;
  HRESULT queryFilterInfoResult = S_OK;

  // Crossbar found upstream of the filter (not owned).
  FakeCrossbar* crossbar = nullptr;

  DeviceScript& With(Capability capability) {
    capabilities.push_back(std::move(capability));
    return *this;
  }
  DeviceScript& FailBindToStorage(HRESULT result = E_FAIL) {
    bindToStorageResult = result;
    return *this;
  }
  DeviceScript& FailRead(HRESULT result = E_FAIL) {
    readResult = result;
    return *this;
  }
  DeviceScript& FailBindToObject(HRESULT result = E_FAIL) {
    bindToObjectResult = result;
    return *this;
  }
  DeviceScript& WithoutStreamConfig() {
    streamConfig = false;
    return *this;
  }
  DeviceScript& FailNumberOfCapabilities(HRESULT result = E_FAIL) {
    numberOfCapabilitiesResult = result;
    return *this;
  }
  DeviceScript& WithVideoCompression() {
    videoCompression = true;
    return *this;
  }
  DeviceScript& WithoutPreviewPin() {
    previewPin = false;
    return *this;
  }
  DeviceScript& CannotDeliverRgb24At(WORD bitCount) {
    cannotDeliverRgb24.insert(bitCount);
    return *this;
  }
  DeviceScript& ConnectedImageSize(DWORD size) {
    connectedImageSize = size;
    return *this;
  }
  DeviceScript& WithPropertyPages(std::vector<CLSID> pageList) {
    propertyPages = true;
    pages = std::move(pageList);
    return *this;
  }
  DeviceScript& FailGetPages(HRESULT result = E_FAIL) {
    getPagesResult = result;
    return *this;
  }
  DeviceScript& FailQueryFilterInfo(HRESULT result = E_FAIL) {
    queryFilterInfoResult = result;
    return *this;
  }
  DeviceScript& WithCrossbar(FakeCrossbar& upstream) {
    crossbar = &upstream;
    return *this;
  }
};

// One device of the system (not a COM object): its script and every filter bound from it.
class FakeDevice {
 public:
  FakeDevice(FakeWorld& world, std::string id, bool video, DeviceScript script)
      : world(world), id(std::move(id)), video(video), script(std::move(script)) {}

  FakeWorld& world;
  const std::string id;  // "Video0", "Audio1"...
  const bool video;
  DeviceScript script;
  std::vector<FakeCaptureFilter*> filters;  // one per successful BindToObject
};

class FakeDeviceEnumerator final : public FakeObject, public ICreateDevEnum {
 public:
  explicit FakeDeviceEnumerator(FakeWorld& world)
      : FakeObject(world, "DevEnum", world.UniqueName("DevEnum")) {}
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;
  HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                  DWORD flags) override;
};

class FakeEnumMoniker final : public FakeObject, public IEnumMoniker {
 public:
  FakeEnumMoniker(FakeWorld& world, std::string name, std::vector<FakeDevice*> devices)
      : FakeObject(world, "EnumMoniker", std::move(name)), devices_(std::move(devices)) {}
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;
  HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** monikers, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  LUMIGRAB_FAKE_NOTIMPL(Clone, (IEnumMoniker**))

 private:
  std::vector<FakeDevice*> devices_;
  size_t position_ = 0;
};

// IMoniker with every method the engine has no business calling answering E_NOTIMPL.
class FakeMonikerBase : public FakeObject, public IMoniker {
 public:
  using FakeObject::FakeObject;
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;

  LUMIGRAB_FAKE_NOTIMPL(GetClassID, (CLSID*))
  LUMIGRAB_FAKE_NOTIMPL(IsDirty, ())
  LUMIGRAB_FAKE_NOTIMPL(Load, (IStream*))
  LUMIGRAB_FAKE_NOTIMPL(Save, (IStream*, WINBOOL))
  LUMIGRAB_FAKE_NOTIMPL(GetSizeMax, (ULARGE_INTEGER*))
  LUMIGRAB_FAKE_NOTIMPL(BindToObject, (IBindCtx*, IMoniker*, REFIID, void**))
  LUMIGRAB_FAKE_NOTIMPL(BindToStorage, (IBindCtx*, IMoniker*, REFIID, void**))
  LUMIGRAB_FAKE_NOTIMPL(Reduce, (IBindCtx*, DWORD, IMoniker**, IMoniker**))
  LUMIGRAB_FAKE_NOTIMPL(ComposeWith, (IMoniker*, WINBOOL, IMoniker**))
  LUMIGRAB_FAKE_NOTIMPL(Enum, (WINBOOL, IEnumMoniker**))
  LUMIGRAB_FAKE_NOTIMPL(IsEqual, (IMoniker*))
  LUMIGRAB_FAKE_NOTIMPL(Hash, (DWORD*))
  LUMIGRAB_FAKE_NOTIMPL(IsRunning, (IBindCtx*, IMoniker*, IMoniker*))
  LUMIGRAB_FAKE_NOTIMPL(GetTimeOfLastChange, (IBindCtx*, IMoniker*, FILETIME*))
  LUMIGRAB_FAKE_NOTIMPL(Inverse, (IMoniker**))
  LUMIGRAB_FAKE_NOTIMPL(CommonPrefixWith, (IMoniker*, IMoniker**))
  LUMIGRAB_FAKE_NOTIMPL(RelativePathTo, (IMoniker*, IMoniker**))
  LUMIGRAB_FAKE_NOTIMPL(GetDisplayName, (IBindCtx*, IMoniker*, LPOLESTR*))
  LUMIGRAB_FAKE_NOTIMPL(ParseDisplayName, (IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**))
  LUMIGRAB_FAKE_NOTIMPL(IsSystemMoniker, (DWORD*))
};

class FakeDeviceMoniker final : public FakeMonikerBase {
 public:
  FakeDeviceMoniker(FakeWorld& world, FakeDevice& device)
      : FakeMonikerBase(world, "Moniker", "Moniker(" + device.id + ")"), device(device) {}
  HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid,
                                          void** object) override;
  HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID iid,
                                         void** object) override;

  FakeDevice& device;
};

class FakePropertyBag final : public FakeObject, public IPropertyBag {
 public:
  FakePropertyBag(FakeWorld& world, FakeDevice& device)
      : FakeObject(world, "PropertyBag", "PropertyBag(" + device.id + ")"), device(device) {}
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  LUMIGRAB_FAKE_NOTIMPL(Write, (LPCOLESTR, VARIANT*))

  FakeDevice& device;
};

// What one SetFormat call asked for.
struct SetFormatRecord {
  int capabilityIndex = -1;  // from the media type's token; -1 when it carried none
  LONG width = 0;
  LONG height = 0;
  WORD bitCount = 0;
  REFERENCE_TIME avgTimePerFrame = 0;
  DWORD bitRate = 0;
  HRESULT result = S_OK;
};

// The capture pin of one filter instance.
class FakeCapturePin final : public FakeObject, public IAMStreamConfig, public IAMVideoCompression {
 public:
  FakeCapturePin(FakeWorld& world, FakeCaptureFilter& filter);
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;

  // IAMStreamConfig
  HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* mediaType) override;
  LUMIGRAB_FAKE_NOTIMPL(GetFormat, (AM_MEDIA_TYPE**))
  HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
  HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType,
                                          BYTE* caps) override;
  // IAMVideoCompression
  LUMIGRAB_FAKE_NOTIMPL(put_KeyFrameRate, (LONG))
  LUMIGRAB_FAKE_NOTIMPL(get_KeyFrameRate, (LONG*))
  LUMIGRAB_FAKE_NOTIMPL(put_PFramesPerKeyFrame, (LONG))
  LUMIGRAB_FAKE_NOTIMPL(get_PFramesPerKeyFrame, (LONG*))
  HRESULT STDMETHODCALLTYPE put_Quality(double quality) override;
  LUMIGRAB_FAKE_NOTIMPL(get_Quality, (double*))
  LUMIGRAB_FAKE_NOTIMPL(put_WindowSize, (DWORDLONG))
  LUMIGRAB_FAKE_NOTIMPL(get_WindowSize, (DWORDLONG*))
  LUMIGRAB_FAKE_NOTIMPL(GetInfo, (LPWSTR, int*, LPWSTR, int*, LONG*, LONG*, double*, LONG*))
  LUMIGRAB_FAKE_NOTIMPL(OverrideKeyFrame, (LONG))
  LUMIGRAB_FAKE_NOTIMPL(OverrideFrameSize, (LONG, LONG))

  FakeCaptureFilter& filter;
  std::vector<SetFormatRecord> setFormats;
  std::vector<double> qualities;
  std::vector<MediaTypeToken*> handedOut;  // the tokens of every media type GetStreamCaps gave
};

// A capture filter instance bound from a device moniker.
class FakeCaptureFilter final : public FakeBaseFilter<ISpecifyPropertyPages> {
 public:
  FakeCaptureFilter(FakeWorld& world, FakeDevice& device);
  void* Interface(REFIID iid) override;

  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // The format the pin would deliver now: the last one set, else the first capability.
  std::optional<VIDEOINFOHEADER> CurrentFormat() const;

  FakeDevice& device;
  FakeCapturePin& pin;
  std::optional<VIDEOINFOHEADER> formatSet;
  std::set<std::string> renderedCategories;  // categories RenderStream connected

 protected:
  HRESULT QueryFilterInfoResult() override { return device.script.queryFilterInfoResult; }
};

}  // namespace lumigrab::fake
