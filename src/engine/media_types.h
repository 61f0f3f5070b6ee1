// Media type helpers shared by the graph-building operations.
#pragma once

#include "platform/directshow.h"

namespace lumigrab {

// The VIDEOINFOHEADER of a media type, or null when the type carries no complete one (no block,
// a block of another format type, or one too short to read): such a type is never read.
const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE* mediaType);
VIDEOINFOHEADER* VideoInfoOf(AM_MEDIA_TYPE* mediaType);

// The type the Sample Grabber is told to accept: uncompressed 24-bit RGB video with a
// VIDEOINFOHEADER, every other member zero.
AM_MEDIA_TYPE GrabberMediaType();

// The bit rate of a capture format: bits per frame (32-bit arithmetic, wrapping as the device
// would) times frames per second, the low 32 bits of the quotient read as signed, then held within
// the device's limits with the lower limit tested first. `minFrameInterval` must be positive.
LONG ComputeBitRate(WORD bitCount, LONG width, LONG height, LONGLONG minFrameInterval,
                    LONG minBitsPerSecond, LONG maxBitsPerSecond);

}  // namespace lumigrab
