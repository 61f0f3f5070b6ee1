// The preview graph (the device's preview stream to the renderer, optionally its capture stream
// to a Sample Grabber) and the recording switch of the held-back capture streams.
#include "engine/capture_engine.h"
#include "platform/com_ptr.h"
#include "platform/hresult_error.h"

namespace lumigrab {

int CaptureEngine::StartPreview(HWND window, int deviceIndex, int width, int height,
                                int addGrabber, int disableDirectDraw) {
  if (deviceIndex < 0 || deviceIndex >= videoDeviceCount) return 0;

  // Building over a running graph would overwrite, and so leak, every reference it holds.
  Stop();
  try {
    CreateGraph();
    AddVideoSource(deviceIndex);
    CreateCaptureBuilder();

    // A compressing capture pin is asked for its lowest quality; most pins do not compress.
    ComPtr<IAMVideoCompression> compression;
    if (SUCCEEDED(captureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                videoSource, IID_IAMVideoCompression,
                                                compression.ReceiveVoid())) &&
        compression) {
      compression->put_Quality(0.0);
    }
    compression.Reset();

    if (!SelectFormatInTrialOrder(width, height)) throw HResultError{VFW_E_INVALIDMEDIATYPE};
    ThrowIfFailed(captureBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                               videoSource, nullptr, nullptr));
    if (addGrabber != 0 && AddSampleGrabber() == 0) throw HResultError{E_FAIL};
    if (disableDirectDraw != 0 && DisableDirectDraw() == 0) throw HResultError{E_NOINTERFACE};

    TakeVideoWindow(window);
    RunGraph();
    return 1;
  } catch (const HResultError&) {
    Stop();
    return 0;
  }
}

int CaptureEngine::AddSampleGrabber() {
  // Needs a graph with its source and builder, and no grabber yet: a second one would replace
  // the first without releasing it.
  if (graph == nullptr || captureBuilder == nullptr || videoSource == nullptr ||
      grabberFilter != nullptr || sampleGrabber != nullptr) {
    return 0;
  }
  if (FAILED(CreateSampleGrabber())) return 0;
  // Not tested here: a capture stream that did not connect leaves the grabber without a
  // connected type, and the frame format step fails.
  captureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoSource, nullptr,
                               grabberFilter);
  if (FAILED(RecordFrameFormat())) return 0;
  return SUCCEEDED(sampleGrabber->SetBufferSamples(TRUE)) ? 1 : 0;
}

int CaptureEngine::ControlCaptureStream(int record) {
  if (captureBuilder == nullptr) return 0;
  REFERENCE_TIME never = MAXLONGLONG;
  // Released: start now, no stop time. Held back: no start time, stop now.
  REFERENCE_TIME* start = record != 0 ? nullptr : &never;
  REFERENCE_TIME* stop = record != 0 ? &never : nullptr;
  if (FAILED(captureBuilder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, start, stop,
                                           0, 0))) {
    Stop();
    return 0;
  }
  return 1;
}

}  // namespace lumigrab
