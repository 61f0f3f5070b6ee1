#include "frame_writer.h"

#include "../test_pattern.h"
#include "media_types.h"

namespace lumigrab_tc {
namespace {

// Bottom-up packed RGB other than 24 bits: the same picture, packed per pixel by `pack`.
template <typename Pack>
void WritePackedRgb(BYTE* buffer, const Capability& c, DWORD seed, DWORD frame, int bytes_per_pixel,
                    Pack pack) {
  DWORD stride = RgbStride(c.width, c.bit_count);
  for (int y = 0; y < c.height; ++y) {
    BYTE* row = buffer + static_cast<size_t>(stride) * (c.height - 1 - y);
    for (int x = 0; x < c.width; ++x) {
      uint8_t rgb[3];
      lgtp_pixel(c.width, c.height, seed, frame, x, y, rgb);
      pack(row + x * bytes_per_pixel, rgb);
    }
    for (DWORD pad = static_cast<DWORD>(c.width * bytes_per_pixel); pad < stride; ++pad) row[pad] = 0;
  }
}

BYTE Clamp(int value) { return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

// Planar 4:2:0, top-down as planar YUV always is; BT.601 studio range.
void WriteI420(BYTE* buffer, const Capability& c, DWORD seed, DWORD frame) {
  BYTE* y_plane = buffer;
  BYTE* u_plane = y_plane + static_cast<size_t>(c.width) * c.height;
  BYTE* v_plane = u_plane + static_cast<size_t>(c.width / 2) * (c.height / 2);
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      uint8_t rgb[3];
      lgtp_pixel(c.width, c.height, seed, frame, x, y, rgb);
      int luma = ((66 * rgb[0] + 129 * rgb[1] + 25 * rgb[2] + 128) >> 8) + 16;
      y_plane[static_cast<size_t>(y) * c.width + x] = Clamp(luma);
      if ((x & 1) == 0 && (y & 1) == 0) {
        size_t chroma = static_cast<size_t>(y / 2) * (c.width / 2) + x / 2;
        u_plane[chroma] = Clamp(((-38 * rgb[0] - 74 * rgb[1] + 112 * rgb[2] + 128) >> 8) + 128);
        v_plane[chroma] = Clamp(((112 * rgb[0] - 94 * rgb[1] - 18 * rgb[2] + 128) >> 8) + 128);
      }
    }
  }
}

}  // namespace

DWORD WriteFrame(BYTE* buffer, DWORD capacity, const Capability& c, DWORD seed, DWORD frame) {
  DWORD size = ImageSize(c);
  if (buffer == nullptr || capacity < size) return 0;
  switch (c.bit_count) {
    case 24:
      lgtp_fill_rgb24(buffer, c.width, c.height, seed, frame);
      break;
    case 32:
      WritePackedRgb(buffer, c, seed, frame, 4, [](BYTE* p, const uint8_t* rgb) {
        p[0] = rgb[2];
        p[1] = rgb[1];
        p[2] = rgb[0];
        p[3] = 0;
      });
      break;
    case 16:
      WritePackedRgb(buffer, c, seed, frame, 2, [](BYTE* p, const uint8_t* rgb) {
        WORD v = static_cast<WORD>(((rgb[0] >> 3) << 11) | ((rgb[1] >> 2) << 5) | (rgb[2] >> 3));
        p[0] = static_cast<BYTE>(v);
        p[1] = static_cast<BYTE>(v >> 8);
      });
      break;
    case 12:
      WriteI420(buffer, c, seed, frame);
      break;
    default:
      return 0;
  }
  return size;
}

}  // namespace lumigrab_tc
