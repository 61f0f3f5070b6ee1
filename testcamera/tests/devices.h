// The camera instances the smoke run registers, and how to find them through the system device
// enumerator exactly as a host would.
#pragma once

#include <string>
#include <vector>

#include "../src/com_ref.h"
#include "../src/platform_headers.h"

namespace smoke {

using lumigrab_tc::ComRef;

extern const CLSID kCameraClsid;
extern const CLSID kPageClsid;
extern const CLSID kSampleGrabberClsid;

// Seeds given to the instances by run-smoke.sh; the seed is how the test tells them apart.
constexpr DWORD kDefaultSeed = 0;      // the instance regsvr32 creates
constexpr DWORD kTwinSeedA = 11;       // "Lumigrab Twin", 320x240 RGB24 + RGB565 + RGB32
constexpr DWORD kTwinSeedB = 22;       // "Lumigrab Twin", 160x120 RGB24
constexpr DWORD kNamelessSeed = 33;    // no FriendlyName, 162x122 RGB24 (padded rows)
constexpr DWORD kStandInSeed = 44;     // "Lumigrab StandIn", defaults, StandInRenderer=1

struct Device {
  ComRef<IMoniker> moniker;
  bool has_name = false;
  std::wstring name;
  CLSID clsid = GUID_NULL;
  bool has_pattern = false;
  DWORD pattern = 0;
};

// Every device of the video input category (ours and any other).
std::vector<Device> EnumerateVideoInputs();
// Our instance with this seed, or null when absent.
const Device* FindBySeed(const std::vector<Device>& devices, DWORD seed);
// Binds an instance of ours as a host does; checks the bind.
ComRef<IBaseFilter> BindCamera(DWORD seed);

}  // namespace smoke
