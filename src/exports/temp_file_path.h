// The path of the capture file that Dll_Start hands to the engine: "test.avi" in the user's
// temporary folder.
#pragma once

#include <string>

namespace lumigrab {

class Platform;

// Capacity of the path buffers, terminator included.
constexpr unsigned kCaptureFilePathCapacity = 300;

// Builds the path: the temporary folder, one backslash between folder and name (none added when
// the folder already ends with one), then "test.avi".
std::string CaptureFilePath(Platform& platform);

}  // namespace lumigrab
