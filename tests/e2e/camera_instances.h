// The test camera instances registered in the end-to-end prefix, read from the same list the
// prefix fixture registers (camera-instances.txt), so tests and fixture cannot drift apart.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct CameraCapability {
  int width = 0;
  int height = 0;
  int bits = 0;
};

struct CameraInstance {
  std::string role;
  std::string subkey;
  bool named = false;
  std::string name;
  std::vector<CameraCapability> capabilities;  // in the camera's order
  uint32_t seed = 0;
  bool standIn = false;
};

class CameraInstances {
 public:
  // Reads the list; Error() says what was wrong when it could not be read.
  explicit CameraInstances(const std::string& path);

  const std::string& Error() const { return error_; }
  // All instances in subkey order, named or not.
  const std::vector<CameraInstance>& All() const { return all_; }
  // The instances a device list shows: the named ones, in enumeration order.
  std::vector<CameraInstance> Listed() const;
  // Index among Listed() of the instance with this role; -1 when it has none.
  int DeviceIndex(const std::string& role) const;
  const CameraInstance& ByRole(const std::string& role) const;

 private:
  std::vector<CameraInstance> all_;
  std::string error_;
};
