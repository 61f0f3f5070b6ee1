// Paints the test pattern into a sample buffer in the connected format.
#pragma once

#include "camera_settings.h"
#include "platform_headers.h"

namespace lumigrab_tc {

// Writes frame `frame` of the picture seeded by `seed`; answers the bytes written, or 0 when
// the buffer is too small for the format.
DWORD WriteFrame(BYTE* buffer, DWORD capacity, const Capability& format, DWORD seed, DWORD frame);

}  // namespace lumigrab_tc
