// The preview graph (preview stream to the renderer, capture stream optionally to a Sample
// Grabber), the grabber added on its own, and the recording switch of the capture streams.
#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine_test.h"

namespace lumigrab::fake {
namespace {

const HWND kWindow = reinterpret_cast<HWND>(0x5150);    // 640x480
const HWND kNoWindow = reinterpret_cast<HWND>(0x9990);  // a handle no window has

constexpr char kCaptureFile[] = "C:\\Users\\tester\\AppData\\Local\\Temp\\test.avi";

#if LUMIGRAB_RECORDING
constexpr int kTrialOrder[] = {12, 16, 24, 32};
#else
constexpr int kTrialOrder[] = {16, 24, 12, 32};
#endif

// The registration's item moniker names the graph by its address, which differs between worlds.
// The calls since `from`, with the item moniker's name (it holds a pointer) left out.
std::vector<std::string> CallsSinceWithoutMonikerNames(const FakeWorld& world, int from) {
  const std::string itemMoniker = "Platform.CreateItemMoniker(";
  std::vector<std::string> calls = world.CallsSince(from);
  for (std::string& text : calls) {
    if (text.rfind(itemMoniker, 0) == 0) text = itemMoniker + "...)";
  }
  return calls;
}

// Compares journal lines; an expected line ending in '*' only has to start the actual one.
::testing::AssertionResult JournalMatches(const std::vector<std::string>& expected,
                                          const std::vector<std::string>& actual) {
  const size_t common = std::min(expected.size(), actual.size());
  for (size_t i = 0; i < common; ++i) {
    const std::string& want = expected[i];
    const bool prefix = !want.empty() && want.back() == '*';
    const bool same =
        prefix ? actual[i].rfind(want.substr(0, want.size() - 1), 0) == 0 : actual[i] == want;
    if (!same) {
      return ::testing::AssertionFailure()
             << "call " << i + 1 << ": expected " << want << ", got " << actual[i];
    }
  }
  if (expected.size() != actual.size()) {
    return ::testing::AssertionFailure()
           << expected.size() << " calls expected, " << actual.size() << " made";
  }
  return ::testing::AssertionSuccess();
}

// The calls of a start on a camera offering 640x480 at 24 bits only.
std::vector<std::string> ExpectedStart(bool compression, bool grabber, bool directDraw) {
  std::vector<std::string> calls = {
      // An earlier graph is stopped first; on a fresh engine that only revokes cookie 0.
      "Platform.GetRunningObjectTable(0)",
      "ROT.Revoke(0x0)",
      "Platform.CreateInstance(FilterGraph, outer=null, CLSCTX_INPROC, IGraphBuilder)",
      "Platform.GetRunningObjectTable(0)",
      "Platform.GetCurrentProcessId()",
      "Platform.CreateItemMoniker(*",
      "ROT.Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, Graph, ItemMoniker)",
      // The device goes in before the builder is made, the reverse of StartCapture.
      "Moniker(Video0).BindToObject(null, null, IBaseFilter)",
      "Graph.AddFilter(Video0, \"Video Capture\")",
      "Platform.CreateInstance(CaptureGraphBuilder2, outer=null, CLSCTX_INPROC, "
      "ICaptureGraphBuilder2)",
      "Builder.SetFiltergraph(Graph)",
      "Builder.FindInterface(CAPTURE, Video, Video0, IAMVideoCompression)",
  };
  if (compression) calls.push_back("Video0.Pin.put_Quality(0.000000)");
  for (int bitCount : kTrialOrder) {
    calls.push_back("Builder.FindInterface(CAPTURE, Video, Video0, IAMStreamConfig)");
    calls.push_back("Video0.Pin.GetNumberOfCapabilities()");
    calls.push_back("Video0.Pin.GetStreamCaps(0)");
    if (bitCount == 24) {
      calls.push_back("Video0.Pin.SetFormat(Video/RGB24/VideoInfo 640x480x24 *");
      break;
    }
  }
  calls.push_back(
      "Builder.RenderStream(PREVIEW, Video, source=Video0, intermediate=null, sink=null)");
  if (grabber) {
    calls.insert(calls.end(),
                 {"Platform.CreateInstance(SampleGrabber, outer=null, CLSCTX_INPROC_SERVER, "
                  "IBaseFilter)",
                  "Grabber.QueryInterface(ISampleGrabber)", "Grabber.SetMediaType(Video/RGB24/*",
                  "Graph.AddFilter(Grabber, \"GrabberVideo\")",
                  "Builder.RenderStream(CAPTURE, Video, source=Video0, intermediate=null, "
                  "sink=Grabber)",
                  "Grabber.GetConnectedMediaType()", "Grabber.SetBufferSamples(TRUE)"});
  }
  if (directDraw) {
    calls.insert(calls.end(),
                 {"Graph.FindFilterByName(\"Video Renderer\")",
                  "Renderer.QueryInterface(IDirectDrawVideo)", "Renderer.SetSwitches(0x0)"});
  }
  calls.insert(calls.end(),
               {"Graph.QueryInterface(IVideoWindow)", "Platform.IsWindow(0x5150)",
                "Graph.put_Owner(0x5150)", "Graph.put_WindowStyle(0x40000000)",
                "Platform.GetClientRect(0x5150)", "Graph.SetWindowPosition(0, 0, 640, 480)",
                "Graph.put_Visible(-1)", "Graph.QueryInterface(IMediaControl)", "Graph.Run()"});
  return calls;
}

class PreviewTest : public EngineTest {
 protected:
  void SetUp() override { platform.AddWindow(kWindow, 640, 480); }
  FakeDevice& AddCamera() {
    return world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  }
  FakeFilterGraph& Graph() { return *world.ObjectsOf<FakeFilterGraph>().back(); }
  FakeCaptureGraphBuilder& Builder() { return *world.ObjectsOf<FakeCaptureGraphBuilder>().back(); }
  // Only the device monikers the engine keeps are still referenced.
  std::vector<std::string> MonikersOnly() const { return {"Moniker(Video0) (1 reference)"}; }
};

// --- A successful start
// ----------------------------------------------------------------------------

struct StartCase {
  const char* name;
  bool compression;
  int addGrabber;
  int disableDirectDraw;
};

void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class SuccessfulStart : public PreviewTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(SuccessfulStart, BuildsInItsOwnOrderAndRuns) {
  const StartCase& c = GetParam();
  DeviceScript script = DeviceScript(L"Camera").With(Cap(640, 480, 24));
  if (c.compression) script.WithVideoCompression();
  FakeDevice& camera = world.AddVideoDevice(script);
  CaptureEngine& engine = MakeEngine();
  engine.frozen = 1;
  const BITMAPFILEHEADER fileHeaderBefore = engine.bitmapFileHeader;
  const int before = world.CallCount();

  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, c.addGrabber, c.disableDirectDraw));

  EXPECT_TRUE(
      JournalMatches(ExpectedStart(c.compression, c.addGrabber != 0, c.disableDirectDraw != 0),
                     CallsSinceWithoutMonikerNames(world, before)));
  FakeCaptureFilter& source = *camera.filters.at(0);
  EXPECT_EQ(c.compression ? std::vector<double>{0.0} : std::vector<double>{}, source.pin.qualities);

  FakeFilterGraph& graph = Graph();
  EXPECT_EQ(State_Running, graph.state);
  EXPECT_EQ(0, engine.frozen);
  EXPECT_EQ(&graph, world.FakeAt<FakeFilterGraph>(engine.graph));
  EXPECT_EQ(&source, world.FakeAt<FakeCaptureFilter>(engine.videoSource));
  EXPECT_EQ(&Builder(), world.FakeAt<FakeCaptureGraphBuilder>(engine.captureBuilder));
  EXPECT_EQ(&graph, world.FakeAt<FakeFilterGraph>(engine.videoWindow));
  EXPECT_EQ(&graph, world.FakeAt<FakeFilterGraph>(engine.mediaControl));
  ASSERT_EQ(1u, platform.Rot().registrations.size());
  EXPECT_EQ(engine.rotCookie, platform.Rot().registrations[0].cookie);
  EXPECT_EQ(reinterpret_cast<OAHWND>(kWindow), graph.window.owner);
  EXPECT_EQ(WS_CHILD, graph.window.style);
  EXPECT_EQ(OATRUE, graph.window.visible);
  // Neither audio, crossbar nor file in a preview graph.
  EXPECT_EQ(nullptr, engine.audioSource);
  EXPECT_EQ(nullptr, engine.crossbarRouter);
  EXPECT_EQ(nullptr, engine.aviMux);
  EXPECT_EQ(nullptr, engine.fileSink);
  EXPECT_EQ(nullptr, engine.aviMuxConfig);
  EXPECT_TRUE(Builder().outputFiles.empty());
  EXPECT_TRUE(Builder().controlStreams.empty());

  int size = -7;
  if (c.addGrabber == 0) {
    EXPECT_EQ(nullptr, engine.grabberFilter);
    EXPECT_EQ(nullptr, engine.sampleGrabber);
    EXPECT_EQ(nullptr, engine.frameBuffer);
    EXPECT_TRUE(world.ObjectsOf<FakeSampleGrabber>().empty());
    EXPECT_EQ(0, std::memcmp(&fileHeaderBefore, &engine.bitmapFileHeader, sizeof fileHeaderBefore));
    EXPECT_EQ(0, engine.GetBitmap(&size, nullptr));
    EXPECT_EQ(-7, size);
  } else {
    ASSERT_EQ(1u, world.ObjectsOf<FakeSampleGrabber>().size());
    FakeSampleGrabber& grabber = *world.ObjectsOf<FakeSampleGrabber>()[0];
    EXPECT_EQ(&grabber, world.FakeAt<FakeSampleGrabber>(engine.grabberFilter));
    EXPECT_EQ(&grabber, world.FakeAt<FakeSampleGrabber>(engine.sampleGrabber));
    EXPECT_EQ(L"GrabberVideo", grabber.NameInGraph());
    EXPECT_EQ(std::vector<BOOL>{TRUE}, grabber.bufferSamplesCalls);
    EXPECT_EQ(0, std::memcmp(&grabber.connectedFormat.bmiHeader, &engine.bitmapInfoHeader,
                             sizeof(BITMAPINFOHEADER)));
    EXPECT_EQ(640u * 480u * 3u, engine.bitmapInfoHeader.biSizeImage);
    EXPECT_EQ(640u * 480u * 3u + 54u, engine.bitmapFileHeader.bfSize);
    EXPECT_NE(nullptr, engine.frameBuffer);
    EXPECT_EQ(1, engine.GetBitmap(&size, nullptr));
    EXPECT_EQ(static_cast<int>(640 * 480 * 3 + 54), size);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SuccessfulStart,
                         ::testing::Values(StartCase{"PictureOnly", false, 0, 0},
                                           StartCase{"WithGrabber", false, 1, 0},
                                           StartCase{"WithoutDirectDraw", false, 0, 1},
                                           StartCase{"EverythingOnACompressingPin", true, 7, -1}),
                         [](const ::testing::TestParamInfo<StartCase>& info) {
                           return std::string(info.param.name);
                         });

class DeviceIndexOutside : public PreviewTest, public ::testing::WithParamInterface<int> {};

TEST_P(DeviceIndexOutside, ChangesNothingAndKeepsARunningGraph) {
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));
  IGraphBuilder* const graph = engine.graph;
  const DWORD cookie = engine.rotCookie;
  const int before = world.CallCount();

  EXPECT_EQ(0, engine.StartPreview(kWindow, GetParam(), 640, 480, 1, 0));

  EXPECT_EQ(before, world.CallCount());
  EXPECT_EQ(graph, engine.graph);
  EXPECT_EQ(cookie, engine.rotCookie);
  EXPECT_NE(nullptr, engine.sampleGrabber);
  EXPECT_EQ(State_Running, Graph().state);
  EXPECT_EQ(1u, platform.Rot().registrations.size());
}

// One device: index 1 equals the count.
INSTANTIATE_TEST_SUITE_P(Indexes, DeviceIndexOutside, ::testing::Values(-1, 1, 16, INT_MIN));

class StartOverARunningGraph : public PreviewTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StartOverARunningGraph, StopsAndReleasesTheEarlierGraphFirst) {
  const bool earlierWasCapture = GetParam();
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  if (earlierWasCapture) {
    ASSERT_EQ(1, engine.StartCapture(kCaptureFile, 0, -1, 640, 480, kWindow, 0));
  } else {
    ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));
  }
  FakeFilterGraph& first = Graph();
  const DWORD firstCookie = engine.rotCookie;
  const int before = world.CallCount();

  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));

  const std::vector<std::string> calls = CallsSinceWithoutMonikerNames(world, before);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ((std::vector<std::string>{
                "Platform.GetRunningObjectTable(0)", "ROT.Revoke(" + Hex(firstCookie) + ")",
                first.Name() + ".Stop()",
                "Platform.CreateInstance(FilterGraph, outer=null, CLSCTX_INPROC, IGraphBuilder)"}),
            std::vector<std::string>(calls.begin(), calls.begin() + 4));
  EXPECT_EQ(0, first.References());
  EXPECT_EQ(State_Stopped, first.state);
  ASSERT_NE(&first, &Graph());
  ASSERT_EQ(1u, platform.Rot().registrations.size());
  EXPECT_EQ(Graph().Name(), platform.Rot().registrations[0].object);
  EXPECT_EQ(engine.rotCookie, platform.Rot().registrations[0].cookie);
  // The first graph's grabber went with it.
  EXPECT_EQ(2u, world.ObjectsOf<FakeSampleGrabber>().size());
  EXPECT_EQ(0, world.ObjectsOf<FakeSampleGrabber>()[0]->References());
}

INSTANTIATE_TEST_SUITE_P(EarlierStart, StartOverARunningGraph, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Capture" : "Preview");
                         });

// --- Compression and bit counts
// --------------------------------------------------------------------

struct CompressionCase {
  const char* name;
  bool offered;
  const char* failing;  // the key injected to fail, or null
  std::vector<double> qualities;
};

void PrintTo(const CompressionCase& c, std::ostream* os) { *os << c.name; }

class CompressionQuality : public PreviewTest,
                           public ::testing::WithParamInterface<CompressionCase> {};

TEST_P(CompressionQuality, IsAskedForTheLowestAndNeverStopsTheStart) {
  const CompressionCase& c = GetParam();
  DeviceScript script = DeviceScript(L"Camera").With(Cap(640, 480, 24));
  if (c.offered) script.WithVideoCompression();
  FakeDevice& camera = world.AddVideoDevice(script);
  if (c.failing != nullptr) world.FailCall(c.failing, 0, E_FAIL);
  CaptureEngine& engine = MakeEngine();

  EXPECT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));

  EXPECT_EQ(1, world.CountCalls("Builder.FindInterface(IAMVideoCompression)"));
  EXPECT_EQ(c.qualities, camera.filters.at(0)->pin.qualities);
  EXPECT_EQ(State_Running, Graph().state);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompressionQuality,
    ::testing::Values(CompressionCase{"Offered", true, nullptr, {0.0}},
                      CompressionCase{"NotOffered", false, nullptr, {}},
                      CompressionCase{
                          "SearchFails", true, "Builder.FindInterface(IAMVideoCompression)", {}},
                      CompressionCase{"QualityRefused", true, "StreamConfig.put_Quality", {}}),
    [](const ::testing::TestParamInfo<CompressionCase>& info) {
      return std::string(info.param.name);
    });

struct TrialCase {
  const char* name;
  std::vector<Capability> offered;  // all at 640x480
  int recordingChoice;              // 0: no bit count fits
  int previewChoice;
};

void PrintTo(const TrialCase& c, std::ostream* os) { *os << c.name; }

class BitCountTrial : public PreviewTest, public ::testing::WithParamInterface<TrialCase> {};

TEST_P(BitCountTrial, FollowsTheConfigurationsOrder) {
  const TrialCase& c = GetParam();
  DeviceScript script(L"Camera");
  for (const Capability& capability : c.offered) script.With(capability);
  FakeDevice& camera = world.AddVideoDevice(script);
  CaptureEngine& engine = MakeEngine();
#if LUMIGRAB_RECORDING
  const int choice = c.recordingChoice;
#else
  const int choice = c.previewChoice;
#endif

  EXPECT_EQ(choice != 0 ? 1 : 0, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));

  const std::vector<SetFormatRecord>& set = camera.filters.at(0)->pin.setFormats;
  if (choice != 0) {
    ASSERT_FALSE(set.empty());
    EXPECT_EQ(choice, set.back().bitCount);
    EXPECT_EQ(S_OK, set.back().result);
  } else {
    ExpectNoGraph(engine);
    EXPECT_TRUE(platform.Rot().registrations.empty());
    EXPECT_EQ(MonikersOnly(), world.LiveObjects());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BitCountTrial,
    ::testing::Values(
        TrialCase{"AllFour",
                  {Cap(640, 480, 32), Cap(640, 480, 24), Cap(640, 480, 16), Cap(640, 480, 12)},
                  12,
                  16},
        TrialCase{"TwentyFourAndThirtyTwo", {Cap(640, 480, 32), Cap(640, 480, 24)}, 24, 24},
        TrialCase{"TwelveAndThirtyTwo", {Cap(640, 480, 32), Cap(640, 480, 12)}, 12, 12},
        TrialCase{"SixteenAndTwelve", {Cap(640, 480, 16), Cap(640, 480, 12)}, 12, 16},
        TrialCase{"ThirtyTwoOnly", {Cap(640, 480, 32)}, 32, 32},
        TrialCase{
            "SixteenRefused", {Cap(640, 480, 16).RefuseSetFormat(), Cap(640, 480, 24)}, 24, 24},
        TrialCase{"OtherSizeOnly", {Cap(320, 240, 24), Cap(800, 600, 16)}, 0, 0}),
    [](const ::testing::TestParamInfo<TrialCase>& info) { return std::string(info.param.name); });

TEST_F(PreviewTest, EveryBitCountIsTriedInOrderBeforeTheStartGivesUp) {
  world.AddVideoDevice(DeviceScript(L"Camera")
                           .With(Cap(640, 480, 12).RefuseSetFormat())
                           .With(Cap(640, 480, 16).RefuseSetFormat())
                           .With(Cap(640, 480, 24).RefuseSetFormat())
                           .With(Cap(640, 480, 32).RefuseSetFormat()));
  CaptureEngine& engine = MakeEngine();

  EXPECT_EQ(0, engine.StartPreview(kWindow, 0, 640, 480, 0, 0));

  std::vector<int> tried;
  for (const SetFormatRecord& record : world.VideoDevices()[0]->filters.at(0)->pin.setFormats) {
    tried.push_back(record.bitCount);
  }
  EXPECT_EQ(std::vector<int>(std::begin(kTrialOrder), std::end(kTrialOrder)), tried);
  ExpectNoGraph(engine);
  EXPECT_TRUE(platform.Rot().registrations.empty());
}

// --- Devices and renderers that do not play along
// ----------------------------------------------------

struct TroubleCase {
  const char* name;
  DeviceScript device;
  RendererScript renderer;
  const char* failing;  // a key injected to answer `answer`, or null
  HRESULT answer;
  int addGrabber;
  int disableDirectDraw;
  int result;
};

void PrintTo(const TroubleCase& c, std::ostream* os) { *os << c.name; }

class Trouble : public PreviewTest, public ::testing::WithParamInterface<TroubleCase> {};

TEST_P(Trouble, EitherRunsOrLeavesNoGraph) {
  const TroubleCase& c = GetParam();
  world.AddVideoDevice(c.device);
  world.renderer = c.renderer;
  if (c.failing != nullptr) world.FailCall(c.failing, 0, c.answer);
  CaptureEngine& engine = MakeEngine();

  EXPECT_EQ(c.result, engine.StartPreview(kWindow, 0, 640, 480, c.addGrabber, c.disableDirectDraw));

  if (c.result == 1) {
    EXPECT_EQ(State_Running, Graph().state);
    EXPECT_NE(nullptr, engine.mediaControl);
  } else {
    ExpectNoGraph(engine);
    EXPECT_EQ(State_Stopped, Graph().state);
    EXPECT_TRUE(platform.Rot().registrations.empty());
    EXPECT_EQ(MonikersOnly(), world.LiveObjects());
  }
}

RendererScript RendererWithoutDirectDraw() {
  RendererScript renderer;
  renderer.offersDirectDrawVideo = false;
  return renderer;
}

RendererScript RendererRefusingSwitches() {
  RendererScript renderer;
  renderer.setSwitchesResult = E_FAIL;
  return renderer;
}

RendererScript RendererWithoutName() {
  RendererScript renderer;
  renderer.name.clear();
  return renderer;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Trouble,
    ::testing::Values(
        TroubleCase{"CaptureStreamCannotReachTheGrabber",
                    DeviceScript(L"Camera").With(Cap(640, 480, 24)).CannotDeliverRgb24At(24),
                    RendererScript(), nullptr, S_OK, 1, 0, 0},
        // Without the grabber the capture stream is not needed at all.
        TroubleCase{"CaptureStreamUnusable",
                    DeviceScript(L"Camera").With(Cap(640, 480, 24)).CannotDeliverRgb24At(24),
                    RendererScript(), nullptr, S_OK, 0, 0, 1},
        TroubleCase{"RendererWithoutDirectDrawVideo",
                    DeviceScript(L"Camera").With(Cap(640, 480, 24)), RendererWithoutDirectDraw(),
                    nullptr, S_OK, 0, 1, 0},
        TroubleCase{"RendererWithoutDirectDrawVideoButNotAsked",
                    DeviceScript(L"Camera").With(Cap(640, 480, 24)), RendererWithoutDirectDraw(),
                    nullptr, S_OK, 1, 0, 1},
        TroubleCase{"SwitchesRefused", DeviceScript(L"Camera").With(Cap(640, 480, 24)),
                    RendererRefusingSwitches(), nullptr, S_OK, 1, 1, 0},
        TroubleCase{"RendererUnderAnotherName", DeviceScript(L"Camera").With(Cap(640, 480, 24)),
                    RendererWithoutName(), nullptr, S_OK, 0, 1, 0},
        TroubleCase{"NoPreviewPin",
                    DeviceScript(L"Camera").With(Cap(640, 480, 24)).WithoutPreviewPin(),
                    RendererScript(), nullptr, S_OK, 1, 1, 1},
        TroubleCase{"RunStillInProgress", DeviceScript(L"Camera").With(Cap(640, 480, 24)),
                    RendererScript(), "Graph.Run", S_FALSE, 1, 0, 1},
        TroubleCase{"PreviewPathFails", DeviceScript(L"Camera").With(Cap(640, 480, 24)),
                    RendererScript(), "Builder.RenderStream", VFW_E_CANNOT_CONNECT, 0, 0, 0},
        TroubleCase{"DeviceCannotBeBound",
                    DeviceScript(L"Camera").With(Cap(640, 480, 24)).FailBindToObject(),
                    RendererScript(), nullptr, S_OK, 0, 0, 0}),
    [](const ::testing::TestParamInfo<TroubleCase>& info) { return std::string(info.param.name); });

struct WindowCase {
  const char* name;
  HWND window;
  std::vector<std::string> windowCalls;
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }

class WindowAttachment : public PreviewTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(WindowAttachment, NeedsAValidWindowAndNeverStopsTheStart) {
  const WindowCase& c = GetParam();
  AddCamera();
  CaptureEngine& engine = MakeEngine();

  EXPECT_EQ(1, engine.StartPreview(c.window, 0, 640, 480, 0, 0));

  const std::vector<std::string> windowPrefixes = {
      "Graph.QueryInterface(IVideoWindow)", "Platform.IsWindow(", "Graph.put_",
      "Platform.GetClientRect(", "Graph.SetWindowPosition("};
  std::vector<std::string> windowCalls;
  for (const JournalEntry& entry : world.Journal()) {
    for (const std::string& prefix : windowPrefixes) {
      if (entry.text.rfind(prefix, 0) == 0) windowCalls.push_back(entry.text);
    }
  }
  EXPECT_EQ(c.windowCalls, windowCalls);
  EXPECT_NE(nullptr, engine.videoWindow);
  EXPECT_EQ(State_Running, Graph().state);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowAttachment,
    ::testing::Values(
        WindowCase{"Valid",
                   kWindow,
                   {"Graph.QueryInterface(IVideoWindow)", "Platform.IsWindow(0x5150)",
                    "Graph.put_Owner(0x5150)", "Graph.put_WindowStyle(0x40000000)",
                    "Platform.GetClientRect(0x5150)", "Graph.SetWindowPosition(0, 0, 640, 480)",
                    "Graph.put_Visible(-1)"}},
        WindowCase{"Null", nullptr, {"Graph.QueryInterface(IVideoWindow)"}},
        WindowCase{"NotAWindow",
                   kNoWindow,
                   {"Graph.QueryInterface(IVideoWindow)", "Platform.IsWindow(0x9990)"}}),
    [](const ::testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.name); });

// --- Every call of a start failing in turn
// ------------------------------------------------------------

void ScriptFullStart(FakeWorld& world) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)).WithVideoCompression());
  world.Platform().AddWindow(kWindow, 640, 480);
}

int FullStart(CaptureEngine& engine) { return engine.StartPreview(kWindow, 0, 640, 480, 1, 1); }

size_t IndexOf(const std::vector<std::string>& calls, const std::string& start, bool last = false) {
  size_t found = calls.size();
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].rfind(start, 0) == 0) {
      found = i;
      if (!last) break;
    }
  }
  return found;
}

// Whether the start still runs when call i of a successful start fails: the calls whose results
// are ignored, and those of bit-count trials that would not have matched anyway.
std::vector<bool> StillRuns(const std::vector<std::string>& calls) {
  const size_t graph = IndexOf(calls, "Platform.CreateInstance(FilterGraph");
  const size_t bind = IndexOf(calls, "Moniker(Video0).BindToObject");
  const std::string streamConfig = "Builder.FindInterface(CAPTURE, Video, Video0, IAMStreamConfig)";
  const size_t firstTrial = IndexOf(calls, streamConfig);
  const size_t winningTrial = IndexOf(calls, streamConfig, true);
  const std::vector<std::string> windowCalls = {
      "Platform.IsWindow(",      "Graph.put_Owner(",         "Graph.put_WindowStyle(",
      "Platform.GetClientRect(", "Graph.SetWindowPosition(", "Graph.put_Visible("};
  std::vector<bool> runs;
  for (size_t i = 0; i < calls.size(); ++i) {
    bool ignored = i < graph                                    // the Stop made first
                   || (i > graph && i < bind)                   // the registration
                   || (i >= firstTrial && i < winningTrial) ||  // trials of absent bit counts
                   calls[i].find("IAMVideoCompression") != std::string::npos ||
                   calls[i].find("put_Quality") != std::string::npos;
    for (const std::string& window : windowCalls)
      ignored = ignored || calls[i].rfind(window, 0) == 0;
    runs.push_back(ignored);
  }
  return runs;
}

TEST(PreviewStartFailures, EveryFailingCallEndsInARunningGraphOrInNoneAndLeaksNothing) {
  std::vector<std::string> reference;
  int before = 0;
  {
    FakeWorld world;
    ScriptFullStart(world);
    CaptureEngine engine(world.Platform());
    before = world.CallCount();
    ASSERT_EQ(1, FullStart(engine));
    reference = CallsSinceWithoutMonikerNames(world, before);
  }
  const std::vector<bool> runs = StillRuns(reference);
  ASSERT_GE(reference.size(), 40u);

  for (size_t n = 1; n <= reference.size(); ++n) {
    const std::string& failing = reference[n - 1];
    SCOPED_TRACE(failing);
    FakeWorld world;
    ScriptFullStart(world);
    {
      CaptureEngine engine(world.Platform());
      ASSERT_EQ(before, world.CallCount());
      world.FailNthCall(before + static_cast<int>(n), E_FAIL);

      const int result = FullStart(engine);

      const std::vector<std::string> calls = CallsSinceWithoutMonikerNames(world, before);
      ASSERT_GE(calls.size(), n) << failing;
      ASSERT_EQ(failing, calls[n - 1]) << "n=" << n;
      EXPECT_EQ(runs[n - 1] ? 1 : 0, result) << failing;
      if (failing.rfind("Builder.RenderStream(CAPTURE", 0) == 0) {
        // Its answer is not looked at: the grabber is found unconnected by the next call.
        ASSERT_GT(calls.size(), n);
        EXPECT_EQ("Grabber.GetConnectedMediaType()", calls[n]);
      }
      if (result == 1) {
        EXPECT_NE(nullptr, engine.graph) << failing;
        EXPECT_NE(nullptr, engine.mediaControl) << failing;
        EXPECT_NE(nullptr, engine.sampleGrabber) << failing;
        engine.Stop();
      } else {
        ExpectNoGraph(engine);
        EXPECT_EQ(std::vector<std::string>{"Moniker(Video0) (1 reference)"}, world.LiveObjects())
            << failing;
      }
      EXPECT_TRUE(world.Platform().Rot().registrations.empty()) << failing;
    }
    EXPECT_TRUE(WorldIsClean(world)) << failing;
  }
}

// --- The Sample Grabber on its own
// --------------------------------------------------------------------

enum class Missing { Everything, Graph, Builder, Source, NothingButAGrabberIsThere };

const char* MissingName(Missing missing) {
  switch (missing) {
    case Missing::Everything:
      return "NoGraph";
    case Missing::Graph:
      return "GraphHidden";
    case Missing::Builder:
      return "BuilderHidden";
    case Missing::Source:
      return "SourceHidden";
    case Missing::NothingButAGrabberIsThere:
      return "GrabberAlreadyThere";
  }
  return "?";
}

class AddSampleGrabberRefuses : public PreviewTest,
                                public ::testing::WithParamInterface<Missing> {};

TEST_P(AddSampleGrabberRefuses, WithoutItsGraphOrWithAGrabberAlreadyThere) {
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  const Missing missing = GetParam();
  if (missing != Missing::Everything) {
    ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480,
                                     missing == Missing::NothingButAGrabberIsThere ? 1 : 0, 0));
  }
  // Hidden only for the call, so that the engine still releases what it holds.
  IGraphBuilder* const graph = engine.graph;
  ICaptureGraphBuilder2* const builder = engine.captureBuilder;
  IBaseFilter* const source = engine.videoSource;
  IBaseFilter* const grabber = engine.grabberFilter;
  if (missing == Missing::Graph) engine.graph = nullptr;
  if (missing == Missing::Builder) engine.captureBuilder = nullptr;
  if (missing == Missing::Source) engine.videoSource = nullptr;
  const int before = world.CallCount();

  const int result = engine.AddSampleGrabber();

  engine.graph = graph;
  engine.captureBuilder = builder;
  engine.videoSource = source;
  EXPECT_EQ(0, result);
  EXPECT_EQ(before, world.CallCount());
  EXPECT_EQ(grabber, engine.grabberFilter);
  EXPECT_EQ(missing == Missing::NothingButAGrabberIsThere ? 1u : 0u,
            world.ObjectsOf<FakeSampleGrabber>().size());
}

INSTANTIATE_TEST_SUITE_P(Cases, AddSampleGrabberRefuses,
                         ::testing::Values(Missing::Everything, Missing::Graph, Missing::Builder,
                                           Missing::Source, Missing::NothingButAGrabberIsThere),
                         [](const ::testing::TestParamInfo<Missing>& info) {
                           return std::string(MissingName(info.param));
                         });

TEST_F(PreviewTest, AddSampleGrabberEndsTheCaptureStreamInTheGrabberOfARunningPreview) {
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 0, 0));
  const int before = world.CallCount();

  EXPECT_EQ(1, engine.AddSampleGrabber());

  EXPECT_TRUE(JournalMatches(
      {"Platform.CreateInstance(SampleGrabber, outer=null, CLSCTX_INPROC_SERVER, IBaseFilter)",
       "Grabber.QueryInterface(ISampleGrabber)", "Grabber.SetMediaType(Video/RGB24/*",
       "Graph.AddFilter(Grabber, \"GrabberVideo\")",
       "Builder.RenderStream(CAPTURE, Video, source=Video0, intermediate=null, sink=Grabber)",
       "Grabber.GetConnectedMediaType()", "Grabber.SetBufferSamples(TRUE)"},
      CallsSinceWithoutMonikerNames(world, before)));
  EXPECT_EQ(640u * 480u * 3u + 54u, engine.bitmapFileHeader.bfSize);
  EXPECT_NE(nullptr, engine.frameBuffer);
  int size = 0;
  EXPECT_EQ(1, engine.GetBitmap(&size, nullptr));
  EXPECT_EQ(static_cast<int>(640 * 480 * 3 + 54), size);
}

struct GrabberStepCase {
  const char* failing;
  const char* lastCall;  // the grabber gives up right after it
};

void PrintTo(const GrabberStepCase& c, std::ostream* os) { *os << c.failing; }

class AddSampleGrabberStep : public PreviewTest,
                             public ::testing::WithParamInterface<GrabberStepCase> {};

TEST_P(AddSampleGrabberStep, FailingStopsThereAndLeavesTheCleanUpToTheCaller) {
  const GrabberStepCase& c = GetParam();
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 0, 0));
  world.FailCall(c.failing, 0, E_FAIL);

  EXPECT_EQ(0, engine.AddSampleGrabber());

  ASSERT_FALSE(world.Journal().empty());
  EXPECT_EQ(0u, world.Journal().back().text.rfind(c.lastCall, 0)) << world.Journal().back().text;
  EXPECT_EQ(0, world.CountCalls("Graph.Stop"));
  EXPECT_NE(nullptr, engine.graph);
  EXPECT_NE(nullptr, engine.mediaControl);
  EXPECT_EQ(State_Running, Graph().state);
  // The engine's teardown releases whatever the grabber step made.
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AddSampleGrabberStep,
    ::testing::Values(
        GrabberStepCase{"Platform.CreateInstance(SampleGrabber)", "Platform.CreateInstance("},
        GrabberStepCase{"Grabber.QueryInterface(ISampleGrabber)", "Grabber.QueryInterface("},
        GrabberStepCase{"Grabber.SetMediaType", "Grabber.SetMediaType("},
        GrabberStepCase{"Graph.AddFilter", "Graph.AddFilter(Grabber"},
        GrabberStepCase{"Builder.RenderStream", "Grabber.GetConnectedMediaType("},
        GrabberStepCase{"Grabber.GetConnectedMediaType", "Grabber.GetConnectedMediaType("},
        GrabberStepCase{"Grabber.SetBufferSamples", "Grabber.SetBufferSamples("}));

// --- The recording switch
// ----------------------------------------------------------------------------

TEST_F(PreviewTest, ControlCaptureStreamWithoutAGraphChangesNothing) {
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  int before = world.CallCount();
  EXPECT_EQ(0, engine.ControlCaptureStream(1));
  EXPECT_EQ(0, engine.ControlCaptureStream(0));
  EXPECT_EQ(before, world.CallCount());

  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));
  engine.Stop();
  before = world.CallCount();
  EXPECT_EQ(0, engine.ControlCaptureStream(1));
  EXPECT_EQ(before, world.CallCount());
  ExpectNoGraph(engine);
}

class RecordValue : public PreviewTest, public ::testing::WithParamInterface<int> {};

TEST_P(RecordValue, NonzeroReleasesTheCaptureStreamsAndZeroHoldsThemBack) {
  const int record = GetParam();
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));
  const int before = world.CallCount();

  EXPECT_EQ(1, engine.ControlCaptureStream(record));

  const std::string expected =
      record != 0 ? "Builder.ControlStream(CAPTURE, null, null, start=null, stop=MAXLONGLONG, "
                    "cookies=0/0)"
                  : "Builder.ControlStream(CAPTURE, null, null, start=MAXLONGLONG, stop=null, "
                    "cookies=0/0)";
  EXPECT_EQ(std::vector<std::string>{expected}, CallsSinceWithoutMonikerNames(world, before));
  ASSERT_EQ(1u, Builder().controlStreams.size());
  const ControlStreamRecord& request = Builder().controlStreams[0];
  EXPECT_EQ("CAPTURE", request.category);
  EXPECT_EQ("null", request.type);
  EXPECT_EQ("null", request.filter);
  EXPECT_EQ(record != 0 ? std::nullopt : std::optional<REFERENCE_TIME>(MAXLONGLONG), request.start);
  EXPECT_EQ(record != 0 ? std::optional<REFERENCE_TIME>(MAXLONGLONG) : std::nullopt, request.stop);
  EXPECT_EQ(0, request.startCookie);
  EXPECT_EQ(0, request.stopCookie);
  EXPECT_EQ(State_Running, Graph().state);
}

INSTANTIATE_TEST_SUITE_P(Values, RecordValue, ::testing::Values(1, -1, 2, INT_MAX, INT_MIN, 0));

TEST_F(PreviewTest, RepeatedSwitchingRepeatsEachRequest) {
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));
  const std::vector<int> records = {1, 1, 0, 0, 5};

  for (int record : records) EXPECT_EQ(1, engine.ControlCaptureStream(record));

  const std::vector<ControlStreamRecord>& requests = Builder().controlStreams;
  ASSERT_EQ(records.size(), requests.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i] != 0, !requests[i].start.has_value()) << i;
    EXPECT_EQ(records[i] == 0, !requests[i].stop.has_value()) << i;
  }
  EXPECT_EQ(State_Running, Graph().state);
}

class SwitchFailure : public PreviewTest, public ::testing::WithParamInterface<int> {};

TEST_P(SwitchFailure, EndsTheWholeGraph) {
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, engine.StartPreview(kWindow, 0, 640, 480, 1, 0));
  FakeFilterGraph& graph = Graph();
  world.FailCall("Builder.ControlStream", 1, E_FAIL);

  EXPECT_EQ(0, engine.ControlCaptureStream(GetParam()));

  ExpectNoGraph(engine);
  EXPECT_EQ(State_Stopped, graph.state);
  EXPECT_TRUE(platform.Rot().registrations.empty());
  EXPECT_EQ(MonikersOnly(), world.LiveObjects());
  const int before = world.CallCount();
  EXPECT_EQ(0, engine.ControlCaptureStream(1));
  EXPECT_EQ(before, world.CallCount());
}

INSTANTIATE_TEST_SUITE_P(Values, SwitchFailure, ::testing::Values(0, 1));

TEST_F(PreviewTest, StartCaptureHoldsBackWithTheRequestOfASwitchToZero) {
  AddCamera();
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, engine.StartCapture(kCaptureFile, 0, -1, 640, 480, kWindow, 0));
  const std::vector<std::string> byStart = world.CallsTo("Builder.ControlStream");

#if LUMIGRAB_RECORDING
  ASSERT_EQ(1u, byStart.size());
  EXPECT_EQ(1, engine.ControlCaptureStream(0));
  const std::vector<std::string> all = world.CallsTo("Builder.ControlStream");
  ASSERT_EQ(2u, all.size());
  EXPECT_EQ(all[0], all[1]);
  const std::vector<ControlStreamRecord>& requests = Builder().controlStreams;
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ(requests[0].category, requests[1].category);
  EXPECT_EQ(requests[0].type, requests[1].type);
  EXPECT_EQ(requests[0].filter, requests[1].filter);
  EXPECT_EQ(requests[0].start, requests[1].start);
  EXPECT_EQ(requests[0].stop, requests[1].stop);
  EXPECT_EQ(requests[0].startCookie, requests[1].startCookie);
  EXPECT_EQ(requests[0].stopCookie, requests[1].stopCookie);
#else
  // The preview configuration's capture graph holds nothing back.
  EXPECT_TRUE(byStart.empty());
  EXPECT_EQ(1, engine.ControlCaptureStream(0));
  EXPECT_EQ(1u, Builder().controlStreams.size());
#endif
}

}  // namespace
}  // namespace lumigrab::fake
