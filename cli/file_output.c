#include "file_output.h"

#include <stdio.h>

int WriteFileBytes(const char* path, const unsigned char* bytes, size_t size) {
  FILE* file = fopen(path, "wb");
  if (file == NULL) return 0;
  size_t written = fwrite(bytes, 1, size, file);
  int closed = fclose(file) == 0;
  return written == size && closed;
}
