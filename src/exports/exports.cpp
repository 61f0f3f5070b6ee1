// The exported functions: thin forwarders to the one engine. Without an engine each gives its fixed
// answer and touches none of its arguments. Arguments the engine relies on (buffers, lengths,
// indexes, out-pointers) are checked here, so a careless call gets 0 instead of a stray write.
#include "lumigrab.h"

#include <vector>

#include "engine/capture_engine.h"
#include "exports/engine_instance.h"
#include "exports/temp_file_path.h"

using lumigrab::CaptureEngine;
using lumigrab::CurrentEngine;

extern "C" {

LUMIGRAB_API int WINAPI Dll_INIT(void) {
  lumigrab::CreateEngine(lumigrab::RealPlatform());
  return 1;
}

LUMIGRAB_API int WINAPI Dll_DEINIT(void) {
  lumigrab::DestroyEngine();
  return 1;
}

LUMIGRAB_API int WINAPI Dll_GetDevicesCount(void) {
  CaptureEngine* engine = CurrentEngine();
  return engine != nullptr ? engine->GetVideoDeviceCount() : 0;
}

LUMIGRAB_API int WINAPI Dll_GetDevicesName(char* name, int length, int index) {
  CaptureEngine* engine = CurrentEngine();
  if (engine == nullptr || length < 0 || (name == nullptr && length > 0)) return 0;
  return engine->GetVideoDeviceName(index, name, length);
}

LUMIGRAB_API int WINAPI Dll_GetDevicesResolutionCount(int index) {
  CaptureEngine* engine = CurrentEngine();
  return engine != nullptr ? engine->GetStreamCapabilities(index, nullptr) : 0;
}

LUMIGRAB_API int WINAPI Dll_GetDevicesResolution(int index, int resolutionIndex, int* width,
                                                 int* height, int* bitCount) {
  CaptureEngine* engine = CurrentEngine();
  if (engine == nullptr || width == nullptr || height == nullptr || bitCount == nullptr) return 0;

  const int count = engine->GetStreamCapabilities(index, nullptr);
  if (count <= 0) return 0;
  std::vector<VIDEOINFOHEADER> records(static_cast<size_t>(count));
  // The device is asked afresh; should it now list fewer records, only those it wrote are read.
  const int listed = engine->GetStreamCapabilities(index, records.data(), count);
  if (resolutionIndex < 0 || resolutionIndex >= count || resolutionIndex >= listed) return 0;

  const BITMAPINFOHEADER& header = records[static_cast<size_t>(resolutionIndex)].bmiHeader;
  *width = header.biWidth;
  *height = header.biHeight;
  *bitCount = static_cast<int>(header.biBitCount);  // 16-bit unsigned, widened without sign
  return 1;
}

LUMIGRAB_API int WINAPI Dll_Start(HWND window, int index, int width, int height) {
  CaptureEngine* engine = CurrentEngine();
  if (engine == nullptr) return 0;
  const std::string path = lumigrab::CaptureFilePath(lumigrab::CurrentPlatform());
  return engine->StartCapture(path.c_str(), index, 0, width, height, window, 1);
}

LUMIGRAB_API void WINAPI Dll_Stop(void) {
  CaptureEngine* engine = CurrentEngine();
  if (engine != nullptr) engine->Stop();
}

LUMIGRAB_API int WINAPI Dll_Pause(int freeze) {
  CaptureEngine* engine = CurrentEngine();
  return engine != nullptr ? engine->Pause(freeze) : 0;
}

LUMIGRAB_API int WINAPI Dll_GetBitmap(int* size, unsigned char* buffer) {
  CaptureEngine* engine = CurrentEngine();
  return engine != nullptr ? engine->GetBitmap(size, buffer) : 0;
}

LUMIGRAB_API int WINAPI Dll_ShowSetting(HWND parent) {
  CaptureEngine* engine = CurrentEngine();
  return engine != nullptr ? engine->ShowVideoSourcePages(parent) : -1;
}

}  // extern "C"
