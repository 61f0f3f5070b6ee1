// The instances run-smoke.sh registered are listed by the system device enumerator with their
// names (or without one) and each binds to a camera filter.
#include <cwchar>

#include "check.h"
#include "devices.h"
#include "tests.h"

namespace smoke {

void TestEnumeration(const Options&) {
  Section("enumeration");
  std::vector<Device> devices = EnumerateVideoInputs();
  int ours = 0;
  int twins = 0;
  for (const Device& device : devices) {
    std::printf("   device: %ls%ls (pattern %s%lu)\n", device.has_name ? L"" : L"<no name>",
                device.name.c_str(), device.has_pattern ? "" : "-",
                static_cast<unsigned long>(device.pattern));
    if (device.clsid != kCameraClsid) continue;
    ++ours;
    if (device.has_name && device.name == L"Lumigrab Twin") ++twins;
  }
  CHECK(ours == 5);
  CHECK(twins == 2);

  const Device* primary = FindBySeed(devices, kDefaultSeed);
  CHECK(primary != nullptr);
  if (primary != nullptr) {
    CHECK(primary->has_name);
    CHECK(primary->name == L"Lumigrab Test Camera");
  }
  const Device* twin_a = FindBySeed(devices, kTwinSeedA);
  const Device* twin_b = FindBySeed(devices, kTwinSeedB);
  CHECK(twin_a != nullptr && twin_a->has_name && twin_a->name == L"Lumigrab Twin");
  CHECK(twin_b != nullptr && twin_b->has_name && twin_b->name == L"Lumigrab Twin");
  const Device* nameless = FindBySeed(devices, kNamelessSeed);
  CHECK(nameless != nullptr);
  if (nameless != nullptr) CHECK(!nameless->has_name);
  const Device* stand_in = FindBySeed(devices, kStandInSeed);
  CHECK(stand_in != nullptr && stand_in->has_name && stand_in->name == L"Lumigrab StandIn");

  // Every instance of ours binds, the nameless one included, and is the camera class.
  for (const Device& device : devices) {
    if (device.clsid != kCameraClsid) continue;
    ComRef<IBaseFilter> filter;
    CHECK_HR(device.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()));
    if (!filter) continue;
    CLSID clsid = GUID_NULL;
    CHECK_HR(filter->GetClassID(&clsid));
    CHECK(clsid == kCameraClsid);
    ComRef<IPin> pin;
    CHECK_HR(filter->FindPin(L"Capture", pin.Receive()));
    // A pin name the camera does not have is refused, not invented.
    ComRef<IPin> missing;
    CHECK_HR_EQ(VFW_E_NOT_FOUND, filter->FindPin(L"Preview", missing.Receive()));
  }
}

}  // namespace smoke
