// The one capture engine of the process, shared by the exported functions. It is created by
// Dll_INIT and destroyed by Dll_DEINIT; the host calls the exports from one thread at a time.
#pragma once

#include "platform/platform.h"

namespace lumigrab {

class CaptureEngine;

// The current engine, or null when none exists.
CaptureEngine* CurrentEngine();

// The platform the current engine was made with (the real one unless a test gave another).
Platform& CurrentPlatform();

// Stops and destroys the current engine, if any.
void DestroyEngine();

// Destroys the current engine, if any, then makes a new one that lists the devices.
void CreateEngine(Platform& platform);

}  // namespace lumigrab
