#include "media_types.h"

#include <cstring>

#include "guids.h"

namespace lumigrab_tc {
namespace {

constexpr DWORD kFourccI420 = MAKEFOURCC('I', '4', '2', '0');

const GUID& SubtypeFor(int bit_count) {
  switch (bit_count) {
    case 32: return MEDIASUBTYPE_RGB32;
    case 16: return MEDIASUBTYPE_RGB565;
    case 12: return kSubtypeI420;
    default: return MEDIASUBTYPE_RGB24;
  }
}

// A type's VIDEOINFOHEADER, or null when it has none we can read.
const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE* type) {
  if (type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr ||
      type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return nullptr;
  }
  return reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
}

// The picture described by a header is ours when size and depth agree; a frame interval of 0
// means "whatever you have", anything else must be the one we run at.
bool SamePicture(const VIDEOINFOHEADER* info, const Capability& c) {
  const BITMAPINFOHEADER& bmi = info->bmiHeader;
  if (bmi.biWidth != c.width || bmi.biHeight != c.height || bmi.biBitCount != c.bit_count) {
    return false;
  }
  return info->AvgTimePerFrame == 0 || info->AvgTimePerFrame == c.interval;
}

}  // namespace

DWORD RgbStride(int width, int bit_count) {
  return ((static_cast<DWORD>(width) * static_cast<DWORD>(bit_count) / 8u) + 3u) & ~3u;
}

DWORD ImageSize(const Capability& c) {
  if (c.bit_count == 12) return static_cast<DWORD>(c.width) * c.height * 3u / 2u;
  return RgbStride(c.width, c.bit_count) * static_cast<DWORD>(c.height);
}

HRESULT MakeMediaType(const Capability& c, AM_MEDIA_TYPE* type) {
  ZeroMemory(type, sizeof(*type));
  auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  if (info == nullptr) return E_OUTOFMEMORY;
  ZeroMemory(info, sizeof(*info));
  DWORD image_size = ImageSize(c);
  info->AvgTimePerFrame = c.interval;
  info->dwBitRate = static_cast<DWORD>(
      static_cast<unsigned long long>(image_size) * 8ull * 10000000ull / c.interval);
  BITMAPINFOHEADER& bmi = info->bmiHeader;
  bmi.biSize = sizeof(BITMAPINFOHEADER);
  bmi.biWidth = c.width;
  bmi.biHeight = c.height;
  bmi.biPlanes = 1;
  bmi.biBitCount = static_cast<WORD>(c.bit_count);
  // 16-bit frames are 5-6-5, told by the subtype: the block is a bare VIDEOINFOHEADER, so
  // BI_BITFIELDS (which promises colour masks after it) would send readers past its end.
  bmi.biCompression = c.bit_count == 12 ? kFourccI420 : BI_RGB;
  bmi.biSizeImage = image_size;

  type->majortype = MEDIATYPE_Video;
  type->subtype = SubtypeFor(c.bit_count);
  type->bFixedSizeSamples = TRUE;
  type->bTemporalCompression = FALSE;
  type->lSampleSize = image_size;
  type->formattype = FORMAT_VideoInfo;
  type->cbFormat = sizeof(VIDEOINFOHEADER);
  type->pbFormat = reinterpret_cast<BYTE*>(info);
  return S_OK;
}

AM_MEDIA_TYPE* NewMediaType(const Capability& c) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (type == nullptr) return nullptr;
  if (FAILED(MakeMediaType(c, type))) {
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  *target = *source;
  target->pbFormat = nullptr;
  target->cbFormat = 0;
  if (source->cbFormat != 0 && source->pbFormat != nullptr) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (target->pbFormat == nullptr) {
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    target->cbFormat = source->cbFormat;
  }
  if (target->pUnk != nullptr) target->pUnk->AddRef();
  return S_OK;
}

void ClearMediaType(AM_MEDIA_TYPE* type) {
  if (type->pbFormat != nullptr) CoTaskMemFree(type->pbFormat);
  type->pbFormat = nullptr;
  type->cbFormat = 0;
  if (type->pUnk != nullptr) {
    type->pUnk->Release();
    type->pUnk = nullptr;
  }
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  ClearMediaType(type);
  CoTaskMemFree(type);
}

void FillStreamCaps(const Capability& c, VIDEO_STREAM_CONFIG_CAPS* caps) {
  ZeroMemory(caps, sizeof(*caps));
  SIZE size = {c.width, c.height};
  caps->guid = FORMAT_VideoInfo;
  caps->VideoStandard = 0;
  caps->InputSize = size;
  caps->MinCroppingSize = size;
  caps->MaxCroppingSize = size;
  caps->CropGranularityX = 1;
  caps->CropGranularityY = 1;
  caps->CropAlignX = 1;
  caps->CropAlignY = 1;
  caps->MinOutputSize = size;
  caps->MaxOutputSize = size;
  caps->OutputGranularityX = 1;
  caps->OutputGranularityY = 1;
  caps->StretchTapsX = 0;
  caps->StretchTapsY = 0;
  caps->ShrinkTapsX = 0;
  caps->ShrinkTapsY = 0;
  // Each capability runs at one rate only.
  caps->MinFrameInterval = c.interval;
  caps->MaxFrameInterval = c.interval;
  LONG bits_per_second = static_cast<LONG>(
      static_cast<unsigned long long>(ImageSize(c)) * 8ull * 10000000ull / c.interval);
  caps->MinBitsPerSecond = bits_per_second;
  caps->MaxBitsPerSecond = bits_per_second;
}

bool PartiallyMatches(const AM_MEDIA_TYPE* wanted, const Capability& c) {
  if (wanted == nullptr) return true;
  if (wanted->majortype != GUID_NULL && wanted->majortype != MEDIATYPE_Video) return false;
  if (wanted->subtype != GUID_NULL && wanted->subtype != SubtypeFor(c.bit_count)) return false;
  if (wanted->formattype == GUID_NULL) return true;
  if (wanted->formattype != FORMAT_VideoInfo) return false;
  const VIDEOINFOHEADER* info = VideoInfoOf(wanted);
  return info == nullptr || SamePicture(info, c);
}

bool ExactlyMatches(const AM_MEDIA_TYPE* type, const Capability& c) {
  if (type == nullptr) return false;
  if (type->majortype != MEDIATYPE_Video || type->subtype != SubtypeFor(c.bit_count)) return false;
  const VIDEOINFOHEADER* info = VideoInfoOf(type);
  return info != nullptr && SamePicture(info, c);
}

}  // namespace lumigrab_tc
