/* Loads a Lumigrab DLL at run time and finds its eleven functions: the way any language that can
 * call a C function in a DLL uses the library (Python ctypes, C# P/Invoke, VB Declare...). */
#ifndef LUMIGRAB_LOADER_H
#define LUMIGRAB_LOADER_H

#include <windows.h>

typedef struct LumigrabFunctions {
  HMODULE module;
  int(WINAPI* Init)(void);
  int(WINAPI* Deinit)(void);
  int(WINAPI* GetDevicesCount)(void);
  int(WINAPI* GetDevicesName)(char* name, int length, int index);
  int(WINAPI* GetDevicesResolutionCount)(int index);
  int(WINAPI* GetDevicesResolution)(int index, int resolutionIndex, int* width, int* height,
                                    int* bitCount);
  int(WINAPI* Start)(HWND window, int index, int width, int height);
  void(WINAPI* Stop)(void);
  int(WINAPI* Pause)(int freeze);
  int(WINAPI* GetBitmap)(int* size, unsigned char* buffer);
  int(WINAPI* ShowSetting)(HWND parent);
} LumigrabFunctions;

/* Loads the DLL at `path` and fills `functions`. Returns 0 and names what is missing in `error`
 * (a buffer of `errorSize` bytes) when the DLL or one of its functions cannot be found. */
int LoadLumigrab(const char* path, LumigrabFunctions* functions, char* error, size_t errorSize);

void UnloadLumigrab(LumigrabFunctions* functions);

#endif
