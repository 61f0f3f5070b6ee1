// Construction, destruction and teardown of the engine.
#include "engine/capture_engine.h"

#include <cstring>

#include "platform/com_ptr.h"

#if LUMIGRAB_RECORDING
#include "crossbar/crossbar_router.h"
#endif

namespace lumigrab {

namespace {
constexpr WORD kBitmapFileType = 0x4D42;  // the bytes "B", "M" in file order
}  // namespace

CaptureEngine::CaptureEngine() : CaptureEngine(RealPlatform()) {}

CaptureEngine::CaptureEngine(Platform& platform)
    : videoDeviceNames{},
      videoDeviceCount(0),
      bitmapInfoHeader{},
      bitmapFileHeader{},
      videoDeviceMonikers{},
      graph(nullptr),
      videoSource(nullptr),
      captureBuilder(nullptr),
      videoWindow(nullptr),
      mediaControl(nullptr),
      grabberFilter(nullptr),
      sampleGrabber(nullptr),
      frozen(0),
      frameBuffer(nullptr),
      audioDeviceCount(0),
      audioDeviceNames{},
      audioDeviceMonikers{},
      fileSink(nullptr),
      aviMux(nullptr),
      audioSource(nullptr),
      aviMuxConfig(nullptr),
      crossbarRouter(nullptr),
      rotCookie(0),
      platform_(platform) {
  bitmapFileHeader.bfType = kBitmapFileType;
  bitmapFileHeader.bfReserved1 = 0;
  bitmapFileHeader.bfReserved2 = 0;
  bitmapFileHeader.bfOffBits = kBmpHeadersSize;
  // An engine whose listing failed simply has no devices.
  EnumerateDevices();
}

CaptureEngine::~CaptureEngine() {
  Stop();
  for (int i = 0; i < kMaxDevices; ++i) {
    delete[] videoDeviceNames[i];
    videoDeviceNames[i] = nullptr;
    ReleaseAndClear(videoDeviceMonikers[i]);
    delete[] audioDeviceNames[i];
    audioDeviceNames[i] = nullptr;
    ReleaseAndClear(audioDeviceMonikers[i]);
  }
}

void CaptureEngine::Stop() {
  RemoveFromRot(rotCookie);
  if (mediaControl != nullptr) mediaControl->Stop();

  // The graph goes first: releasing it lets it disconnect and drop its filters before the
  // engine's own references to them go.
  ReleaseAndClear(graph);
  ReleaseAndClear(videoSource);
  ReleaseAndClear(captureBuilder);
  ReleaseAndClear(videoWindow);
  ReleaseAndClear(mediaControl);
  ReleaseAndClear(grabberFilter);
  ReleaseAndClear(sampleGrabber);
  ReleaseAndClear(fileSink);
  ReleaseAndClear(aviMux);
  ReleaseAndClear(audioSource);
  ReleaseAndClear(aviMuxConfig);

#if LUMIGRAB_RECORDING
  delete crossbarRouter;
  crossbarRouter = nullptr;
#endif

  delete[] frameBuffer;
  frameBuffer = nullptr;
}

}  // namespace lumigrab
