#include "exports/engine_instance.h"

#include "engine/capture_engine.h"

namespace lumigrab {

namespace {
CaptureEngine* engineInstance = nullptr;
Platform* enginePlatform = nullptr;
}  // namespace

CaptureEngine* CurrentEngine() { return engineInstance; }

Platform& CurrentPlatform() {
  return enginePlatform != nullptr ? *enginePlatform : RealPlatform();
}

void DestroyEngine() {
  if (engineInstance == nullptr) return;
  engineInstance->Stop();
  delete engineInstance;
  engineInstance = nullptr;
  enginePlatform = nullptr;
}

void CreateEngine(Platform& platform) {
  DestroyEngine();
  engineInstance = new CaptureEngine(platform);
  enginePlatform = &platform;
}

}  // namespace lumigrab
