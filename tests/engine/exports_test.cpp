// The exported functions: fixed answers without an engine, the engine's life through the exports,
// the name export's argument order and checks, and the capture file path of Dll_Start.
#include <cstring>
#include <string>
#include <vector>

#include "engine_test.h"
#include "exports/engine_instance.h"
#include "lumigrab.h"

namespace lumigrab::fake {
namespace {

class ExportsTest : public FakeWorldTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, CurrentEngine());
    OnTearDown([] { lumigrab::DestroyEngine(); });
  }
};

const HWND kWindow = reinterpret_cast<HWND>(0x5150);

TEST_F(ExportsTest, WithoutAnEngineEveryExportGivesItsFixedAnswerAndTouchesNothing) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  char name[8];
  std::memset(name, '#', sizeof name);
  int width = -7, height = -7, bitCount = -7, size = -7;
  unsigned char image[8];
  std::memset(image, '#', sizeof image);

  EXPECT_EQ(0, Dll_GetDevicesCount());
  EXPECT_EQ(0, Dll_GetDevicesName(name, sizeof name, 0));
  EXPECT_EQ(0, Dll_GetDevicesResolutionCount(0));
  EXPECT_EQ(0, Dll_GetDevicesResolution(0, 0, &width, &height, &bitCount));
  EXPECT_EQ(0, Dll_Start(kWindow, 0, 640, 480));
  Dll_Stop();
  EXPECT_EQ(0, Dll_Pause(1));
  EXPECT_EQ(0, Dll_GetBitmap(&size, nullptr));
  EXPECT_EQ(0, Dll_GetBitmap(&size, image));
  EXPECT_EQ(-1, Dll_ShowSetting(kWindow));
  EXPECT_EQ(1, Dll_DEINIT());

  EXPECT_EQ(std::string(8, '#'), std::string(name, sizeof name));
  EXPECT_EQ(std::string(8, '#'), std::string(reinterpret_cast<char*>(image), sizeof image));
  EXPECT_EQ(-7, width);
  EXPECT_EQ(-7, height);
  EXPECT_EQ(-7, bitCount);
  EXPECT_EQ(-7, size);
  EXPECT_EQ(nullptr, CurrentEngine());
  EXPECT_EQ(0, world.CallCount());
}

TEST_F(ExportsTest, MakingTheEngineAgainDestroysTheFirstBeforeListingAnew) {
  world.AddVideoDevice(DeviceScript(L"Alpha"));
  lumigrab::CreateEngine(platform);
  CaptureEngine* first = CurrentEngine();
  ASSERT_NE(nullptr, first);
  IMoniker* firstMoniker = first->videoDeviceMonikers[0];
  const int before = world.CallCount();

  lumigrab::CreateEngine(platform);

  ASSERT_NE(nullptr, CurrentEngine());
  EXPECT_EQ(1, Dll_GetDevicesCount());
  // The first engine is stopped (by the exports and by its destructor) before anything is listed.
  std::vector<std::string> calls;
  for (size_t i = static_cast<size_t>(before); i < world.Journal().size(); ++i) {
    calls.push_back(world.Journal()[i].text);
  }
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ((std::vector<std::string>{"Platform.GetRunningObjectTable(0)", "ROT.Revoke(0x0)",
                                      "Platform.GetRunningObjectTable(0)", "ROT.Revoke(0x0)"}),
            std::vector<std::string>(calls.begin(), calls.begin() + 4));
  EXPECT_EQ(0u, calls[4].rfind("Platform.CreateInstance(SystemDeviceEnum", 0));
  EXPECT_EQ(0, world.ObjectAt(firstMoniker)->References());
  EXPECT_NE(firstMoniker, CurrentEngine()->videoDeviceMonikers[0]);
  EXPECT_EQ(std::vector<std::string>{"Moniker(Video0) (1 reference)"}, world.LiveObjects());
}

TEST_F(ExportsTest, DeinitTwiceStopsAndDestroysOnceThenDoesNothing) {
  world.AddVideoDevice(DeviceScript(L"Alpha"));
  lumigrab::CreateEngine(platform);
  const int before = world.CallCount();
  EXPECT_EQ(1, Dll_DEINIT());
  EXPECT_EQ(nullptr, CurrentEngine());
  EXPECT_EQ(before + 4, world.CallCount());  // Stop by the export, Stop by the destructor
  EXPECT_TRUE(world.LiveObjects().empty());
  EXPECT_EQ(1, Dll_DEINIT());
  EXPECT_EQ(before + 4, world.CallCount());
  EXPECT_EQ(0, Dll_GetDevicesCount());
}

struct NameCall {
  bool buffer;
  int length;
  int index;
  int result;
  std::string written;
};

void PrintTo(const NameCall& c, std::ostream* os) {
  *os << "length " << c.length << " index " << c.index;
}

class DeviceNameExport : public ExportsTest, public ::testing::WithParamInterface<NameCall> {};

TEST_P(DeviceNameExport, TakesBufferLengthThenIndexAndRefusesUnsafeArguments) {
  const NameCall& c = GetParam();
  world.AddVideoDevice(DeviceScript(L"Alpha"));
  world.AddVideoDevice(DeviceScript(L"Beta"));
  lumigrab::CreateEngine(platform);
  ASSERT_EQ(2, Dll_GetDevicesCount());
  char name[16];
  std::memset(name, '#', sizeof name);
  EXPECT_EQ(c.result, Dll_GetDevicesName(c.buffer ? name : nullptr, c.length, c.index));
  std::string expected = c.written;
  expected.append(sizeof name - expected.size(), '#');
  EXPECT_EQ(expected, std::string(name, sizeof name));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, DeviceNameExport,
    ::testing::Values(NameCall{true, 8, 1, 1, std::string("Beta\0\0\0\0", 8)},
                      NameCall{true, 8, 0, 1, std::string("Alpha\0\0\0", 8)},
                      NameCall{true, 4, 1, 1, "Beta"}, NameCall{true, 2, 0, 1, "Al"},
                      NameCall{true, 0, 1, 1, ""}, NameCall{true, 8, 2, 0, ""},
                      NameCall{true, 8, -1, 0, ""}, NameCall{true, -1, 0, 0, ""},
                      NameCall{true, -100, 1, 0, ""}, NameCall{false, 8, 0, 0, ""},
                      NameCall{false, 0, 0, 1, ""}));

struct TempPathCase {
  const char* name;
  std::string folder;
  bool getTempPathFails;
  std::string path;
};

void PrintTo(const TempPathCase& c, std::ostream* os) { *os << c.name; }

class CaptureFilePath : public ExportsTest, public ::testing::WithParamInterface<TempPathCase> {};

TEST_P(CaptureFilePath, PutsExactlyOneBackslashBeforeTheFileName) {
  const TempPathCase& c = GetParam();
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  platform.tempPath = c.folder;
  if (c.getTempPathFails) world.FailCall("Platform.GetTempPathA", 0, E_FAIL);
  // The start is made to fail early: only the path it looked up matters here.
  world.FailCall("Platform.CreateInstance(FilterGraph)", 0, E_FAIL);
  lumigrab::CreateEngine(platform);

  EXPECT_EQ(0, Dll_Start(kWindow, 0, 640, 480));
  ASSERT_EQ(1, world.CountCalls("Platform.GetTempPathA"));
  EXPECT_EQ(std::vector<std::string>{"Platform.GetTempPathA(300)"},
            world.CallsTo("Platform.GetTempPathA"));
  ASSERT_EQ(1u, platform.fileAttributeQueries.size());
  EXPECT_EQ(c.path, platform.fileAttributeQueries[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, CaptureFilePath,
    ::testing::Values(TempPathCase{"TrailingBackslash", "C:\\Temp\\", false, "C:\\Temp\\test.avi"},
                      TempPathCase{"NoTrailingBackslash", "C:\\Temp", false, "C:\\Temp\\test.avi"},
                      TempPathCase{"Root", "C:\\", false, "C:\\test.avi"},
                      TempPathCase{"ForwardSlashIsNoBackslash", "D:/scratch/", false,
                                   "D:/scratch/\\test.avi"},
                      // The engine's choice when no folder can be had: the bare name.
                      TempPathCase{"GetTempPathFails", "C:\\Temp\\", true, "test.avi"},
                      TempPathCase{"FolderTooLongForTheBuffer",
                                   "C:\\" + std::string(297, 'd') + "\\", false, "test.avi"}),
    [](const ::testing::TestParamInfo<TempPathCase>& info) { return info.param.name; });

}  // namespace
}  // namespace lumigrab::fake
