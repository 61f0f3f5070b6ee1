// bmp_file_check FILE WIDTH HEIGHT SEED
// Checks that FILE is a still frame as lumigrab-cli saves it: a complete 24-bit BMP whose pixels
// are the test camera's picture for that seed. Prints the frame number it carries; exit 0 when
// the file is right, 1 with the reason otherwise, 2 for bad arguments.
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "bmp_check.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: bmp_file_check FILE WIDTH HEIGHT SEED\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    fprintf(stderr, "%s: cannot open\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> image((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  uint32_t frame = 0;
  const std::string problem =
      CheckCameraBmp(image.data(), image.size(), atoi(argv[2]), atoi(argv[3]),
                     static_cast<uint32_t>(strtoul(argv[4], nullptr, 10)), &frame);
  if (!problem.empty()) {
    fprintf(stderr, "%s: %s\n", argv[1], problem.c_str());
    return 1;
  }
  printf("%u\n", frame);
  return 0;
}
