#include "platform/platform.h"

namespace lumigrab {

const CLSID kClsidSampleGrabber = {
    0xC1F400A0, 0x3F08, 0x11d3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

namespace {

class SystemPlatform final : public Platform {
 public:
  HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) override {
    return ::CoCreateInstance(clsid, outer, context, iid, object);
  }
  HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** table) override {
    return ::GetRunningObjectTable(reserved, table);
  }
  HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker) override {
    return ::CreateItemMoniker(delimiter, item, moniker);
  }
  HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption,
                                 ULONG objectCount, IUnknown** objects, ULONG pageCount,
                                 CLSID* pages, LCID locale, DWORD reserved,
                                 void* reservedPointer) override {
    return ::OleCreatePropertyFrame(owner, x, y, caption, objectCount, objects, pageCount, pages,
                                    locale, reserved, reservedPointer);
  }
  BOOL IsWindow(HWND window) override { return ::IsWindow(window); }
  BOOL GetClientRect(HWND window, RECT* rect) override { return ::GetClientRect(window, rect); }
  DWORD GetTempPathA(DWORD bufferLength, char* buffer) override {
    return ::GetTempPathA(bufferLength, buffer);
  }
  DWORD GetFileAttributesA(const char* path) override { return ::GetFileAttributesA(path); }
  BOOL DeleteFileA(const char* path) override { return ::DeleteFileA(path); }
  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
  void OutputDebugStringA(const char* text) override { ::OutputDebugStringA(text); }
  DWORD GetCurrentProcessId() override { return ::GetCurrentProcessId(); }
};

}  // namespace

Platform& RealPlatform() {
  static SystemPlatform platform;
  return platform;
}

}  // namespace lumigrab
