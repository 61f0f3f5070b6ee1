// The Sample Grabber fake must answer as the real one does, since the engine's still-frame loop is
// written against exactly these answers.
#include "selftest_helpers.h"

namespace lumigrab::fake {
namespace {

using Grabber = FakeWorldTest;

struct ConnectionCase {
  Capability capability;
  std::optional<DWORD> imageSizeOverride;
  HRESULT connect;
  LONG width;
  DWORD imageSize;
};

class GrabberConnection : public FakeWorldTest,
                          public ::testing::WithParamInterface<ConnectionCase> {};

TEST_P(GrabberConnection, ConnectsInRgb24WithPaddedRows) {
  const ConnectionCase& c = GetParam();
  DeviceScript script(L"Camera");
  script.With(c.capability).CannotDeliverRgb24At(12);
  if (c.imageSizeOverride) script.ConnectedImageSize(*c.imageSizeOverride);
  world.AddVideoDevice(script);
  GrabberGraph graph;
  ASSERT_EQ(S_OK, graph.Build(platform));
  AM_MEDIA_TYPE connected = {};
  EXPECT_EQ(VFW_E_NOT_CONNECTED, graph.grabber->GetConnectedMediaType(&connected));

  ASSERT_EQ(c.connect, graph.Connect());
  if (FAILED(c.connect)) {
    EXPECT_EQ(VFW_E_NOT_CONNECTED, graph.grabber->GetConnectedMediaType(&connected));
    return;
  }
  ASSERT_EQ(S_OK, graph.grabber->GetConnectedMediaType(&connected));
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, connected.subtype));
  const VIDEOINFOHEADER* header = VideoInfoOf(connected);
  ASSERT_NE(nullptr, header);
  EXPECT_EQ(c.width, header->bmiHeader.biWidth);
  EXPECT_EQ(24, header->bmiHeader.biBitCount);
  EXPECT_EQ(c.imageSize, header->bmiHeader.biSizeImage);
  CoTaskMemFree(connected.pbFormat);
  // No renderer for a grabber at the end of the stream.
  EXPECT_FALSE(world.ObjectsOf<FakeFilterGraph>()[0]->HasVideoRenderer());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, GrabberConnection,
    ::testing::Values(ConnectionCase{Cap(640, 480, 24), std::nullopt, S_OK, 640, 921600},
                      ConnectionCase{Cap(321, 10, 16), std::nullopt, S_OK, 321, 9640},
                      ConnectionCase{Cap(640, 480, 32), 0u, S_OK, 640, 0},
                      ConnectionCase{Cap(320, 240, 12), std::nullopt, VFW_E_CANNOT_CONNECT, 0, 0}));

TEST_F(Grabber, AnswersBeforeConnectionAndBeforeBuffering) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(8, 2, 24)));
  world.grabber.answers = {GrabberAnswer::Sample({1, 2, 3})};
  GrabberGraph graph;
  ASSERT_EQ(S_OK, graph.Build(platform));
  LONG size = 0;
  EXPECT_EQ(E_POINTER, graph.grabber->GetCurrentBuffer(nullptr, nullptr));
  EXPECT_EQ(VFW_E_NOT_CONNECTED, graph.grabber->GetCurrentBuffer(&size, nullptr));
  ASSERT_EQ(S_OK, graph.Connect());
  EXPECT_EQ(E_INVALIDARG, graph.grabber->GetCurrentBuffer(&size, nullptr));
  ASSERT_EQ(S_OK, graph.grabber->SetBufferSamples(TRUE));
  EXPECT_EQ(S_OK, graph.grabber->GetCurrentBuffer(&size, nullptr));
  EXPECT_EQ(3, size);
}

struct BufferStep {
  LONG sizeIn;
  bool withBuffer;
  HRESULT result;
  LONG sizeOut;
  int bytesCopied;
};

struct BufferCase {
  const char* name;
  std::vector<GrabberAnswer> answers;
  std::vector<BufferStep> steps;
};

class GrabberBuffer : public FakeWorldTest, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(GrabberBuffer, AnswersInScriptedOrderWithTheRealSemantics) {
  const BufferCase& c = GetParam();
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(8, 2, 24)));
  world.grabber.answers = c.answers;
  GrabberGraph graph;
  ASSERT_EQ(S_OK, graph.Build(platform));
  ASSERT_EQ(S_OK, graph.Connect());
  ASSERT_EQ(S_OK, graph.grabber->SetBufferSamples(TRUE));
  for (size_t i = 0; i < c.steps.size(); ++i) {
    const BufferStep& step = c.steps[i];
    std::vector<unsigned char> buffer(16, 0xEE);
    LONG size = step.sizeIn;
    EXPECT_EQ(step.result,
              graph.grabber->GetCurrentBuffer(
                  &size, step.withBuffer ? reinterpret_cast<LONG*>(buffer.data()) : nullptr))
        << "step " << i;
    EXPECT_EQ(step.sizeOut, size) << "step " << i;
    for (int b = 0; b < 16; ++b) {
      const unsigned char expected =
          b < step.bytesCopied ? static_cast<unsigned char>(b + 1) : 0xEE;
      EXPECT_EQ(expected, buffer[static_cast<size_t>(b)]) << "step " << i << " byte " << b;
    }
  }
  const auto& requests = world.ObjectsOf<FakeSampleGrabber>()[0]->bufferRequests;
  ASSERT_EQ(c.steps.size(), requests.size());
  for (size_t i = 0; i < c.steps.size(); ++i) {
    EXPECT_EQ(c.steps[i].sizeIn, requests[i].size.value_or(-1));
    EXPECT_EQ(c.steps[i].withBuffer, requests[i].withBuffer);
  }
}

const std::vector<unsigned char> kSample = {1, 2, 3, 4, 5, 6};

INSTANTIATE_TEST_SUITE_P(
    Answers, GrabberBuffer,
    ::testing::Values(
        BufferCase{"NothingScripted", {}, {{0, false, VFW_E_WRONG_STATE, 0, 0}}},
        BufferCase{"WaitThenSampleWhichStays",
                   {GrabberAnswer::NoSampleYet(), GrabberAnswer::NoSampleYet(),
                    GrabberAnswer::Sample(kSample)},
                   {{0, false, VFW_E_WRONG_STATE, 0, 0},
                    {0, false, VFW_E_WRONG_STATE, 0, 0},
                    {0, false, S_OK, 6, 0},
                    {6, true, S_OK, 6, 6},
                    {16, true, S_OK, 6, 6}}},
        BufferCase{"TooSmallAsksForMore",
                   {GrabberAnswer::Sample(kSample)},
                   {{5, true, E_OUTOFMEMORY, 6, 0}}},
        BufferCase{"ScriptedResults",
                   {GrabberAnswer::Result(S_OK, 0), GrabberAnswer::Result(S_FALSE),
                    GrabberAnswer::Result(E_FAIL)},
                   {{9, false, S_OK, 0, 0}, {9, false, S_FALSE, 9, 0}, {9, true, E_FAIL, 9, 0}}}),
    [](const ::testing::TestParamInfo<BufferCase>& info) { return info.param.name; });

}  // namespace
}  // namespace lumigrab::fake
