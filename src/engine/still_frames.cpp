// Still frames as complete BMP file images, and freezing the picture.
#include <cstring>

#include "engine/capture_engine.h"

namespace lumigrab {

namespace {

// How often, and how far apart, the grabber is asked for its first frame after a start.
constexpr int kFrameWaitRetries = 10;
constexpr DWORD kFrameWaitMilliseconds = 100;

}  // namespace

int CaptureEngine::GetBitmap(int* size, unsigned char* buffer) {
  if (sampleGrabber == nullptr || size == nullptr) return 0;
  if (buffer == nullptr) {
    *size = static_cast<int>(bitmapFileHeader.bfSize);
    return 1;
  }
  const long long imageSize = bitmapFileHeader.bfSize;
  if (*size < imageSize) return 0;

  if (frozen != 0) {
    if (!heldImageComplete_ || frameBuffer == nullptr) return 0;
    if (buffer != frameBuffer) std::memcpy(buffer, frameBuffer, static_cast<size_t>(imageSize));
    return 1;
  }

  long sampleSize = 0;
  for (int retries = 0;; ++retries) {
    const HRESULT result = sampleGrabber->GetCurrentBuffer(&sampleSize, nullptr);
    if (result == VFW_E_WRONG_STATE) {
      // No frame has arrived yet, typically just after the start.
      platform_.Sleep(kFrameWaitMilliseconds);
      if (retries == kFrameWaitRetries) break;
      continue;
    }
    if (FAILED(result)) return 0;
    if (result == S_OK && sampleSize == 0) platform_.Sleep(kFrameWaitMilliseconds);
    break;
  }
  if (sampleSize <= 0) return 0;
  // A sample that does not fit the frame format would run past the image; it is refused whole.
  const long long pixelRoom = imageSize - kBmpHeadersSize;
  if (sampleSize > pixelRoom) return 0;

  std::memcpy(buffer, &bitmapFileHeader, sizeof bitmapFileHeader);
  std::memcpy(buffer + sizeof bitmapFileHeader, &bitmapInfoHeader, sizeof bitmapInfoHeader);
  long copied = sampleSize;
  if (FAILED(sampleGrabber->GetCurrentBuffer(&copied,
                                             reinterpret_cast<long*>(buffer + kBmpHeadersSize)))) {
    return 0;
  }
  // A short sample leaves no stale bytes of an earlier image behind its pixels.
  if (sampleSize < pixelRoom) {
    std::memset(buffer + kBmpHeadersSize + sampleSize, 0,
                static_cast<size_t>(pixelRoom - sampleSize));
  }
  return 1;
}

int CaptureEngine::Pause(int freeze) {
  if (mediaControl == nullptr) return 0;
  HRESULT result;
  if (freeze != 0) {
    // The held image is the last frame of the running graph. Freezing again goes through the
    // same call, which then answers from the held image itself and so keeps it.
    int heldSize = static_cast<int>(bitmapFileHeader.bfSize);
    heldImageComplete_ = GetBitmap(&heldSize, frameBuffer) == 1;
    result = mediaControl->Pause();
  } else {
    result = mediaControl->Run();
  }
  if (FAILED(result)) return 0;
  frozen = freeze;
  return 1;
}

}  // namespace lumigrab
