// The capture graph behind Dll_Start, and the steps of graph building that the preview graph
// shares: the bit-depth trial, the Sample Grabber, the frame format, the video window and the
// renderer's DirectDraw switch.
#include <cstdio>
#include <new>
#include <string>

#include "engine/capture_engine.h"
#include "engine/media_types.h"
#include "platform/com_ptr.h"
#include "platform/hresult_error.h"

#if LUMIGRAB_RECORDING
#include "crossbar/crossbar_router.h"
#endif

namespace lumigrab {

namespace {

// Bit depths tried, in order, for the requested frame size; the first the device accepts wins.
#if LUMIGRAB_RECORDING
constexpr int kBitCountTrialOrder[] = {12, 16, 24, 32};
#else
constexpr int kBitCountTrialOrder[] = {16, 24, 12, 32};
#endif

// Images larger than this cannot be described by the BMP header's 32-bit signed size.
constexpr unsigned long long kLargestImageSize = 0x7FFFFFFFull - kBmpHeadersSize;

// Bytes of an uncompressed frame: rows padded to 4 bytes, bottom-up or top-down alike.
unsigned long long UncompressedImageSize(const BITMAPINFOHEADER& header) {
  const unsigned long long width = header.biWidth < 0 ? -static_cast<long long>(header.biWidth)
                                                      : header.biWidth;
  const unsigned long long height = header.biHeight < 0
                                        ? -static_cast<long long>(header.biHeight)
                                        : header.biHeight;
  const unsigned long long stride = (width * header.biBitCount + 31) / 32 * 4;
  return stride * height;
}

#if LUMIGRAB_RECORDING
// The file name as the builder wants it, in a buffer of its own size.
std::wstring WideFileName(const char* fileName) {
  const int needed = MultiByteToWideChar(CP_ACP, 0, fileName, -1, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, fileName, -1, &wide[0], needed);
  wide.resize(static_cast<size_t>(needed - 1));
  return wide;
}
#endif

}  // namespace

int CaptureEngine::StartCapture(const char* fileName, int videoDeviceIndex, int audioDeviceIndex,
                                int width, int height, HWND window, int disableDirectDraw) {
  if (videoDeviceIndex < 0 || videoDeviceIndex >= videoDeviceCount || fileName == nullptr) {
    return 0;
  }
  // An earlier capture file goes before anything else changes; a running graph keeps running
  // when the name is taken by a folder or the file cannot be deleted.
  const DWORD attributes = platform_.GetFileAttributesA(fileName);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
    if (!platform_.DeleteFileA(fileName)) return 0;
  }

  Stop();
  try {
    CreateGraph();
    CreateCaptureBuilder();
    AddVideoSource(videoDeviceIndex);

#if LUMIGRAB_RECORDING
    if (audioDeviceIndex >= 0 && audioDeviceIndex < audioDeviceCount) {
      ThrowIfFailed(audioDeviceMonikers[audioDeviceIndex]->BindToObject(
          nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&audioSource)));
      ThrowIfFailed(graph->AddFilter(audioSource, L"Audio Capture"));
    }
    RouteCrossbar();
#else
    (void)audioDeviceIndex;
#endif

    if (!SelectFormatInTrialOrder(width, height)) throw HResultError{VFW_E_INVALIDMEDIATYPE};
    ThrowIfFailed(CreateSampleGrabber());

#if LUMIGRAB_RECORDING
    ConnectRecordingStreams(fileName);
#else
    ConnectPreviewStreams();
#endif

    ThrowIfFailed(RecordFrameFormat());
    ThrowIfFailed(sampleGrabber->SetBufferSamples(TRUE));

    TakeVideoWindow(window);
    if (disableDirectDraw != 0 && DisableDirectDraw() == 0) throw HResultError{E_NOINTERFACE};
    RunGraph();
    return 1;
  } catch (const HResultError&) {
    Stop();
    return 0;
  }
}

#if LUMIGRAB_RECORDING

void CaptureEngine::RouteCrossbar() {
  crossbarRouter = new CrossbarRouter();
  // The crossbar upstream of the video source wins over one upstream of the audio source.
  crossbarRouter->Attach(captureBuilder, audioSource);
  crossbarRouter->Attach(captureBuilder, videoSource);
  const int outputCount = crossbarRouter->OutputPinCount();
  for (int output = 0; output < outputCount; ++output) {
    // An output that cannot be routed keeps the others from nothing.
    crossbarRouter->RouteOutput(output, -1);
  }
}

void CaptureEngine::ConnectRecordingStreams(const char* fileName) {
  const std::wstring wideFileName = WideFileName(fileName);
  ThrowIfFailed(captureBuilder->SetOutputFileName(&MEDIASUBTYPE_Avi, wideFileName.c_str(),
                                                  &aviMux, &fileSink));
  ThrowIfFailed(captureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoSource,
                                             nullptr, aviMux));
  if (audioSource != nullptr) {
    ThrowIfFailed(captureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                               audioSource, nullptr, aviMux));
    // The audio stream, the mux's second, paces the file; a mux without the interface is fine.
    if (SUCCEEDED(aviMux->QueryInterface(IID_IConfigAviMux,
                                         reinterpret_cast<void**>(&aviMuxConfig))) &&
        aviMuxConfig != nullptr) {
      aviMuxConfig->SetMasterStream(1);
    }
  }
  // Capture is held back: nothing reaches the file until the recording switch releases it.
  REFERENCE_TIME never = MAXLONGLONG;
  ThrowIfFailed(captureBuilder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &never,
                                              nullptr, 0, 0));
  ThrowIfFailed(captureBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, videoSource,
                                             grabberFilter, nullptr));
}

#else

void CaptureEngine::ConnectPreviewStreams() {
  const HRESULT result = captureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                      videoSource, grabberFilter, nullptr);
  if (FAILED(result)) {
    // "エラー RenderStream[<code>]" in Shift-JIS, the one message the library ever logs.
    char message[64];
    std::snprintf(message, sizeof message, "\x83\x47\x83\x89\x81\x5B RenderStream[%lx]",
                  static_cast<unsigned long>(result));
    platform_.OutputDebugStringA(message);
    throw HResultError{result};
  }
}

#endif

void CaptureEngine::CreateGraph() {
  ThrowIfFailed(platform_.CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                         IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
  if (graph == nullptr) throw HResultError{E_NOINTERFACE};
  // A graph viewer is a convenience: the start goes on without the registration.
  AddToRot(graph, &rotCookie);
}

void CaptureEngine::CreateCaptureBuilder() {
  ThrowIfFailed(platform_.CreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC,
                                         IID_ICaptureGraphBuilder2,
                                         reinterpret_cast<void**>(&captureBuilder)));
  if (captureBuilder == nullptr) throw HResultError{E_NOINTERFACE};
  ThrowIfFailed(captureBuilder->SetFiltergraph(graph));
}

void CaptureEngine::AddVideoSource(int deviceIndex) {
  ThrowIfFailed(videoDeviceMonikers[deviceIndex]->BindToObject(
      nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&videoSource)));
  ThrowIfFailed(graph->AddFilter(videoSource, L"Video Capture"));
}

void CaptureEngine::TakeVideoWindow(HWND window) {
  ThrowIfFailed(graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&videoWindow)));
  // Without a valid host window the renderer keeps the window it makes for itself.
  if (window != nullptr && platform_.IsWindow(window)) AttachVideoWindow(window);
}

void CaptureEngine::RunGraph() {
  ThrowIfFailed(
      graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&mediaControl)));
  ThrowIfFailed(mediaControl->Run());
  frozen = 0;
}

bool CaptureEngine::SelectFormatInTrialOrder(int width, int height) {
  for (int bitCount : kBitCountTrialOrder) {
    if (SelectFormat(width, height, bitCount) == 1) return true;
  }
  return false;
}

HRESULT CaptureEngine::CreateSampleGrabber() {
  HRESULT result = platform_.CreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IBaseFilter,
                                            reinterpret_cast<void**>(&grabberFilter));
  if (FAILED(result)) return result;
  if (grabberFilter == nullptr) return E_NOINTERFACE;
  result = grabberFilter->QueryInterface(IID_ISampleGrabber,
                                         reinterpret_cast<void**>(&sampleGrabber));
  if (FAILED(result)) return result;
  if (sampleGrabber == nullptr) return E_NOINTERFACE;
  AM_MEDIA_TYPE mediaType = GrabberMediaType();
  result = sampleGrabber->SetMediaType(&mediaType);
  if (FAILED(result)) return result;
  return graph->AddFilter(grabberFilter, L"GrabberVideo");
}

HRESULT CaptureEngine::RecordFrameFormat() {
  AM_MEDIA_TYPE connected = {};
  HRESULT result = sampleGrabber->GetConnectedMediaType(&connected);
  if (FAILED(result)) return result;

  const VIDEOINFOHEADER* videoInfo = VideoInfoOf(&connected);
  if (videoInfo == nullptr) {
    FreeMediaType(connected);
    return VFW_E_INVALIDMEDIATYPE;
  }
  bitmapInfoHeader = videoInfo->bmiHeader;
  FreeMediaType(connected);

  // Some sources leave the image size of an uncompressed format to the reader.
  unsigned long long imageSize = bitmapInfoHeader.biSizeImage;
  if (imageSize == 0) imageSize = UncompressedImageSize(bitmapInfoHeader);
  if (imageSize > kLargestImageSize) return E_OUTOFMEMORY;
  bitmapInfoHeader.biSizeImage = static_cast<DWORD>(imageSize);
  bitmapFileHeader.bfSize = static_cast<DWORD>(imageSize) + kBmpHeadersSize;

  delete[] frameBuffer;
  heldImageComplete_ = false;
  frameBuffer = new (std::nothrow) unsigned char[bitmapFileHeader.bfSize];
  return frameBuffer != nullptr ? S_OK : E_OUTOFMEMORY;
}

void CaptureEngine::AttachVideoWindow(HWND window) {
  // Each of these only places the picture; a refusal leaves it where the renderer put it.
  videoWindow->put_Owner(reinterpret_cast<OAHWND>(window));
  videoWindow->put_WindowStyle(WS_CHILD);
  RECT client = {};
  platform_.GetClientRect(window, &client);
  videoWindow->SetWindowPosition(0, 0, client.right, client.bottom);
  videoWindow->put_Visible(OATRUE);
}

int CaptureEngine::DisableDirectDraw() {
  if (graph == nullptr) return 0;
  ComPtr<IBaseFilter> renderer;
  if (FAILED(graph->FindFilterByName(L"Video Renderer", renderer.Receive())) || !renderer) {
    return 0;
  }
  ComPtr<IDirectDrawVideo> directDraw;
  int result = 0;
  if (SUCCEEDED(renderer->QueryInterface(IID_IDirectDrawVideo, directDraw.ReceiveVoid())) &&
      directDraw && SUCCEEDED(directDraw->SetSwitches(AMDDS_NONE))) {
    result = 1;
  }
  return result;
}

}  // namespace lumigrab
