// Media types as the fake devices describe and hand them out: capability descriptions, the
// VIDEOINFOHEADER blocks built from them, and a tracked token in each handed-out media type's pUnk
// so that a test can prove every media type was deleted exactly once.
#pragma once

#include <climits>
#include <string>
#include <vector>

#include "fake_world.h"

namespace lumigrab::fake {

// One capability of a capture pin: a media type plus the VIDEO_STREAM_CONFIG_CAPS limits.
struct Capability {
  enum class Block {
    VideoInfo,        // FORMAT_VideoInfo, blockSize bytes (88 or more)
    NullFormat,       // FORMAT_VideoInfo with a null pbFormat and cbFormat 0
    Short,            // FORMAT_VideoInfo with only blockSize (< 88) bytes
    OtherFormatType,  // a 88-byte block announced as FORMAT_WaveFormatEx
  };

  LONG width = 640;
  LONG height = 480;
  WORD bitCount = 24;
  Block block = Block::VideoInfo;
  ULONG blockSize = sizeof(VIDEOINFOHEADER);
  REFERENCE_TIME minFrameInterval = 333333;
  LONG minBitsPerSecond = 0;
  LONG maxBitsPerSecond = LONG_MAX;
  HRESULT setFormatResult = S_OK;
  HRESULT getStreamCapsResult = S_OK;

  Capability& Interval(REFERENCE_TIME interval);
  Capability& BitRates(LONG minimum, LONG maximum);
  Capability& RefuseSetFormat(HRESULT result = E_FAIL);
  Capability& FailGetStreamCaps(HRESULT result = E_FAIL);
  Capability& WithoutFormatBlock();
  Capability& ShortBlock(ULONG size = 40);
  Capability& OtherFormatType();
  Capability& BlockSize(ULONG size);  // a VideoInfo block with trailing bytes

  // The format block exactly as GetStreamCaps hands it out (empty for NullFormat).
  std::vector<unsigned char> FormatBlock() const;
};

Capability Cap(LONG width, LONG height, WORD bitCount);

// The subtype and biCompression a capture pin uses for a bit count (12: IYUV, 16: YUY2, 24:
// RGB24, 32: RGB32).
GUID SubtypeForBitCount(WORD bitCount);
DWORD CompressionForBitCount(WORD bitCount);
// Bytes of an uncompressed frame whose rows are padded to 4 bytes.
DWORD PaddedImageSize(LONG width, LONG height, WORD bitCount);
VIDEOINFOHEADER MakeVideoInfo(LONG width, LONG height, WORD bitCount, REFERENCE_TIME interval);

// The VIDEOINFOHEADER of a media type, or null when it carries no complete FORMAT_VideoInfo block.
const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& mediaType);

// A copy of a media type the engine handed to a fake.
struct RecordedMediaType {
  GUID majortype = GUID_NULL;
  GUID subtype = GUID_NULL;
  GUID formattype = GUID_NULL;
  BOOL fixedSizeSamples = FALSE;
  BOOL temporalCompression = FALSE;
  ULONG sampleSize = 0;
  bool hasUnk = false;
  ULONG cbFormat = 0;
  bool hasFormat = false;
  std::vector<unsigned char> format;  // cbFormat bytes when pbFormat was given
};
RecordedMediaType RecordMediaType(const AM_MEDIA_TYPE& mediaType);
std::string Describe(const AM_MEDIA_TYPE* mediaType);

// The pUnk of one handed-out media type. Its reference count is 1 until the media type is
// deleted; a second delete is an over-release.
class MediaTypeToken final : public FakeObject, public IUnknown {
 public:
  MediaTypeToken(FakeWorld& world, std::string name, int capabilityIndex)
      : FakeObject(world, "MediaType", std::move(name)), capabilityIndex(capabilityIndex) {}
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;

  const int capabilityIndex;
};

// A media type of the COM task allocator, its format block too, with `token` (given a reference)
// in pUnk.
AM_MEDIA_TYPE* NewCapabilityMediaType(const Capability& capability, MediaTypeToken& token);

}  // namespace lumigrab::fake
