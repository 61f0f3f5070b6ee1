// Loads a Lumigrab DLL the way a host program does, LoadLibrary and GetProcAddress, and offers its
// eleven functions. Tests of the built DLLs use it to call nothing but the exports.
#pragma once

#include <windows.h>

#include <string>

class LumigrabLibrary {
 public:
  explicit LumigrabLibrary(const std::wstring& path);
  ~LumigrabLibrary();
  LumigrabLibrary(const LumigrabLibrary&) = delete;
  LumigrabLibrary& operator=(const LumigrabLibrary&) = delete;

  // True when the DLL was loaded and every one of the eleven functions was found.
  bool Loaded() const { return complete_; }
  // The names of functions GetProcAddress did not find, separated by spaces.
  const std::string& Missing() const { return missing_; }

  int(WINAPI* Init)() = nullptr;
  int(WINAPI* Deinit)() = nullptr;
  int(WINAPI* GetDevicesCount)() = nullptr;
  int(WINAPI* GetDevicesName)(char* name, int length, int index) = nullptr;
  int(WINAPI* GetDevicesResolutionCount)(int index) = nullptr;
  int(WINAPI* GetDevicesResolution)(int index, int resolutionIndex, int* width, int* height,
                                    int* bitCount) = nullptr;
  int(WINAPI* Start)(HWND window, int index, int width, int height) = nullptr;
  void(WINAPI* Stop)() = nullptr;
  int(WINAPI* Pause)(int freeze) = nullptr;
  int(WINAPI* GetBitmap)(int* size, unsigned char* buffer) = nullptr;
  int(WINAPI* ShowSetting)(HWND parent) = nullptr;

 private:
  template <typename Function>
  void Find(Function& function, const char* name);

  HMODULE module_ = nullptr;
  bool complete_ = false;
  std::string missing_;
};

// A string value of the DLL's version resource ("FileVersion", "FileDescription"...) from its
// first translation, with that translation as language and code page.
struct VersionText {
  bool found = false;
  WORD language = 0;
  WORD codePage = 0;
  std::wstring value;
};
VersionText ReadVersionText(const std::wstring& path, const wchar_t* name);

// Converts a path given on a test's command line.
std::wstring Widen(const char* text);
