// The live picture of the preview configuration on the camera with a stand-in renderer (Wine's
// own renderers offer no DirectDraw control, so a start without it is refused): still frames,
// freeze, DirectDraw switched off, the settings pages, the Running Object Table entry.
#include <windows.h>

#include "bmp_check.h"
#include "e2e_host.h"
#include "host_window.h"
#include "running_objects.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

class PictureTest : public LumigrabHostTest {
 protected:
  void SetUp() override {
    LumigrabHostTest::SetUp();
    if (HasFatalFailure()) return;
    if (!Preview()) {
      GTEST_SKIP() << "the recording configuration cannot start under Wine (no AVI output)";
    }
    ASSERT_NE(host_.Handle(), nullptr);
    device_ = Device("standin");
    ASSERT_GE(device_, 0);
    ASSERT_EQ(library_.Start(host_.Handle(), device_, kWidth, kHeight), 1);
  }

  void TearDown() override {
    SettleClockBeforeRelease();
    LumigrabHostTest::TearDown();
  }

  // Wine 8.0's system clock can deadlock when a graph is released while the clock's advise
  // thread is between two waits: the release's wake-up is lost and it waits for that thread
  // forever. A paused graph stops asking the clock for frame times, so after a short while the
  // thread sleeps and the release that follows (Dll_Stop, Dll_DEINIT) finds it asleep.
  void SettleClockBeforeRelease() {
    if (library_.Pause(1)) PumpMessagesFor(400);
  }

  // A still frame checked against the camera picture; its frame number.
  uint32_t GrabChecked(std::vector<uint8_t>* image = nullptr) {
    const std::vector<uint8_t> grabbed = Grab();
    uint32_t frame = 0;
    EXPECT_EQ(CheckCameraBmp(grabbed.data(), grabbed.size(), kWidth, kHeight,
                             Cameras().ByRole("standin").seed, &frame),
              "");
    if (image != nullptr) *image = grabbed;
    return frame;
  }

  HostWindow host_{kWidth, kHeight};
  int device_ = -1;
};

TEST_F(PictureTest, StillFramesAreCompleteBmpsOfAdvancingCameraFrames) {
  int size = 0;
  ASSERT_EQ(library_.GetBitmap(&size, nullptr), 1);
  EXPECT_EQ(size, kWidth * kHeight * 3 + 54);
  const uint32_t first = GrabChecked();
  PumpMessagesFor(300);
  const uint32_t second = GrabChecked();
  EXPECT_GT(second, first);
  // The size stays the same while the picture runs.
  ASSERT_EQ(library_.GetBitmap(&size, nullptr), 1);
  EXPECT_EQ(size, kWidth * kHeight * 3 + 54);
}

TEST_F(PictureTest, BufferOneByteShortIsRefusedAndNotWritten) {
  int size = 0;
  ASSERT_EQ(library_.GetBitmap(&size, nullptr), 1);
  std::vector<uint8_t> buffer(static_cast<size_t>(size), 0xA5);
  int shortSize = size - 1;
  EXPECT_EQ(library_.GetBitmap(&shortSize, buffer.data()), 0);
  EXPECT_EQ(shortSize, size - 1);
  EXPECT_EQ(buffer, std::vector<uint8_t>(static_cast<size_t>(size), 0xA5));
}

TEST_F(PictureTest, FreezeHoldsOneImageUntilResumed) {
  GrabChecked();  // a frame has arrived, so the freeze holds a picture
  ASSERT_EQ(library_.Pause(1), 1);
  std::vector<uint8_t> before, after;
  const uint32_t frozen = GrabChecked(&before);
  PumpMessagesFor(800);
  GrabChecked(&after);
  EXPECT_TRUE(before == after) << "the frozen image changed";

  ASSERT_EQ(library_.Pause(0), 1);
  PumpMessagesFor(500);
  EXPECT_GT(GrabChecked(), frozen);
}

TEST_F(PictureTest, DirectDrawIsSwitchedOffInTheRenderer) {
  // The stand-in renderer publishes the last SetSwitches value; it deletes the value when it is
  // made, so a value here comes from this start.
  DWORD switches = 0xFFFFFFFF, bytes = sizeof switches;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\LumigrabTestCamera", L"LastSwitches",
                         RRF_RT_REG_DWORD, nullptr, &switches, &bytes),
            ERROR_SUCCESS)
      << "SetSwitches was never called";
  EXPECT_EQ(switches, 0u) << "expected AMDDS_NONE";
}

TEST_F(PictureTest, VideoWindowBecomesAChildOfTheHostWindow) {
  EXPECT_FALSE(ChildWindowClasses(host_.Handle()).empty());
}

TEST_F(PictureTest, SettingsPagesAreShownAndReturnWhenClosed) {
  DialogCloser closer(500);
  EXPECT_EQ(library_.ShowSetting(host_.Handle()), 1);
  closer.Finish();
  ASSERT_FALSE(closer.ClosedTitles().empty()) << "no dialog of this process was shown";
  // The frame is titled with the name under which the source stands in the graph.
  EXPECT_NE(closer.ClosedTitles().front().find(L"Video Capture"), std::wstring::npos);
}

TEST_F(PictureTest, StopRevokesTheGraphAndASecondStartRuns) {
  EXPECT_EQ(FilterGraphsOfThisProcess().size(), 1u);
  SettleClockBeforeRelease();
  library_.Stop();
  EXPECT_TRUE(FilterGraphsOfThisProcess().empty());
  int size = 77;
  EXPECT_EQ(library_.GetBitmap(&size, nullptr), 0);
  EXPECT_EQ(size, 77);

  ASSERT_EQ(library_.Start(host_.Handle(), device_, kWidth, kHeight), 1);
  EXPECT_EQ(FilterGraphsOfThisProcess().size(), 1u);
  GrabChecked();
  SettleClockBeforeRelease();
  library_.Stop();
  EXPECT_TRUE(FilterGraphsOfThisProcess().empty());
}

}  // namespace
