#include "lumigrab_library.h"

#include <vector>

LumigrabLibrary::LumigrabLibrary(const std::wstring& path) {
  module_ = LoadLibraryW(path.c_str());
  if (module_ == nullptr) {
    missing_ = "(the DLL itself)";
    return;
  }
  Find(Init, "Dll_INIT");
  Find(Deinit, "Dll_DEINIT");
  Find(GetDevicesCount, "Dll_GetDevicesCount");
  Find(GetDevicesName, "Dll_GetDevicesName");
  Find(GetDevicesResolutionCount, "Dll_GetDevicesResolutionCount");
  Find(GetDevicesResolution, "Dll_GetDevicesResolution");
  Find(Start, "Dll_Start");
  Find(Stop, "Dll_Stop");
  Find(Pause, "Dll_Pause");
  Find(GetBitmap, "Dll_GetBitmap");
  Find(ShowSetting, "Dll_ShowSetting");
  complete_ = missing_.empty();
}

LumigrabLibrary::~LumigrabLibrary() {
  if (module_ != nullptr) FreeLibrary(module_);
}

template <typename Function>
void LumigrabLibrary::Find(Function& function, const char* name) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  if (function == nullptr) missing_ += std::string(missing_.empty() ? "" : " ") + name;
}

VersionText ReadVersionText(const std::wstring& path, const wchar_t* name) {
  VersionText text;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return text;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return text;

  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation)) {
    return text;
  }
  text.language = translations[0].language;
  text.codePage = translations[0].codePage;

  wchar_t query[128];
  swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", text.language, text.codePage, name);
  wchar_t* value = nullptr;
  if (VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&value), &length) &&
      value != nullptr) {
    text.found = true;
    text.value = value;
  }
  return text;
}

std::wstring Widen(const char* text) {
  const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(needed > 0 ? needed : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], needed);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}
