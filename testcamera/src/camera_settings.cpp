#include "camera_settings.h"

#include <cwchar>

#include "../test_pattern.h"

namespace lumigrab_tc {
namespace {

// Keeps a hostile registry value from making the pin advertise absurd buffers.
constexpr int kMaxDimension = 4096;
constexpr size_t kMaxCapabilities = 64;

bool Usable(const Capability& c) {
  bool depth_ok = c.bit_count == 24 || c.bit_count == 32 || c.bit_count == 16 || c.bit_count == 12;
  if (!depth_ok) return false;
  if (c.width < LGTP_MIN_WIDTH || c.height < LGTP_MIN_HEIGHT) return false;
  if (c.width > kMaxDimension || c.height > kMaxDimension) return false;
  // Planar 4:2:0 halves both dimensions for the chroma planes.
  if (c.bit_count == 12 && ((c.width & 1) != 0 || (c.height & 1) != 0)) return false;
  // From 1000 fps down to one frame every 10 s.
  return c.interval >= 10000 && c.interval <= 100000000;
}

bool ReadVariant(IPropertyBag* bag, const wchar_t* name, VARTYPE type, VARIANT* value) {
  VariantInit(value);
  if (FAILED(bag->Read(name, value, nullptr))) return false;
  if (value->vt == type) return true;
  if (FAILED(VariantChangeType(value, value, 0, type))) {
    VariantClear(value);
    return false;
  }
  return true;
}

}  // namespace

CameraSettings CameraSettings::Defaults() {
  CameraSettings settings;
  settings.capabilities = ParseCapabilities(kDefaultCapabilities);
  return settings;
}

void CameraSettings::LoadFrom(IPropertyBag* bag) {
  if (bag == nullptr) return;
  VARIANT value;
  // FriendlyName is for device lists; the filter's name in a graph is whatever the host gives.
  if (ReadVariant(bag, L"Capabilities", VT_BSTR, &value)) {
    std::vector<Capability> parsed = ParseCapabilities(value.bstrVal);
    if (!parsed.empty()) capabilities = parsed;
    VariantClear(&value);
  }
  // Registry DWORDs arrive as VT_I4; reading them as such keeps values above 0x7FFFFFFF.
  if (ReadVariant(bag, L"Pattern", VT_I4, &value)) {
    pattern = static_cast<DWORD>(value.lVal);
    VariantClear(&value);
  }
  if (ReadVariant(bag, L"StandInRenderer", VT_I4, &value)) {
    stand_in_renderer = value.lVal != 0;
    VariantClear(&value);
  }
}

std::vector<Capability> ParseCapabilities(const wchar_t* text) {
  std::vector<Capability> result;
  if (text == nullptr) return result;
  const wchar_t* cursor = text;
  while (*cursor != L'\0' && result.size() < kMaxCapabilities) {
    const wchar_t* end = wcschr(cursor, L';');
    size_t length = end != nullptr ? static_cast<size_t>(end - cursor) : wcslen(cursor);
    std::wstring item(cursor, length);
    Capability c;
    long long interval = 0;
    wchar_t trailing = 0;
    int fields = swscanf(item.c_str(), L" %dx%dx%d@%lld %lc", &c.width, &c.height, &c.bit_count,
                         &interval, &trailing);
    c.interval = interval;
    if (fields == 4 && Usable(c)) result.push_back(c);
    if (end == nullptr) break;
    cursor = end + 1;
  }
  return result;
}

std::wstring FormatCapability(const Capability& c) {
  wchar_t text[96];
  swprintf(text, 96, L"%dx%dx%d@%lld", c.width, c.height, c.bit_count,
           static_cast<long long>(c.interval));
  return text;
}

}  // namespace lumigrab_tc
