// The frame formats a host is shown for each device: the camera's capabilities in its own
// order, all of them in the recording configuration, only those above 12 bits in preview.
#include "e2e_host.h"

namespace {

using CapabilitiesTest = LumigrabHostTest;

std::vector<CameraCapability> Shown(const CameraInstance& camera, bool preview) {
  std::vector<CameraCapability> shown;
  for (const CameraCapability& capability : camera.capabilities) {
    if (!preview || capability.bits > 12) shown.push_back(capability);
  }
  return shown;
}

TEST_F(CapabilitiesTest, CountAndCopyAgreeWithWhatEachCameraAdvertises) {
  const std::vector<CameraInstance> cameras = Cameras().Listed();
  ASSERT_EQ(library_.GetDevicesCount(), static_cast<int>(cameras.size()));
  for (size_t device = 0; device < cameras.size(); ++device) {
    SCOPED_TRACE(cameras[device].role);
    const std::vector<CameraCapability> expected = Shown(cameras[device], Preview());
    const int index = static_cast<int>(device);
    ASSERT_EQ(library_.GetDevicesResolutionCount(index), static_cast<int>(expected.size()));
    for (size_t k = 0; k < expected.size(); ++k) {
      int width = -1, height = -1, bits = -1;
      ASSERT_EQ(library_.GetDevicesResolution(index, static_cast<int>(k), &width, &height, &bits),
                1);
      EXPECT_EQ(width, expected[k].width) << "capability " << k;
      EXPECT_EQ(height, expected[k].height) << "capability " << k;
      EXPECT_EQ(bits, expected[k].bits) << "capability " << k;
    }
  }
}

TEST_F(CapabilitiesTest, ConfigurationDecidesWhetherTwelveBitFormatsAreShown) {
  // The stand-in camera advertises a 12-bit format: the two configurations must differ there.
  const CameraInstance& camera = Cameras().ByRole("standin");
  int twelveBit = 0;
  for (const CameraCapability& capability : camera.capabilities) twelveBit += capability.bits <= 12;
  ASSERT_GT(twelveBit, 0) << "the camera list lost its 12-bit format";
  const int all = static_cast<int>(camera.capabilities.size());
  EXPECT_EQ(library_.GetDevicesResolutionCount(Device("standin")),
            Preview() ? all - twelveBit : all);
}

TEST_F(CapabilitiesTest, DeviceOutsideTheListHasNoFormats) {
  const int count = library_.GetDevicesCount();
  EXPECT_EQ(library_.GetDevicesResolutionCount(-1), 0);
  EXPECT_EQ(library_.GetDevicesResolutionCount(count), 0);
}

}  // namespace
