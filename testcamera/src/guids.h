// Class identities of the test camera DLL and the registry names built from them.
#pragma once

#include "platform_headers.h"

namespace lumigrab_tc {

extern const CLSID kClsidTestCamera;      // the capture source filter
extern const CLSID kClsidTestCameraPage;  // its property page
extern const CLSID kClsidStandInRenderer; // the test-only renderer (not creatable from outside)

// DirectShow's "video input device" category; devices are its Instance subkeys.
extern const CLSID kClsidVideoInputCategory;
// The sample grabber is not declared by mingw's qedit.h.
extern const CLSID kClsidSampleGrabber;
// FOURCC 'I420' as a media subtype; mingw's uuids.h has IYUV but not this alias.
extern const GUID kSubtypeI420;

constexpr const wchar_t* kDefaultFriendlyName = L"Lumigrab Test Camera";
constexpr const wchar_t* kPageName = L"Lumigrab Test Camera Property Page";
constexpr const wchar_t* kPinName = L"Capture";
constexpr const wchar_t* kStandInName = L"Video Renderer";

// Where the stand-in renderer leaves what a host told it (HKCU, REG_DWORD).
constexpr const wchar_t* kResultsKey = L"Software\\LumigrabTestCamera";
constexpr const wchar_t* kLastSwitchesValue = L"LastSwitches";

// Writes a GUID as "{XXXXXXXX-...}" into a buffer of at least 39 characters.
void GuidToString(REFGUID guid, wchar_t* buffer, int capacity);

}  // namespace lumigrab_tc
