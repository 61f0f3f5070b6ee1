#include "devices.h"

#include "check.h"

namespace smoke {

const CLSID kCameraClsid = {
    0x403ac669, 0x1a1a, 0x47fe, {0x95, 0x39, 0x43, 0xd0, 0xbf, 0x26, 0xbc, 0x87}};
const CLSID kPageClsid = {
    0x6a75a6e4, 0x8756, 0x4fe4, {0x8a, 0x62, 0xe7, 0x8b, 0x49, 0x8d, 0xcf, 0x11}};
const CLSID kSampleGrabberClsid = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

std::vector<Device> EnumerateVideoInputs() {
  std::vector<Device> devices;
  ComRef<ICreateDevEnum> dev_enum;
  if (FAILED(CHECK_HR(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ICreateDevEnum, dev_enum.ReceiveVoid())))) {
    return devices;
  }
  ComRef<IEnumMoniker> monikers;
  if (CHECK_HR_EQ(S_OK, dev_enum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                        monikers.Receive(), 0)) != S_OK) {
    return devices;
  }
  for (;;) {
    Device device;
    if (monikers->Next(1, device.moniker.Receive(), nullptr) != S_OK) break;
    ComRef<IPropertyBag> bag;
    if (FAILED(device.moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                             bag.ReceiveVoid()))) {
      devices.push_back(std::move(device));
      continue;
    }
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) {
      device.has_name = true;
      device.name = value.bstrVal;
    }
    VariantClear(&value);
    if (SUCCEEDED(bag->Read(L"CLSID", &value, nullptr)) && value.vt == VT_BSTR) {
      CLSIDFromString(value.bstrVal, &device.clsid);
    }
    VariantClear(&value);
    if (SUCCEEDED(bag->Read(L"Pattern", &value, nullptr)) &&
        SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4))) {
      device.has_pattern = true;
      device.pattern = static_cast<DWORD>(value.lVal);
    }
    VariantClear(&value);
    devices.push_back(std::move(device));
  }
  return devices;
}

const Device* FindBySeed(const std::vector<Device>& devices, DWORD seed) {
  for (const Device& device : devices) {
    if (device.clsid == kCameraClsid && device.has_pattern && device.pattern == seed) {
      return &device;
    }
  }
  return nullptr;
}

ComRef<IBaseFilter> BindCamera(DWORD seed) {
  ComRef<IBaseFilter> filter;
  std::vector<Device> devices = EnumerateVideoInputs();
  const Device* device = FindBySeed(devices, seed);
  CHECK(device != nullptr);
  if (device == nullptr) return filter;
  CHECK_HR(device->moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()));
  return filter;
}

}  // namespace smoke
