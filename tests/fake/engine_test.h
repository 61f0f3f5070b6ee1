// The fixture of engine tests: a FakeWorld and, when the test asks for it, a CaptureEngine made
// on the world's platform, destroyed before the world is checked for leaks.
#pragma once

#include <memory>

#include "engine/capture_engine.h"
#include "fake_world_test.h"

namespace lumigrab::fake {

class EngineTest : public FakeWorldTest {
 protected:
  // Constructs the engine (which lists the devices scripted so far).
  CaptureEngine& MakeEngine() {
    engine_ = std::make_unique<CaptureEngine>(platform);
    OnTearDown([this] { engine_.reset(); });
    return *engine_;
  }
  void DestroyEngine() { engine_.reset(); }
  CaptureEngine* Engine() const { return engine_.get(); }

 private:
  std::unique_ptr<CaptureEngine> engine_;
};

}  // namespace lumigrab::fake
