/*
 * The Lumigrab test camera's picture, shared by the camera and by host tests.
 *
 * Every frame is a pure function of (width, height, seed, frame number), so a test can rebuild
 * the expected picture and compare a grab pixel by pixel. The top band of the picture carries
 * the frame number as a 32-cell black/white bar code (most significant bit on the left): a
 * grab can be dated without knowing when it was taken, which is what freshness and staleness
 * checks need. Below the band, colour gradients slide with the frame number and depend on
 * the seed, so two cameras with different seeds never show the same picture.
 *
 * Buffers are bottom-up RGB24 DIBs (B, G, R byte order, rows padded to 4 bytes), as
 * DirectShow delivers MEDIASUBTYPE_RGB24 with a positive biHeight.
 *
 * Plain C99 / C++: every function is static inline, so including this header anywhere costs
 * nothing and needs no library.
 */
#ifndef LUMIGRAB_TEST_PATTERN_H
#define LUMIGRAB_TEST_PATTERN_H

#include <stddef.h>
#include <stdint.h>

#define LGTP_BAND_ROWS 8
#define LGTP_BAND_CELLS 32
/* Below this size the bar code cells would be thinner than one pixel or the band would
 * swallow the picture; the camera refuses such capabilities. */
#define LGTP_MIN_WIDTH LGTP_BAND_CELLS
#define LGTP_MIN_HEIGHT (2 * LGTP_BAND_ROWS)

/* Bytes per row of an RGB24 DIB: three bytes a pixel, rounded up to a DWORD. */
static inline size_t lgtp_stride_rgb24(int width) {
  return (((size_t)width * 3u) + 3u) & ~(size_t)3u;
}

static inline size_t lgtp_image_size_rgb24(int width, int height) {
  return lgtp_stride_rgb24(width) * (size_t)height;
}

/* Spreads the seed over three channel offsets; a multiplicative hash keeps small
 * consecutive seeds (0, 1, 2...) far apart in colour. */
static inline void lgtp_seed_offsets(uint32_t seed, uint8_t offsets[3]) {
  uint32_t h = (seed + 1u) * 2654435761u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  offsets[0] = (uint8_t)(h);
  offsets[1] = (uint8_t)(h >> 8);
  offsets[2] = (uint8_t)(h >> 16);
}

/* First column of bar code cell `cell`; cells cover the whole width, near-equal in size. */
static inline int lgtp_cell_start(int width, int cell) {
  return (int)(((int64_t)cell * width + LGTP_BAND_CELLS - 1) / LGTP_BAND_CELLS);
}

/* The expected colour of one pixel, in picture coordinates (y = 0 is the top row).
 * rgb receives R, G, B. */
static inline void lgtp_pixel(int width, int height, uint32_t seed, uint32_t frame, int x, int y,
                              uint8_t rgb[3]) {
  (void)height;
  if (y < LGTP_BAND_ROWS) {
    int cell = (int)(((int64_t)x * LGTP_BAND_CELLS) / width);
    uint8_t v = ((frame >> (LGTP_BAND_CELLS - 1 - cell)) & 1u) ? 255 : 0;
    rgb[0] = rgb[1] = rgb[2] = v;
    return;
  }
  uint8_t off[3];
  lgtp_seed_offsets(seed, off);
  /* A one-pixel separator under the band keeps the bar code readable by eye on any body colour. */
  if (y == LGTP_BAND_ROWS) {
    rgb[0] = 128;
    rgb[1] = 128;
    rgb[2] = 128;
    return;
  }
  /* A white bar sweeps across so that motion is obvious on a preview. */
  uint32_t bar = (frame * 4u) % (uint32_t)width;
  uint32_t dx = ((uint32_t)x + (uint32_t)width - bar) % (uint32_t)width;
  if (dx < 6u) {
    rgb[0] = rgb[1] = rgb[2] = 255;
    return;
  }
  rgb[0] = (uint8_t)((uint32_t)x + 2u * frame + off[0]);
  rgb[1] = (uint8_t)((uint32_t)y + frame + off[1]);
  rgb[2] = (uint8_t)((uint32_t)(x ^ y) + 3u * frame + off[2]);
}

/* Fills a bottom-up RGB24 DIB of width x height (buffer of lgtp_image_size_rgb24 bytes).
 * Padding bytes are zeroed so that whole buffers compare equal too. */
static inline void lgtp_fill_rgb24(uint8_t* bits, int width, int height, uint32_t seed,
                                   uint32_t frame) {
  size_t stride = lgtp_stride_rgb24(width);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bits + stride * (size_t)(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      uint8_t rgb[3];
      lgtp_pixel(width, height, seed, frame, x, y, rgb);
      row[3 * x + 0] = rgb[2];
      row[3 * x + 1] = rgb[1];
      row[3 * x + 2] = rgb[0];
    }
    for (size_t pad = (size_t)width * 3u; pad < stride; ++pad) row[pad] = 0;
  }
}

/* Reads the frame number from the bar code of a bottom-up RGB24 DIB. Answers 0 when the band
 * is not a clean bar code (a cell that is not pure black or pure white, or cells that are not
 * uniform across their rows), 1 with *frame set otherwise. */
static inline int lgtp_decode_frame_number_rgb24(const uint8_t* bits, int width, int height,
                                                 uint32_t* frame) {
  if (bits == NULL || frame == NULL || width < LGTP_MIN_WIDTH || height < LGTP_MIN_HEIGHT) return 0;
  size_t stride = lgtp_stride_rgb24(width);
  uint32_t value = 0;
  for (int cell = 0; cell < LGTP_BAND_CELLS; ++cell) {
    int x = lgtp_cell_start(width, cell);
    int bit = -1;
    for (int y = 0; y < LGTP_BAND_ROWS; ++y) {
      const uint8_t* p = bits + stride * (size_t)(height - 1 - y) + 3 * (size_t)x;
      int here;
      if (p[0] == 255 && p[1] == 255 && p[2] == 255) {
        here = 1;
      } else if (p[0] == 0 && p[1] == 0 && p[2] == 0) {
        here = 0;
      } else {
        return 0;
      }
      if (bit >= 0 && here != bit) return 0;
      bit = here;
    }
    value = (value << 1) | (uint32_t)bit;
  }
  *frame = value;
  return 1;
}

/* Checks that a bottom-up RGB24 DIB is exactly the picture of the frame number it carries for
 * this seed, padding included. Answers 1 on a match (with *frame set when frame is not null).
 * On a mismatch answers 0 and, when bad_x / bad_y are not null, the first wrong pixel in
 * picture coordinates (-1, -1 when the bar code itself could not be read). */
static inline int lgtp_check_frame_rgb24(const uint8_t* bits, int width, int height, uint32_t seed,
                                         uint32_t* frame, int* bad_x, int* bad_y) {
  uint32_t number = 0;
  if (bad_x) *bad_x = -1;
  if (bad_y) *bad_y = -1;
  if (!lgtp_decode_frame_number_rgb24(bits, width, height, &number)) return 0;
  size_t stride = lgtp_stride_rgb24(width);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = bits + stride * (size_t)(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      uint8_t rgb[3];
      lgtp_pixel(width, height, seed, number, x, y, rgb);
      if (row[3 * x + 0] != rgb[2] || row[3 * x + 1] != rgb[1] || row[3 * x + 2] != rgb[0]) {
        if (bad_x) *bad_x = x;
        if (bad_y) *bad_y = y;
        return 0;
      }
    }
    for (size_t pad = (size_t)width * 3u; pad < stride; ++pad) {
      if (row[pad] != 0) {
        if (bad_x) *bad_x = width;
        if (bad_y) *bad_y = y;
        return 0;
      }
    }
  }
  if (frame) *frame = number;
  return 1;
}

#endif /* LUMIGRAB_TEST_PATTERN_H */
