// A host program for one built DLL: loads it by path, checks its version resource, and drives it
// against the platform's own DirectShow on a machine with no capture device.
//   dll_host_test <path of Lumigrab.dll> <expected file version, e.g. "1, 0, 0, 3"> [gtest flags]
#include <gtest/gtest.h>
#include <objbase.h>

#include "lumigrab_library.h"

namespace {

std::wstring dllPath;
std::wstring expectedVersion;

class DllHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(library_.Loaded()) << "missing: " << library_.Missing();
  }
  void TearDown() override {
    if (library_.Loaded()) library_.Deinit();
    CoUninitialize();
  }
  LumigrabLibrary library_{dllPath};
};

TEST(DllVersionResource, NamesTheConfigurationsVersionInJapaneseWithUnicodeCodePage) {
  const struct {
    const wchar_t* name;
    std::wstring expected;
  } cases[] = {
      {L"FileVersion", expectedVersion},
      {L"ProductVersion", expectedVersion},
      {L"FileDescription", L"Lumigrab DLL"},
      {L"InternalName", L"Lumigrab"},
  };
  for (const auto& entry : cases) {
    const VersionText text = ReadVersionText(dllPath, entry.name);
    ASSERT_TRUE(text.found) << "no " << testing::PrintToString(std::wstring(entry.name));
    EXPECT_EQ(text.value, entry.expected);
    EXPECT_EQ(text.language, 0x0411);
    EXPECT_EQ(text.codePage, 1200);
  }
}

TEST_F(DllHostTest, EveryExportGivesItsFixedAnswerBeforeInit) {
  char name[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  int width = -5, height = -5, bits = -5, size = 77;
  unsigned char image[4] = {9, 9, 9, 9};
  EXPECT_EQ(library_.GetDevicesCount(), 0);
  EXPECT_EQ(library_.GetDevicesName(name, sizeof name, 0), 0);
  EXPECT_EQ(library_.GetDevicesResolutionCount(0), 0);
  EXPECT_EQ(library_.GetDevicesResolution(0, 0, &width, &height, &bits), 0);
  EXPECT_EQ(library_.Start(nullptr, 0, 640, 480), 0);
  EXPECT_EQ(library_.Pause(1), 0);
  EXPECT_EQ(library_.GetBitmap(&size, nullptr), 0);
  EXPECT_EQ(library_.GetBitmap(&size, image), 0);
  EXPECT_EQ(library_.ShowSetting(nullptr), -1);
  library_.Stop();
  EXPECT_EQ(library_.Deinit(), 1);
  EXPECT_EQ(std::string(name, sizeof name), "xxxxxxxx");
  EXPECT_EQ(width, -5);
  EXPECT_EQ(height, -5);
  EXPECT_EQ(bits, -5);
  EXPECT_EQ(size, 77);
  EXPECT_EQ(image[0], 9);
}

TEST_F(DllHostTest, WithoutCaptureDevicesNothingIsListedAndStartIsRefused) {
  ASSERT_EQ(library_.Init(), 1);
  EXPECT_EQ(library_.GetDevicesCount(), 0);
  char name[16] = {};
  EXPECT_EQ(library_.GetDevicesName(name, sizeof name, 0), 0);
  EXPECT_EQ(library_.GetDevicesResolutionCount(0), 0);
  EXPECT_EQ(library_.Start(nullptr, 0, 640, 480), 0);
  int size = 0;
  EXPECT_EQ(library_.GetBitmap(&size, nullptr), 0);
  EXPECT_EQ(library_.Pause(1), 0);
  EXPECT_EQ(library_.ShowSetting(nullptr), 0);
  library_.Stop();
  EXPECT_EQ(library_.Deinit(), 1);
  EXPECT_EQ(library_.Deinit(), 1);
  EXPECT_EQ(library_.GetDevicesCount(), 0);
}

TEST_F(DllHostTest, InitTwiceReplacesTheEngine) {
  EXPECT_EQ(library_.Init(), 1);
  EXPECT_EQ(library_.Init(), 1);
  EXPECT_EQ(library_.GetDevicesCount(), 0);
  EXPECT_EQ(library_.ShowSetting(nullptr), 0);  // an engine exists: 0, not -1
  EXPECT_EQ(library_.Deinit(), 1);
  EXPECT_EQ(library_.ShowSetting(nullptr), -1);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 3) {
    fprintf(stderr, "usage: dll_host_test <Lumigrab.dll> <expected file version>\n");
    return 2;
  }
  dllPath = Widen(argv[1]);
  expectedVersion = Widen(argv[2]);
  return RUN_ALL_TESTS();
}
