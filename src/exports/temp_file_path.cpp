#include "exports/temp_file_path.h"

#include <mbstring.h>

#include "platform/platform.h"

namespace lumigrab {

std::string CaptureFilePath(Platform& platform) {
  char folder[kCaptureFilePathCapacity] = {};
  DWORD length = platform.GetTempPathA(kCaptureFilePathCapacity, folder);
  // A failed call, or a folder that does not fit, leaves no usable folder: the bare name is then
  // used, relative to the current directory, rather than an unfilled buffer.
  if (length == 0 || length >= kCaptureFilePathCapacity) return "test.avi";

  std::string path = folder;
  // The last byte is compared as a one-byte string with the multibyte-aware comparison, so that
  // the check reads the same way in every system code page.
  const char lastCharacter[2] = {path.back(), '\0'};
  if (_mbscmp(reinterpret_cast<const unsigned char*>(lastCharacter),
              reinterpret_cast<const unsigned char*>("\\")) != 0) {
    path += "\\";
  }
  path += "test.avi";
  return path;
}

}  // namespace lumigrab
