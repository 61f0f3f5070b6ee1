#include "media_types.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace lumigrab::fake {

Capability& Capability::Interval(REFERENCE_TIME interval) {
  minFrameInterval = interval;
  return *this;
}

Capability& Capability::BitRates(LONG minimum, LONG maximum) {
  minBitsPerSecond = minimum;
  maxBitsPerSecond = maximum;
  return *this;
}

Capability& Capability::RefuseSetFormat(HRESULT result) {
  setFormatResult = result;
  return *this;
}

Capability& Capability::FailGetStreamCaps(HRESULT result) {
  getStreamCapsResult = result;
  return *this;
}

Capability& Capability::WithoutFormatBlock() {
  block = Block::NullFormat;
  blockSize = 0;
  return *this;
}

Capability& Capability::ShortBlock(ULONG size) {
  block = Block::Short;
  blockSize = size;
  return *this;
}

Capability& Capability::OtherFormatType() {
  block = Block::OtherFormatType;
  blockSize = sizeof(VIDEOINFOHEADER);
  return *this;
}

Capability& Capability::BlockSize(ULONG size) {
  block = Block::VideoInfo;
  blockSize = size;
  return *this;
}

std::vector<unsigned char> Capability::FormatBlock() const {
  if (block == Block::NullFormat) return {};
  const VIDEOINFOHEADER header = MakeVideoInfo(width, height, bitCount, minFrameInterval);
  std::vector<unsigned char> bytes(blockSize, 0xCD);  // bytes past the header: a colour table
  std::memcpy(bytes.data(), &header, std::min<size_t>(blockSize, sizeof header));
  return bytes;
}

Capability Cap(LONG width, LONG height, WORD bitCount) {
  Capability capability;
  capability.width = width;
  capability.height = height;
  capability.bitCount = bitCount;
  return capability;
}

GUID SubtypeForBitCount(WORD bitCount) {
  switch (bitCount) {
    case 12:
      return MEDIASUBTYPE_IYUV;
    case 16:
      return MEDIASUBTYPE_YUY2;
    case 24:
      return MEDIASUBTYPE_RGB24;
    case 32:
      return MEDIASUBTYPE_RGB32;
    default:
      return MEDIASUBTYPE_RGB24;
  }
}

DWORD CompressionForBitCount(WORD bitCount) {
  switch (bitCount) {
    case 12:
      return MAKEFOURCC('I', 'Y', 'U', 'V');
    case 16:
      return MAKEFOURCC('Y', 'U', 'Y', '2');
    default:
      return BI_RGB;
  }
}

DWORD PaddedImageSize(LONG width, LONG height, WORD bitCount) {
  const DWORD stride = ((static_cast<DWORD>(std::labs(width)) * bitCount + 31) / 32) * 4;
  return stride * static_cast<DWORD>(std::labs(height));
}

VIDEOINFOHEADER MakeVideoInfo(LONG width, LONG height, WORD bitCount, REFERENCE_TIME interval) {
  VIDEOINFOHEADER header = {};
  header.rcSource = RECT{0, 0, width, std::labs(height)};
  header.rcTarget = header.rcSource;
  header.dwBitRate = static_cast<DWORD>(PaddedImageSize(width, height, bitCount) * 8ull * 30);
  header.dwBitErrorRate = 0;
  header.AvgTimePerFrame = interval;
  header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  header.bmiHeader.biWidth = width;
  header.bmiHeader.biHeight = height;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = bitCount;
  header.bmiHeader.biCompression = CompressionForBitCount(bitCount);
  header.bmiHeader.biSizeImage = PaddedImageSize(width, height, bitCount);
  return header;
}

const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& mediaType) {
  if (!IsEqualGUID(mediaType.formattype, FORMAT_VideoInfo) || mediaType.pbFormat == nullptr ||
      mediaType.cbFormat < sizeof(VIDEOINFOHEADER)) {
    return nullptr;
  }
  return reinterpret_cast<const VIDEOINFOHEADER*>(mediaType.pbFormat);
}

RecordedMediaType RecordMediaType(const AM_MEDIA_TYPE& mediaType) {
  RecordedMediaType record;
  record.majortype = mediaType.majortype;
  record.subtype = mediaType.subtype;
  record.formattype = mediaType.formattype;
  record.fixedSizeSamples = mediaType.bFixedSizeSamples;
  record.temporalCompression = mediaType.bTemporalCompression;
  record.sampleSize = mediaType.lSampleSize;
  record.hasUnk = mediaType.pUnk != nullptr;
  record.cbFormat = mediaType.cbFormat;
  record.hasFormat = mediaType.pbFormat != nullptr;
  if (mediaType.pbFormat != nullptr && mediaType.cbFormat != 0) {
    record.format.assign(mediaType.pbFormat, mediaType.pbFormat + mediaType.cbFormat);
  }
  return record;
}

std::string Describe(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return "null";
  std::string text = GuidName(mediaType->majortype) + "/" + GuidName(mediaType->subtype) + "/" +
                     GuidName(mediaType->formattype);
  if (const VIDEOINFOHEADER* header = VideoInfoOf(*mediaType)) {
    text += " " + std::to_string(header->bmiHeader.biWidth) + "x" +
            std::to_string(header->bmiHeader.biHeight) + "x" +
            std::to_string(header->bmiHeader.biBitCount) +
            " interval=" + std::to_string(header->AvgTimePerFrame) +
            " bitrate=" + std::to_string(header->dwBitRate);
  } else {
    text += " cbFormat=" + std::to_string(mediaType->cbFormat) +
            (mediaType->pbFormat == nullptr ? " pbFormat=null" : "");
  }
  return text;
}

void* MediaTypeToken::Interface(REFIID iid) {
  return IsEqualIID(iid, IID_IUnknown) ? static_cast<IUnknown*>(this) : nullptr;
}

AM_MEDIA_TYPE* NewCapabilityMediaType(const Capability& capability, MediaTypeToken& token) {
  auto* mediaType = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  std::memset(mediaType, 0, sizeof *mediaType);
  mediaType->majortype = MEDIATYPE_Video;
  mediaType->subtype = SubtypeForBitCount(capability.bitCount);
  mediaType->bFixedSizeSamples = TRUE;
  mediaType->lSampleSize =
      PaddedImageSize(capability.width, capability.height, capability.bitCount);
  mediaType->formattype = capability.block == Capability::Block::OtherFormatType
                              ? FORMAT_WaveFormatEx
                              : FORMAT_VideoInfo;
  const std::vector<unsigned char> block = capability.FormatBlock();
  if (!block.empty()) {
    mediaType->cbFormat = static_cast<ULONG>(block.size());
    mediaType->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(block.size()));
    std::memcpy(mediaType->pbFormat, block.data(), block.size());
  }
  token.AddRefInternal();
  mediaType->pUnk = static_cast<IUnknown*>(&token);
  return mediaType;
}

}  // namespace lumigrab::fake
