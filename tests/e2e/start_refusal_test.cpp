// Starts that Wine's DirectShow cannot complete, and what they must leave behind: a result of
// 0, no graph in the Running Object Table, no frame, test.avi deleted; and in preview the one
// debug message when the capture stream cannot reach the RGB24 grabber.
#include <windows.h>

#include "debug_output.h"
#include "e2e_host.h"
#include "host_window.h"
#include "running_objects.h"

namespace {

using StartRefusalTest = LumigrabHostTest;

void CreateFileWithText(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, "old", 3, &written, nullptr);
  CloseHandle(file);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// "エラー RenderStream[<hr>]" as the Shift-JIS bytes the preview configuration sends.
std::string RenderStreamMessage(const char* hresult) {
  return std::string("\x83\x47\x83\x89\x81\x5B RenderStream[") + hresult + "]";
}

TEST_F(StartRefusalTest, WithoutDirectDrawControlInTheRendererNothingIsLeft) {
  // A camera without the stand-in: the graph is built with Wine's renderer, which has no
  // IDirectDrawVideo, so the start is refused after the capture stream was connected.
  HostWindow host(320, 240);
  DebugOutputRecorder debugOutput;
  EXPECT_EQ(library_.Start(host.Handle(), Device("twin-a"), 320, 240), 0);
  EXPECT_TRUE(FilterGraphsOfThisProcess().empty());
  int size = 77;
  EXPECT_EQ(library_.GetBitmap(&size, nullptr), 0);
  EXPECT_EQ(library_.Pause(1), 0);
  EXPECT_EQ(library_.ShowSetting(host.Handle()), 0);
  // The connection itself succeeded: no RenderStream complaint.
  EXPECT_TRUE(debugOutput.Messages().empty());
}

TEST_F(StartRefusalTest, EveryStartDeletesTestAviFirst) {
  // Preview starts the stand-in camera; recording is refused by Wine's capture graph builder,
  // which cannot make an AVI output (SetOutputFileName answers E_NOTIMPL).
  const std::string testAvi = TestAviPath();
  CreateFileWithText(testAvi);
  ASSERT_TRUE(Exists(testAvi));
  HostWindow host(640, 480);
  EXPECT_EQ(library_.Start(host.Handle(), Device("standin"), 640, 480), Preview() ? 1 : 0);
  EXPECT_FALSE(Exists(testAvi)) << testAvi;
  EXPECT_EQ(FilterGraphsOfThisProcess().size(), Preview() ? 1u : 0u);
  // Paused first: see PictureTest on Wine's clock and releasing a running graph.
  if (library_.Pause(1)) PumpMessagesFor(400);
  library_.Stop();
  EXPECT_TRUE(FilterGraphsOfThisProcess().empty());
}

TEST_F(StartRefusalTest, FolderNamedTestAviRefusesTheStartAndStays) {
  const std::string testAvi = TestAviPath();
  DeleteFileA(testAvi.c_str());
  ASSERT_TRUE(CreateDirectoryA(testAvi.c_str(), nullptr)) << testAvi;
  EXPECT_EQ(library_.Start(nullptr, Device("standin"), 640, 480), 0);
  EXPECT_TRUE(Exists(testAvi));
  EXPECT_TRUE(FilterGraphsOfThisProcess().empty());
  RemoveDirectoryA(testAvi.c_str());
}

TEST_F(StartRefusalTest, DepthTheGrabberCannotTakeIsReportedInPreview) {
  // Preview tries 16, 24, 12, 32 bits and keeps the first format the camera accepts, so each
  // of these sizes ends on a depth that is not RGB24 and the connection fails.
  const struct {
    const char* role;
    int width, height;
    const char* depth;
  } cases[] = {
      {"standin", 320, 240, "16 bits, tried before the 24-bit format of the same size"},
      {"odd-depths", 320, 240, "16 bits, the camera has no 24-bit format of that size"},
      {"odd-depths", 160, 120, "32 bits, the only depth of that size"},
      {"standin", 160, 120, "12 bits (I420), a format preview never lists"},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(std::string(entry.role) + " " + std::to_string(entry.width) + "x" +
                 std::to_string(entry.height) + ": " + entry.depth);
    DebugOutputRecorder debugOutput;
    EXPECT_EQ(library_.Start(nullptr, Device(entry.role), entry.width, entry.height), 0);
    EXPECT_TRUE(FilterGraphsOfThisProcess().empty());
    if (Preview()) {
      // VFW_E_CANNOT_CONNECT, lower-case hex, no line end.
      EXPECT_EQ(debugOutput.Messages(),
                std::vector<std::string>{RenderStreamMessage("80040217")});
    } else {
      EXPECT_TRUE(debugOutput.Messages().empty());
    }
  }
}

TEST_F(StartRefusalTest, SizeTheCameraDoesNotOfferIsRefused) {
  DebugOutputRecorder debugOutput;
  EXPECT_EQ(library_.Start(nullptr, Device("twin-b"), 640, 480), 0);
  EXPECT_TRUE(FilterGraphsOfThisProcess().empty());
  EXPECT_TRUE(debugOutput.Messages().empty());
}

}  // namespace
