#include "bmp_check.h"

#include <string.h>

#include "test_pattern.h"

namespace {

uint32_t Read32(const uint8_t* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}
uint16_t Read16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

std::string Mismatch(const char* field, long long got, long long expected) {
  return std::string(field) + " is " + std::to_string(got) + ", expected " +
         std::to_string(expected);
}

}  // namespace

std::string CheckCameraBmp(const uint8_t* image, size_t size, int width, int height,
                           uint32_t seed, uint32_t* frame) {
  const size_t pixels = lgtp_image_size_rgb24(width, height);
  if (size != 54 + pixels) return Mismatch("image size", size, 54 + pixels);
  if (image[0] != 'B' || image[1] != 'M') return "does not start with \"BM\"";
  const struct {
    const char* field;
    long long got;
    long long expected;
  } fields[] = {
      {"bfSize", Read32(image + 2), static_cast<long long>(54 + pixels)},
      {"bfReserved1", Read16(image + 6), 0},
      {"bfReserved2", Read16(image + 8), 0},
      {"bfOffBits", Read32(image + 10), 54},
      {"biSize", Read32(image + 14), 40},
      {"biWidth", static_cast<int32_t>(Read32(image + 18)), width},
      {"biHeight", static_cast<int32_t>(Read32(image + 22)), height},
      {"biPlanes", Read16(image + 26), 1},
      {"biBitCount", Read16(image + 28), 24},
      {"biCompression", Read32(image + 30), 0},
      {"biSizeImage", Read32(image + 34), static_cast<long long>(pixels)},
  };
  for (const auto& entry : fields) {
    if (entry.got != entry.expected) return Mismatch(entry.field, entry.got, entry.expected);
  }
  int badX = -1, badY = -1;
  if (!lgtp_check_frame_rgb24(image + 54, width, height, seed, frame, &badX, &badY)) {
    if (badX < 0) return "the frame number's bar code cannot be read";
    return "pixel (" + std::to_string(badX) + ", " + std::to_string(badY) +
           ") differs from the camera picture";
  }
  return "";
}
