// What every end-to-end host test shares: the DLL under test, its configuration, the camera
// instances of the prefix, and a fixture that loads the DLL and makes an engine the way a host
// program does (COM on the calling thread, then Dll_INIT; Dll_DEINIT at the end).
#pragma once

#include <gtest/gtest.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

#include "camera_instances.h"
#include "lumigrab_library.h"

struct E2EContext {
  std::wstring dllPath;
  bool preview = false;  // else the recording configuration
  std::unique_ptr<CameraInstances> cameras;
};
const E2EContext& Context();

class LumigrabHostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const CameraInstances& Cameras() const { return *Context().cameras; }
  bool Preview() const { return Context().preview; }
  // Device index of the camera instance with this role in the engine's list.
  int Device(const std::string& role) const;
  // One still frame through the size handshake; empty when either call answers 0.
  std::vector<uint8_t> Grab();

  LumigrabLibrary library_{Context().dllPath};
};

// "<temporary folder>\test.avi", the file every start deletes first.
std::string TestAviPath();
