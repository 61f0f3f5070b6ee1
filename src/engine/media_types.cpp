#include "engine/media_types.h"

#include <cstdint>

namespace lumigrab {

namespace {
constexpr LONGLONG kReferenceTimeUnitsPerSecond = 10000000;  // 100 ns units
}  // namespace

VIDEOINFOHEADER* VideoInfoOf(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr || mediaType->formattype != FORMAT_VideoInfo ||
      mediaType->pbFormat == nullptr || mediaType->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return nullptr;
  }
  return reinterpret_cast<VIDEOINFOHEADER*>(mediaType->pbFormat);
}

const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE* mediaType) {
  return VideoInfoOf(const_cast<AM_MEDIA_TYPE*>(mediaType));
}

AM_MEDIA_TYPE GrabberMediaType() {
  AM_MEDIA_TYPE mediaType = {};
  mediaType.majortype = MEDIATYPE_Video;
  mediaType.subtype = MEDIASUBTYPE_RGB24;
  mediaType.formattype = FORMAT_VideoInfo;
  return mediaType;
}

LONG ComputeBitRate(WORD bitCount, LONG width, LONG height, LONGLONG minFrameInterval,
                    LONG minBitsPerSecond, LONG maxBitsPerSecond) {
  // Unsigned products wrap without undefined behaviour; read back as signed 32-bit.
  const uint32_t product =
      uint32_t{bitCount} * static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
  const int32_t bitsPerFrame = static_cast<int32_t>(product);
  const int64_t quotient =
      static_cast<int64_t>(bitsPerFrame) * kReferenceTimeUnitsPerSecond / minFrameInterval;
  LONG rate = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(quotient)));
  if (rate < minBitsPerSecond) {
    rate = minBitsPerSecond;
  } else if (rate > maxBitsPerSecond) {
    rate = maxBitsPerSecond;
  }
  return rate;
}

}  // namespace lumigrab
