// Every platform service the library uses (COM object creation, the Running Object Table, the
// property frame, window, file and time calls, debug output) goes through this interface. The
// product uses RealPlatform(); tests hand the engine a fake with the same surface, so every path
// of the engine can be driven without hardware and without touching the machine.
#pragma once

#include "platform/directshow.h"

namespace lumigrab {

class Platform {
 public:
  virtual ~Platform() = default;

  // COM and OLE.
  virtual HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                 void** object) = 0;
  virtual HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** table) = 0;
  virtual HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker) = 0;
  virtual HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption,
                                         ULONG objectCount, IUnknown** objects, ULONG pageCount,
                                         CLSID* pages, LCID locale, DWORD reserved,
                                         void* reservedPointer) = 0;

  // Windows.
  virtual BOOL IsWindow(HWND window) = 0;
  virtual BOOL GetClientRect(HWND window, RECT* rect) = 0;

  // Files.
  virtual DWORD GetTempPathA(DWORD bufferLength, char* buffer) = 0;
  virtual DWORD GetFileAttributesA(const char* path) = 0;
  virtual BOOL DeleteFileA(const char* path) = 0;

  // Time, diagnostics and process.
  virtual void Sleep(DWORD milliseconds) = 0;
  virtual void OutputDebugStringA(const char* text) = 0;
  virtual DWORD GetCurrentProcessId() = 0;
};

// The platform of the running process: each call goes straight to the system.
Platform& RealPlatform();

}  // namespace lumigrab
