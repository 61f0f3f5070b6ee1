/*
 * Lumigrab: C-callable access to video capture devices (web cameras, capture cards).
 *
 * Every function uses the Windows standard calling convention and is exported under its plain
 * name. Call them from one thread at a time, on a thread where COM is initialised
 * (CoInitialize/CoInitializeEx) before Dll_INIT.
 *
 * Results: 1 for success, 0 for failure. Without an engine (before Dll_INIT or after Dll_DEINIT)
 * every function gives a fixed answer and touches none of its arguments: Dll_INIT and Dll_DEINIT
 * answer 1, Dll_ShowSetting -1, Dll_Stop does nothing, everything else answers 0.
 */
#ifndef LUMIGRAB_H
#define LUMIGRAB_H

#include <windows.h>

#ifdef LUMIGRAB_BUILDING_DLL
#define LUMIGRAB_API __declspec(dllexport)
#else
#define LUMIGRAB_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Creates the capture engine (replacing an existing one) and lists the devices. Always 1. */
LUMIGRAB_API int WINAPI Dll_INIT(void);

/* Stops any capture and destroys the engine. Always 1. */
LUMIGRAB_API int WINAPI Dll_DEINIT(void);

/* Number of video input devices listed by Dll_INIT. */
LUMIGRAB_API int WINAPI Dll_GetDevicesCount(void);

/* Copies the name of device `index` into `name` (strncpy rules: at most `length` bytes, the rest
 * zero-filled, no terminator when the name is `length` bytes or longer). 1 when copied. */
LUMIGRAB_API int WINAPI Dll_GetDevicesName(char* name, int length, int index);

/* Number of frame formats (capabilities) device `index` offers. */
LUMIGRAB_API int WINAPI Dll_GetDevicesResolutionCount(int index);

/* Width, height and bit count of capability `resolutionIndex` of device `index`. 1 when written. */
LUMIGRAB_API int WINAPI Dll_GetDevicesResolution(int index, int resolutionIndex, int* width,
                                                 int* height, int* bitCount);

/* Starts the live picture of device `index` at width x height in `window` (may be NULL). */
LUMIGRAB_API int WINAPI Dll_Start(HWND window, int index, int width, int height);

/* Stops the live picture and releases the graph. */
LUMIGRAB_API void WINAPI Dll_Stop(void);

/* Nonzero freezes the picture on the current frame, 0 resumes it. */
LUMIGRAB_API int WINAPI Dll_Pause(int freeze);

/* With `buffer` NULL: writes the size a BMP file image needs into *size. With a buffer of *size
 * bytes: writes the current (or frozen) frame as a complete BMP file image. */
LUMIGRAB_API int WINAPI Dll_GetBitmap(int* size, unsigned char* buffer);

/* Opens the capture device's own settings pages, modal, owned by `parent`. 1 when shown, 0 when
 * there is no running device or it has no pages, -1 without an engine. */
LUMIGRAB_API int WINAPI Dll_ShowSetting(HWND parent);

#ifdef __cplusplus
}
#endif

#endif /* LUMIGRAB_H */
