// The shared pattern header on its own: what hosts rely on when they check grabs. A checker
// that accepted damaged frames would make every streaming check above meaningless.
#include <vector>

#include "../test_pattern.h"
#include "check.h"
#include "tests.h"

namespace smoke {

void TestPattern(const Options&) {
  Section("pattern header");
  const int widths[] = {32, 160, 162, 641};
  const uint32_t frames[] = {0u, 1u, 77u, 0x80000001u, 0xFFFFFFFFu};
  for (int width : widths) {
    const int height = 20;
    std::vector<uint8_t> bits(lgtp_image_size_rgb24(width, height));
    for (uint32_t frame : frames) {
      lgtp_fill_rgb24(bits.data(), width, height, 9, frame);
      uint32_t decoded = 0;
      CHECK(lgtp_decode_frame_number_rgb24(bits.data(), width, height, &decoded));
      CHECK(decoded == frame);
      uint32_t checked = 0;
      CHECK(lgtp_check_frame_rgb24(bits.data(), width, height, 9, &checked, nullptr, nullptr));
      CHECK(checked == frame);
      // Seeds change the picture.
      CHECK(!lgtp_check_frame_rgb24(bits.data(), width, height, 10, nullptr, nullptr, nullptr));
    }
    // One wrong byte in the body is found, at the right place.
    lgtp_fill_rgb24(bits.data(), width, height, 9, 5);
    const int x = width / 2;
    const int y = height - 3;
    size_t offset = lgtp_stride_rgb24(width) * static_cast<size_t>(height - 1 - y) + 3 * x + 1;
    bits[offset] ^= 0x01;
    int bad_x = -2;
    int bad_y = -2;
    CHECK(!lgtp_check_frame_rgb24(bits.data(), width, height, 9, nullptr, &bad_x, &bad_y));
    CHECK(bad_x == x && bad_y == y);
    bits[offset] ^= 0x01;
    // A grey smear over the bar code makes it unreadable rather than misread.
    bits[lgtp_stride_rgb24(width) * static_cast<size_t>(height - 1)] = 128;
    uint32_t decoded = 0;
    CHECK(!lgtp_decode_frame_number_rgb24(bits.data(), width, height, &decoded));
    CHECK(!lgtp_check_frame_rgb24(bits.data(), width, height, 9, nullptr, &bad_x, &bad_y));
    CHECK(bad_x == -1 && bad_y == -1);
  }
  // Padding bytes belong to the frame too.
  std::vector<uint8_t> padded(lgtp_image_size_rgb24(162, 20));
  lgtp_fill_rgb24(padded.data(), 162, 20, 1, 3);
  CHECK(lgtp_stride_rgb24(162) == 488);
  padded[lgtp_stride_rgb24(162) - 1] = 7;  // padding of the bottom row
  int bad_x = 0;
  int bad_y = 0;
  CHECK(!lgtp_check_frame_rgb24(padded.data(), 162, 20, 1, nullptr, &bad_x, &bad_y));
  CHECK(bad_x == 162 && bad_y == 19);
  // Consecutive frames differ in the body as well as in the bar code: the picture moves.
  std::vector<uint8_t> a(lgtp_image_size_rgb24(160, 120));
  std::vector<uint8_t> b(a.size());
  lgtp_fill_rgb24(a.data(), 160, 120, 0, 40);
  lgtp_fill_rgb24(b.data(), 160, 120, 0, 41);
  size_t body_differences = 0;
  for (size_t i = 0; i < lgtp_stride_rgb24(160) * (120 - LGTP_BAND_ROWS - 1); ++i) {
    if (a[i] != b[i]) ++body_differences;
  }
  CHECK(body_differences > a.size() / 2);
  // Too small to carry a bar code.
  std::vector<uint8_t> tiny(lgtp_image_size_rgb24(16, 16));
  uint32_t decoded = 0;
  CHECK(!lgtp_decode_frame_number_rgb24(tiny.data(), 16, 16, &decoded));
}

}  // namespace smoke
