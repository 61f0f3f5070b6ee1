// Checks a BMP file image as Lumigrab hands it out: the 14-byte file header, the 40-byte info
// header of a 24-bit bottom-up frame, then pixels that are exactly the test camera's picture.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// Empty when `image` (`size` bytes) is a width x height 24-bit BMP of the camera picture with
// this seed; otherwise what is wrong. *frame receives the frame number the picture carries.
std::string CheckCameraBmp(const uint8_t* image, size_t size, int width, int height,
                           uint32_t seed, uint32_t* frame);
