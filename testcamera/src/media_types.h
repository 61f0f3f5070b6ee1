// Translation between the camera's capabilities and DirectShow media types.
#pragma once

#include "camera_settings.h"
#include "platform_headers.h"

namespace lumigrab_tc {

// Bytes per frame of a capability, as written into biSizeImage and asked of the allocator.
DWORD ImageSize(const Capability& capability);
// Bytes per row of the packed RGB formats (rows padded to a DWORD).
DWORD RgbStride(int width, int bit_count);

// Fills `type` with the full VIDEOINFOHEADER type of a capability; the format block comes from
// CoTaskMemAlloc so the type can be handed out as is. Release with ClearMediaType.
HRESULT MakeMediaType(const Capability& capability, AM_MEDIA_TYPE* type);
// The same type in its own CoTaskMemAlloc'ed AM_MEDIA_TYPE (for IEnumMediaTypes and
// IAMStreamConfig). Release with DeleteMediaType.
AM_MEDIA_TYPE* NewMediaType(const Capability& capability);

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
void ClearMediaType(AM_MEDIA_TYPE* type);
void DeleteMediaType(AM_MEDIA_TYPE* type);

void FillStreamCaps(const Capability& capability, VIDEO_STREAM_CONFIG_CAPS* caps);

// True when `wanted` (whose GUID_NULL fields are wildcards and whose format block, when
// present, must describe the same picture) can be satisfied by `capability`.
bool PartiallyMatches(const AM_MEDIA_TYPE* wanted, const Capability& capability);
// True when `type` is a complete type this capability produces.
bool ExactlyMatches(const AM_MEDIA_TYPE* type, const Capability& capability);

}  // namespace lumigrab_tc
