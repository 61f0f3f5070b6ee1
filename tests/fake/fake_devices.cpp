#include "fake_devices.h"

#include <algorithm>
#include <cstring>

namespace lumigrab::fake {

// --- System device enumerator -----------------------------------------------------------------

void* FakeDeviceEnumerator::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ICreateDevEnum)) {
    return static_cast<ICreateDevEnum*>(this);
  }
  return nullptr;
}

HRESULT FakeDeviceEnumerator::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                    DWORD flags) {
  FakeCall call =
      Begin("CreateClassEnumerator", GuidName(category) + ", flags=" + std::to_string(flags),
            GuidName(category));
  if (enumerator == nullptr) return call.Return(E_POINTER);
  *enumerator = nullptr;
  if (call.Failed()) return call.Fail();

  const bool video = IsEqualGUID(category, CLSID_VideoInputDeviceCategory);
  const bool audio = IsEqualGUID(category, CLSID_AudioInputDeviceCategory);
  const std::vector<FakeDevice*> none;
  const std::vector<FakeDevice*>& devices = video   ? world_.VideoDevices()
                                            : audio ? world_.AudioDevices()
                                                    : none;
  // The real enumerator gives no enumerator at all for an empty category.
  if (devices.empty()) return call.Return(S_FALSE);

  auto& made = world_.Make<FakeEnumMoniker>(
      world_.UniqueName(video ? "EnumMoniker(Video)" : "EnumMoniker(Audio)"), devices);
  made.HandOut(IID_IEnumMoniker, reinterpret_cast<void**>(enumerator));
  return call.Return(S_OK);
}

// --- Moniker enumerator -----------------------------------------------------------------------

void* FakeEnumMoniker::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumMoniker)) {
    return static_cast<IEnumMoniker*>(this);
  }
  return nullptr;
}

HRESULT FakeEnumMoniker::Next(ULONG count, IMoniker** monikers, ULONG* fetched) {
  FakeCall call = Begin("Next", std::to_string(count));
  if (monikers == nullptr || (fetched == nullptr && count != 1)) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  ULONG given = 0;
  while (given < count && position_ < devices_.size()) {
    // Like the real enumerator, every Next makes a new moniker object.
    auto& moniker = world_.Make<FakeDeviceMoniker>(*devices_[position_++]);
    moniker.HandOut(IID_IMoniker, reinterpret_cast<void**>(&monikers[given++]));
  }
  if (fetched != nullptr) *fetched = given;
  return call.Return(given == count ? S_OK : S_FALSE);
}

HRESULT FakeEnumMoniker::Skip(ULONG count) {
  FakeCall call = Begin("Skip", std::to_string(count));
  if (call.Failed()) return call.Fail();
  position_ = std::min<size_t>(devices_.size(), position_ + count);
  return call.Return(position_ < devices_.size() ? S_OK : S_FALSE);
}

HRESULT FakeEnumMoniker::Reset() {
  FakeCall call = Begin("Reset", "");
  if (call.Failed()) return call.Fail();
  position_ = 0;
  return call.Return(S_OK);
}

// --- Monikers and property bags ---------------------------------------------------------------

void* FakeMonikerBase::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMoniker) ||
      IsEqualIID(iid, IID_IPersistStream) || IsEqualIID(iid, IID_IPersist)) {
    return static_cast<IMoniker*>(this);
  }
  return nullptr;
}

HRESULT FakeDeviceMoniker::BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid,
                                         void** object) {
  FakeCall call = Begin("BindToStorage",
                        world_.NameOf(context) + ", " + world_.NameOf(left) + ", " + GuidName(iid),
                        GuidName(iid));
  if (object == nullptr) return call.Return(E_POINTER);
  *object = nullptr;
  if (call.Failed()) return call.Fail();
  if (FAILED(device.script.bindToStorageResult)) {
    return call.Return(device.script.bindToStorageResult);
  }
  if (!IsEqualIID(iid, IID_IPropertyBag)) return call.Return(E_NOINTERFACE);
  auto& bag = world_.Make<FakePropertyBag>(device);
  return call.Return(bag.HandOut(iid, object));
}

HRESULT FakeDeviceMoniker::BindToObject(IBindCtx* context, IMoniker* left, REFIID iid,
                                        void** object) {
  FakeCall call = Begin("BindToObject",
                        world_.NameOf(context) + ", " + world_.NameOf(left) + ", " + GuidName(iid),
                        GuidName(iid));
  if (object == nullptr) return call.Return(E_POINTER);
  *object = nullptr;
  if (call.Failed()) return call.Fail();
  if (FAILED(device.script.bindToObjectResult)) {
    return call.Return(device.script.bindToObjectResult);
  }
  // Every bind makes a new filter instance, as the real devices do.
  auto& filter = world_.Make<FakeCaptureFilter>(device);
  const HRESULT result = filter.HandOut(iid, object);
  if (SUCCEEDED(result)) device.filters.push_back(&filter);
  return call.Return(result);
}

void* FakePropertyBag::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
    return static_cast<IPropertyBag*>(this);
  }
  return nullptr;
}

HRESULT FakePropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) {
  std::string type = value == nullptr ? "null" : "vt=" + std::to_string(value->vt);
  if (value != nullptr && value->vt == VT_BSTR) type = "VT_BSTR";
  FakeCall call = Begin("Read", Quote(name) + ", " + type + ", " + world_.NameOf(log));
  if (name == nullptr || value == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  if (FAILED(device.script.readResult)) return call.Return(device.script.readResult);
  if (std::wcscmp(name, L"FriendlyName") != 0 || !device.script.friendlyName) {
    return call.Return(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  }
  // The value is a string whatever type the caller prepared, as the real bag converts it.
  VariantClear(value);
  value->vt = VT_BSTR;
  value->bstrVal = SysAllocStringLen(device.script.friendlyName->data(),
                                     static_cast<UINT>(device.script.friendlyName->size()));
  return call.Return(S_OK);
}

// --- Capture pin ------------------------------------------------------------------------------

FakeCapturePin::FakeCapturePin(FakeWorld& world, FakeCaptureFilter& filter)
    : FakeObject(world, "StreamConfig", filter.Name() + ".Pin"), filter(filter) {}

void* FakeCapturePin::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAMStreamConfig)) {
    return static_cast<IAMStreamConfig*>(this);
  }
  if (IsEqualIID(iid, IID_IAMVideoCompression) && filter.device.script.videoCompression) {
    return static_cast<IAMVideoCompression*>(this);
  }
  return nullptr;
}

HRESULT FakeCapturePin::GetNumberOfCapabilities(int* count, int* size) {
  FakeCall call = Begin("GetNumberOfCapabilities", "");
  if (count == nullptr || size == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  const DeviceScript& script = filter.device.script;
  if (FAILED(script.numberOfCapabilitiesResult)) {
    return call.Return(script.numberOfCapabilitiesResult);
  }
  *count = static_cast<int>(script.capabilities.size());
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return call.Return(S_OK);
}

HRESULT FakeCapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) {
  FakeCall call = Begin("GetStreamCaps", std::to_string(index));
  if (mediaType == nullptr || caps == nullptr) return call.Return(E_POINTER);
  *mediaType = nullptr;
  if (call.Failed()) return call.Fail();
  const std::vector<Capability>& capabilities = filter.device.script.capabilities;
  if (index < 0 || static_cast<size_t>(index) >= capabilities.size()) {
    return call.Return(S_FALSE);
  }
  const Capability& capability = capabilities[static_cast<size_t>(index)];
  if (FAILED(capability.getStreamCapsResult)) return call.Return(capability.getStreamCapsResult);

  VIDEO_STREAM_CONFIG_CAPS limits = {};
  limits.guid = FORMAT_VideoInfo;
  limits.InputSize = SIZE{capability.width, capability.height};
  limits.MinCroppingSize = limits.MaxCroppingSize = limits.InputSize;
  limits.MinOutputSize = limits.MaxOutputSize = limits.InputSize;
  limits.MinFrameInterval = capability.minFrameInterval;
  limits.MaxFrameInterval = capability.minFrameInterval * 30;
  limits.MinBitsPerSecond = capability.minBitsPerSecond;
  limits.MaxBitsPerSecond = capability.maxBitsPerSecond;
  std::memcpy(caps, &limits, sizeof limits);

  auto& token = world_.Make<MediaTypeToken>(
      world_.UniqueName("MediaType(" + filter.Name() + " cap " + std::to_string(index) + ")"),
      index);
  *mediaType = NewCapabilityMediaType(capability, token);
  handedOut.push_back(&token);
  return call.Return(S_OK);
}

HRESULT FakeCapturePin::SetFormat(AM_MEDIA_TYPE* mediaType) {
  FakeCall call = Begin("SetFormat", Describe(mediaType));
  if (mediaType == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();

  SetFormatRecord record;
  if (auto* token = world_.FakeAt<MediaTypeToken>(mediaType->pUnk)) {
    record.capabilityIndex = token->capabilityIndex;
  }
  const VIDEOINFOHEADER* header = VideoInfoOf(*mediaType);
  if (header != nullptr) {
    record.width = header->bmiHeader.biWidth;
    record.height = header->bmiHeader.biHeight;
    record.bitCount = header->bmiHeader.biBitCount;
    record.avgTimePerFrame = header->AvgTimePerFrame;
    record.bitRate = header->dwBitRate;
  }

  const std::vector<Capability>& capabilities = filter.device.script.capabilities;
  const Capability* matched = nullptr;
  if (record.capabilityIndex >= 0 &&
      static_cast<size_t>(record.capabilityIndex) < capabilities.size()) {
    matched = &capabilities[static_cast<size_t>(record.capabilityIndex)];
  } else if (header != nullptr) {
    for (const Capability& capability : capabilities) {
      if (capability.width == record.width && capability.height == record.height &&
          capability.bitCount == record.bitCount) {
        matched = &capability;
        break;
      }
    }
  }

  if (header == nullptr || matched == nullptr) {
    record.result = VFW_E_INVALIDMEDIATYPE;
  } else if (!filter.renderedCategories.empty()) {
    // A connected pin keeps its format.
    record.result = VFW_E_ALREADY_CONNECTED;
  } else {
    record.result = matched->setFormatResult;
  }
  if (SUCCEEDED(record.result)) filter.formatSet = *header;
  setFormats.push_back(record);
  return call.Return(record.result);
}

HRESULT FakeCapturePin::put_Quality(double quality) {
  FakeCall call = Begin("put_Quality", std::to_string(quality));
  if (call.Failed()) return call.Fail();
  qualities.push_back(quality);
  return call.Return(S_OK);
}

// --- Capture filter ---------------------------------------------------------------------------

FakeCaptureFilter::FakeCaptureFilter(FakeWorld& world, FakeDevice& device)
    : FakeBaseFilter(world, "Filter", world.UniqueName(device.id)),
      device(device),
      pin(world.Make<FakeCapturePin>(*this)) {}

void* FakeCaptureFilter::Interface(REFIID iid) {
  if (void* found = BaseFilterInterface(iid)) return found;
  if (IsEqualIID(iid, IID_ISpecifyPropertyPages) && device.script.propertyPages) {
    return static_cast<ISpecifyPropertyPages*>(this);
  }
  return nullptr;
}

HRESULT FakeCaptureFilter::GetPages(CAUUID* pages) {
  FakeCall call = Begin("GetPages", "");
  if (pages == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  if (FAILED(device.script.getPagesResult)) return call.Return(device.script.getPagesResult);
  const std::vector<CLSID>& list = device.script.pages;
  pages->cElems = static_cast<ULONG>(list.size());
  pages->pElems = nullptr;
  if (!list.empty()) {
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(list.size() * sizeof(GUID)));
    std::memcpy(pages->pElems, list.data(), list.size() * sizeof(GUID));
  }
  return call.Return(S_OK);
}

std::optional<VIDEOINFOHEADER> FakeCaptureFilter::CurrentFormat() const {
  if (formatSet) return formatSet;
  for (const Capability& capability : device.script.capabilities) {
    if (capability.block == Capability::Block::VideoInfo) {
      return MakeVideoInfo(capability.width, capability.height, capability.bitCount,
                           capability.minFrameInterval);
    }
  }
  return std::nullopt;
}

}  // namespace lumigrab::fake
