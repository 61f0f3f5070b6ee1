// The device list a host sees: every named camera instance in enumeration order, twins under
// their own indexes, the nameless instance left out; names copied with strncpy rules.
#include <string.h>

#include "e2e_host.h"

namespace {

using DeviceListTest = LumigrabHostTest;

TEST_F(DeviceListTest, ListsNamedInstancesInEnumerationOrder) {
  const std::vector<CameraInstance> expected = Cameras().Listed();
  ASSERT_EQ(library_.GetDevicesCount(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    char name[256];
    memset(name, 'x', sizeof name);
    ASSERT_EQ(library_.GetDevicesName(name, 255, static_cast<int>(i)), 1) << "device " << i;
    EXPECT_EQ(std::string(name), expected[i].name) << "device " << i;
  }
  // The twins are two devices, not one listed twice.
  EXPECT_EQ(expected[Device("twin-a")].name, expected[Device("twin-b")].name);
  EXPECT_NE(Device("twin-a"), Device("twin-b"));
  EXPECT_EQ(Device("nameless"), -1);
}

TEST_F(DeviceListTest, NameCopyFollowsStrncpyAtTheBufferEdge) {
  const int device = Device("standin");
  const std::string name = Cameras().ByRole("standin").name;
  const int n = static_cast<int>(name.size());
  const struct {
    const char* what;
    int length;
    std::string written;  // the first `length` bytes after the call
  } cases[] = {
      {"length 0 writes nothing", 0, ""},
      {"shorter than the name: cut, no terminator", n - 3, name.substr(0, n - 3)},
      {"exactly the name: no terminator", n, name},
      {"one more: terminator", n + 1, name + std::string(1, '\0')},
      {"longer: zero-filled to the length", n + 6, name + std::string(6, '\0')},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.what);
    char buffer[64];
    memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(library_.GetDevicesName(buffer, entry.length, device), 1);
    EXPECT_EQ(std::string(buffer, entry.length), entry.written);
    // Nothing beyond the length is touched.
    EXPECT_EQ(std::string(buffer + entry.length, 8), std::string(8, 'x'));
  }
}

TEST_F(DeviceListTest, IndexOutsideTheListCopiesNothing) {
  const int count = library_.GetDevicesCount();
  for (int index : {-1, count, count + 5}) {
    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(library_.GetDevicesName(buffer, sizeof buffer, index), 0) << "index " << index;
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(16, 'x')) << "index " << index;
  }
}

}  // namespace
