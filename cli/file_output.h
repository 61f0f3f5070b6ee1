#ifndef LUMIGRAB_CLI_FILE_OUTPUT_H
#define LUMIGRAB_CLI_FILE_OUTPUT_H

#include <stddef.h>

/* Writes `size` bytes to a new file `path` (replacing one that exists). 1 when all were written. */
int WriteFileBytes(const char* path, const unsigned char* bytes, size_t size);

#endif
