// gtest support for tests driven through a FakeWorld: a fixture whose TearDown first destroys
// what the test made (the engine) and then checks that nothing is still referenced and nothing was
// released once too often; the journal is printed when the test failed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fake_builder.h"
#include "fake_crossbar.h"
#include "fake_devices.h"
#include "fake_filters.h"
#include "fake_grabber.h"
#include "fake_graph.h"
#include "fake_platform.h"
#include "fake_world.h"
#include "media_types.h"

namespace lumigrab::fake {

// Success when no fake is still referenced and no reference problem was seen.
::testing::AssertionResult WorldIsClean(const FakeWorld& world);

class FakeWorldTest : public ::testing::Test {
 protected:
  // Runs at TearDown before the leak check: destroys whatever holds references into the world.
  void OnTearDown(std::function<void()> destroy) { destroy_ = std::move(destroy); }

  void TearDown() override;

  FakeWorld world;
  FakePlatform& platform = world.Platform();

 private:
  std::function<void()> destroy_;
};

}  // namespace lumigrab::fake
