// What one registered camera instance offers, as read from its device property bag.
#pragma once

#include <string>
#include <vector>

#include "platform_headers.h"

namespace lumigrab_tc {

struct Capability {
  int width = 0;
  int height = 0;
  int bit_count = 0;           // 24 (RGB24), 32 (RGB32), 16 (RGB565) or 12 (I420)
  REFERENCE_TIME interval = 0; // frame interval in 100 ns units

  bool operator==(const Capability& other) const {
    return width == other.width && height == other.height && bit_count == other.bit_count &&
           interval == other.interval;
  }
};

constexpr const wchar_t* kDefaultCapabilities =
    L"640x480x24@333333;320x240x24@333333;320x240x16@333333;160x120x12@666666";

struct CameraSettings {
  std::vector<Capability> capabilities;
  DWORD pattern = 0;
  bool stand_in_renderer = false;

  static CameraSettings Defaults();
  // Reads what the bag holds; a missing or unusable value keeps its default, so an instance
  // registered with only a CLSID still binds.
  void LoadFrom(IPropertyBag* bag);
};

// Parses "WxHxBITS@INTERVAL;..." skipping entries it cannot use. Answers an empty list when
// nothing usable is left.
std::vector<Capability> ParseCapabilities(const wchar_t* text);
std::wstring FormatCapability(const Capability& capability);

}  // namespace lumigrab_tc
