// DllRegisterServer / DllUnregisterServer: the two COM classes and the default camera instance
// in the video input device category.
#include <cwchar>
#include <string>

#include "camera_settings.h"
#include "com_ref.h"
#include "guids.h"
#include "module.h"

namespace lumigrab_tc {
namespace {

std::wstring ClassKey(REFCLSID clsid) {
  wchar_t text[40];
  GuidToString(clsid, text, 40);
  return std::wstring(L"CLSID\\") + text;
}

// The default instance is keyed by the filter's own CLSID, so it can never collide with the
// instances tests add under names of their own.
std::wstring DefaultInstanceKey() {
  wchar_t camera[40];
  GuidToString(kClsidTestCamera, camera, 40);
  return ClassKey(kClsidVideoInputCategory) + L"\\Instance\\" + camera;
}

LONG SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG SetDword(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value));
}

HRESULT ToHresult(LONG status) {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT RegisterComClass(REFCLSID clsid, const wchar_t* description, const std::wstring& module) {
  std::wstring path = ClassKey(clsid);
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                &key, nullptr);
  if (status != ERROR_SUCCESS) return ToHresult(status);
  status = SetString(key, nullptr, description);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return ToHresult(status);

  path += L"\\InprocServer32";
  status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                           &key, nullptr);
  if (status != ERROR_SUCCESS) return ToHresult(status);
  status = SetString(key, nullptr, module);
  if (status == ERROR_SUCCESS) status = SetString(key, L"ThreadingModel", L"Both");
  RegCloseKey(key);
  return ToHresult(status);
}

HRESULT RegisterDefaultInstance() {
  wchar_t camera[40];
  GuidToString(kClsidTestCamera, camera, 40);
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, DefaultInstanceKey().c_str(), 0, nullptr, 0,
                                KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return ToHresult(status);
  status = SetString(key, L"CLSID", camera);
  if (status == ERROR_SUCCESS) status = SetString(key, L"FriendlyName", kDefaultFriendlyName);
  if (status == ERROR_SUCCESS) status = SetString(key, L"Capabilities", kDefaultCapabilities);
  if (status == ERROR_SUCCESS) status = SetDword(key, L"Pattern", 0);
  if (status == ERROR_SUCCESS) status = SetDword(key, L"StandInRenderer", 0);
  RegCloseKey(key);
  return ToHresult(status);
}

// Device enumerators that list filters by their mapper data (rather than by the bare Instance
// values) need FilterData; the filter mapper writes it in its own format. Where no mapper is
// available the plain values still make a bindable device, so failure here is not fatal.
void RegisterWithMapper() {
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    ComRef<IFilterMapper2> mapper;
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IFilterMapper2, mapper.ReceiveVoid()))) {
      REGPINTYPES type = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
      REGFILTERPINS2 pin = {};
      pin.dwFlags = REG_PINFLAG_B_OUTPUT;
      pin.cInstances = 1;
      pin.nMediaTypes = 1;
      pin.lpMediaType = &type;
      pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
      REGFILTER2 filter = {};
      filter.dwVersion = 2;
      filter.dwMerit = MERIT_DO_NOT_USE;
      filter.cPins2 = 1;
      filter.rgPins2 = &pin;
      wchar_t camera[40];
      GuidToString(kClsidTestCamera, camera, 40);
      mapper->RegisterFilter(kClsidTestCamera, kDefaultFriendlyName, nullptr,
                             &kClsidVideoInputCategory, camera, &filter);
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
}

}  // namespace
}  // namespace lumigrab_tc

using namespace lumigrab_tc;

STDAPI DllRegisterServer() {
  wchar_t module[MAX_PATH];
  DWORD length = GetModuleFileNameW(ModuleInstance(), module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  HRESULT hr = RegisterComClass(kClsidTestCamera, kDefaultFriendlyName, module);
  if (SUCCEEDED(hr)) hr = RegisterComClass(kClsidTestCameraPage, kPageName, module);
  if (FAILED(hr)) return SELFREG_E_CLASS;
  RegisterWithMapper();
  // Written after the mapper so that our settings are there whatever the mapper wrote.
  hr = RegisterDefaultInstance();
  return FAILED(hr) ? SELFREG_E_CLASS : S_OK;
}

STDAPI DllUnregisterServer() {
  // Each removal is attempted even if another failed: a half registration must be removable.
  RegDeleteTreeW(HKEY_CLASSES_ROOT, DefaultInstanceKey().c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey(kClsidTestCamera).c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey(kClsidTestCameraPage).c_str());
  HKEY results = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kResultsKey, 0, KEY_WRITE, &results) == ERROR_SUCCESS) {
    RegCloseKey(results);
    RegDeleteTreeW(HKEY_CURRENT_USER, kResultsKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kResultsKey);
  }
  return S_OK;
}
