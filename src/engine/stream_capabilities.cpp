// The formats a video device offers on its capture pin: listing them for the host, and setting
// the one a graph is built with.
#include <climits>
#include <cstring>

#include "engine/capture_engine.h"
#include "engine/media_types.h"
#include "platform/com_ptr.h"
#include "platform/hresult_error.h"

namespace lumigrab {

namespace {

// Whether a capability is handed to the host. Only complete VIDEOINFOHEADER blocks are read; the
// preview configuration lists only formats of more than 12 bits per pixel.
bool IsListed(const AM_MEDIA_TYPE* mediaType) {
  const VIDEOINFOHEADER* videoInfo = VideoInfoOf(mediaType);
  if (videoInfo == nullptr) return false;
#if LUMIGRAB_RECORDING
  return true;
#else
  return videoInfo->bmiHeader.biBitCount > 12;
#endif
}

}  // namespace

int CaptureEngine::GetStreamCapabilities(int deviceIndex, VIDEOINFOHEADER* records) {
  return GetStreamCapabilities(deviceIndex, records, INT_MAX);
}

int CaptureEngine::GetStreamCapabilities(int deviceIndex, VIDEOINFOHEADER* records,
                                         int capacity) {
  if (deviceIndex < 0 || deviceIndex >= videoDeviceCount) return 0;

  // Declared so that they are released in this order on every path: the stream configuration,
  // the source filter, the builder, the graph. Releasing the graph disposes of the source in it.
  ComPtr<IGraphBuilder> probeGraph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> source;
  ComPtr<IAMStreamConfig> streamConfig;
  try {
    ThrowIfFailed(platform_.CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                           IID_IGraphBuilder, probeGraph.ReceiveVoid()));
    ThrowIfFailed(videoDeviceMonikers[deviceIndex]->BindToObject(
        nullptr, nullptr, IID_IBaseFilter, source.ReceiveVoid()));
    ThrowIfFailed(probeGraph->AddFilter(source.Get(), L"Video Capture"));
    ThrowIfFailed(platform_.CreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC,
                                           IID_ICaptureGraphBuilder2, builder.ReceiveVoid()));
    ThrowIfFailed(builder->SetFiltergraph(probeGraph.Get()));
    ThrowIfFailed(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(),
                                         IID_IAMStreamConfig, streamConfig.ReceiveVoid()));
    int count = 0;
    int configSize = 0;
    ThrowIfFailed(streamConfig->GetNumberOfCapabilities(&count, &configSize));

    int listed = 0;
    for (int i = 0; i < count; ++i) {
      AM_MEDIA_TYPE* mediaType = nullptr;
      BYTE limits[128] = {};
      const HRESULT capsResult = streamConfig->GetStreamCaps(i, &mediaType, limits);
      if (FAILED(capsResult)) {
        DeleteMediaType(mediaType);
        throw HResultError{capsResult};
      }
      if (IsListed(mediaType)) {
        if (records != nullptr && listed < capacity) {
          std::memcpy(&records[listed], mediaType->pbFormat, kCapabilityRecordSize);
        }
        ++listed;
      }
      DeleteMediaType(mediaType);
    }
    return records != nullptr && listed > capacity ? capacity : listed;
  } catch (const HResultError&) {
    return 0;
  }
}

int CaptureEngine::SelectFormat(int width, int height, int bitCount) {
  if (captureBuilder == nullptr || videoSource == nullptr) return 0;

  ComPtr<IAMStreamConfig> streamConfig;
  if (FAILED(captureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoSource,
                                           IID_IAMStreamConfig, streamConfig.ReceiveVoid())) ||
      !streamConfig) {
    return 0;
  }
  int count = 0;
  int configSize = 0;
  if (FAILED(streamConfig->GetNumberOfCapabilities(&count, &configSize))) return 0;
  // A device that reports no capabilities keeps its current format.
  if (count <= 0) return 1;

  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* mediaType = nullptr;
    VIDEO_STREAM_CONFIG_CAPS limits = {};
    // A capability that cannot be read is passed over like one that does not match.
    if (FAILED(streamConfig->GetStreamCaps(i, &mediaType, reinterpret_cast<BYTE*>(&limits)))) {
      DeleteMediaType(mediaType);
      continue;
    }
    VIDEOINFOHEADER* videoInfo = VideoInfoOf(mediaType);
    // A capability without a positive frame interval has no rate to compute and is never set.
    const bool matches = videoInfo != nullptr && limits.MinFrameInterval > 0 &&
                         videoInfo->bmiHeader.biWidth == width &&
                         videoInfo->bmiHeader.biHeight == height &&
                         static_cast<int>(videoInfo->bmiHeader.biBitCount) == bitCount;
    if (matches) {
      videoInfo->AvgTimePerFrame = limits.MinFrameInterval;
      videoInfo->dwBitRate = static_cast<DWORD>(ComputeBitRate(
          videoInfo->bmiHeader.biBitCount, width, height, limits.MinFrameInterval,
          limits.MinBitsPerSecond, limits.MaxBitsPerSecond));
      if (SUCCEEDED(streamConfig->SetFormat(mediaType))) {
        DeleteMediaType(mediaType);
        return 1;
      }
    }
    DeleteMediaType(mediaType);
  }
  return 0;
}

void CaptureEngine::FreeMediaType(AM_MEDIA_TYPE& mediaType) {
  if (mediaType.cbFormat != 0) {
    CoTaskMemFree(mediaType.pbFormat);
    mediaType.cbFormat = 0;
    mediaType.pbFormat = nullptr;
  }
  if (mediaType.pUnk != nullptr) {
    mediaType.pUnk->Release();
    mediaType.pUnk = nullptr;
  }
}

void CaptureEngine::DeleteMediaType(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return;
  FreeMediaType(*mediaType);
  CoTaskMemFree(mediaType);
}

}  // namespace lumigrab
