// The fixture of engine tests: a FakeWorld and, when the test asks for it, a CaptureEngine made
// on the world's platform, destroyed before the world is checked for leaks.
#pragma once

#include <gtest/gtest.h>

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

// Every graph member of the engine is null: what Stop and every failed start leave.
inline void ExpectNoGraph(const CaptureEngine& engine) {
  EXPECT_EQ(nullptr, engine.graph);
  EXPECT_EQ(nullptr, engine.videoSource);
  EXPECT_EQ(nullptr, engine.captureBuilder);
  EXPECT_EQ(nullptr, engine.videoWindow);
  EXPECT_EQ(nullptr, engine.mediaControl);
  EXPECT_EQ(nullptr, engine.grabberFilter);
  EXPECT_EQ(nullptr, engine.sampleGrabber);
  EXPECT_EQ(nullptr, engine.fileSink);
  EXPECT_EQ(nullptr, engine.aviMux);
  EXPECT_EQ(nullptr, engine.audioSource);
  EXPECT_EQ(nullptr, engine.aviMuxConfig);
  EXPECT_EQ(nullptr, engine.crossbarRouter);
  EXPECT_EQ(nullptr, engine.frameBuffer);
}

}  // namespace lumigrab::fake
