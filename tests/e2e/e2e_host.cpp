#include "e2e_host.h"

#include <windows.h>

namespace {
E2EContext context;
}  // namespace

const E2EContext& Context() { return context; }

void LumigrabHostTest::SetUp() {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ASSERT_TRUE(library_.Loaded()) << "missing: " << library_.Missing();
  ASSERT_EQ(library_.Init(), 1);
}

void LumigrabHostTest::TearDown() {
  if (library_.Loaded()) library_.Deinit();
  CoUninitialize();
}

int LumigrabHostTest::Device(const std::string& role) const {
  return Cameras().DeviceIndex(role);
}

std::vector<uint8_t> LumigrabHostTest::Grab() {
  int size = 0;
  if (!library_.GetBitmap(&size, nullptr) || size <= 0) return {};
  std::vector<uint8_t> image(static_cast<size_t>(size));
  if (!library_.GetBitmap(&size, image.data())) return {};
  return image;
}

std::string TestAviPath() {
  char folder[MAX_PATH + 1] = {};
  GetTempPathA(sizeof folder, folder);
  std::string path = folder;
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + "test.avi";
}

//   e2e_host_test <Lumigrab.dll> preview|recording <camera-instances.txt> [gtest flags]
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::string configuration = argc == 4 ? argv[2] : "";
  if (configuration != "preview" && configuration != "recording") {
    fprintf(stderr, "usage: e2e_host_test <Lumigrab.dll> preview|recording <camera instances>\n");
    return 2;
  }
  context.dllPath = Widen(argv[1]);
  context.preview = configuration == "preview";
  context.cameras = std::make_unique<CameraInstances>(argv[3]);
  if (!context.cameras->Error().empty()) {
    fprintf(stderr, "%s\n", context.cameras->Error().c_str());
    return 2;
  }
  return RUN_ALL_TESTS();
}
