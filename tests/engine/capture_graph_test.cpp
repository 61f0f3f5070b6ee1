// The live capture graph behind Dll_Start: the checks that come before anything changes, the
// order in which the graph is built in each configuration, what every failing step leaves, the
// frame format and frame buffer, the video window, and the renderer's DirectDraw switch.
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine_test.h"
#include "exports/engine_instance.h"
#include "lumigrab.h"

namespace lumigrab::fake {
namespace {

const HWND kWindow = reinterpret_cast<HWND>(0x5150);
const char kFile[] = "C:\\Users\\tester\\AppData\\Local\\Temp\\test.avi";

// The bit count the configuration tries first: a device offering only that one is taken at once.
#if LUMIGRAB_RECORDING
constexpr WORD kFirstTrial = 12;
#else
constexpr WORD kFirstTrial = 16;
#endif

// An engine that notes the bit counts it is asked to select and the state every Stop leaves,
// with the journal position at which it was left.
class ObservedEngine : public CaptureEngine {
 public:
  explicit ObservedEngine(FakeWorld& world) : CaptureEngine(world.Platform()), world_(world) {}

  struct StopRecord {
    int journalPosition;
    bool nothingLeft;
  };

  int SelectFormat(int width, int height, int bitCount) override {
    trials.push_back(bitCount);
    return CaptureEngine::SelectFormat(width, height, bitCount);
  }
  void Stop() override {
    CaptureEngine::Stop();
    stops.push_back(StopRecord{world_.CallCount(), NothingLeft()});
  }

  bool NothingLeft() const {
    return graph == nullptr && videoSource == nullptr && captureBuilder == nullptr &&
           videoWindow == nullptr && mediaControl == nullptr && grabberFilter == nullptr &&
           sampleGrabber == nullptr && fileSink == nullptr && aviMux == nullptr &&
           audioSource == nullptr && aviMuxConfig == nullptr && crossbarRouter == nullptr &&
           frameBuffer == nullptr;
  }

  std::vector<int> trials;
  std::vector<StopRecord> stops;

 private:
  FakeWorld& world_;
};

int PositionOf(const std::vector<std::string>& calls, const std::string& prefix, int from = 0) {
  for (size_t i = static_cast<size_t>(from); i < calls.size(); ++i) {
    if (calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  }
  return -1;
}

std::string ItemName(const void* graph, DWORD processId) {
  wchar_t text[64];
  std::swprintf(text, 64, L"FilterGraph %0*llx pid %08lx", static_cast<int>(sizeof(void*) * 2),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(graph)),
                static_cast<unsigned long>(processId));
  return Narrow(text);
}

// A camera behind a capture card's crossbar, a microphone and a host window.
FakeCrossbar& ScriptCardCamera(FakeWorld& world, WORD bitCount, bool microphone = true) {
  FakeCrossbar& card = world.AddCrossbar(
      CrossbarScript().Input(PhysConn_Video_Composite).Output(PhysConn_Video_VideoDecoder));
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, bitCount)).WithCrossbar(card));
  if (microphone) world.AddAudioDevice(DeviceScript(L"Mic"));
  world.Platform().AddWindow(kWindow, 320, 240);
  return card;
}

class CaptureGraphTest : public FakeWorldTest {
 protected:
  ObservedEngine& MakeEngine() {
    engine_ = std::make_unique<ObservedEngine>(world);
    OnTearDown([this] { engine_.reset(); });
    return *engine_;
  }

  int Start(CaptureEngine& engine, int videoIndex = 0, int audioIndex = 0, HWND window = kWindow,
            int disableDirectDraw = 1, const char* fileName = kFile) {
    return engine.StartCapture(fileName, videoIndex, audioIndex, 640, 480, window,
                               disableDirectDraw);
  }

  FakeFilterGraph* Graph(const CaptureEngine& engine) const {
    return world.FakeAt<FakeFilterGraph>(engine.graph);
  }

  // The engine's graph runs and is the one registered under its cookie.
  void ExpectRunningAndRegistered(const CaptureEngine& engine) {
    ASSERT_NE(nullptr, Graph(engine));
    EXPECT_EQ(State_Running, Graph(engine)->state);
    ASSERT_EQ(1u, platform.Rot().registrations.size());
    EXPECT_EQ(engine.rotCookie, platform.Rot().registrations[0].cookie);
    EXPECT_EQ(Graph(engine)->Name(), platform.Rot().registrations[0].object);
  }

  std::vector<std::string> MonikersOnly() const {
    std::vector<std::string> live;
    for (FakeDevice* device : world.VideoDevices())
      live.push_back("Moniker(" + device->id + ") (1 reference)");
    for (FakeDevice* device : world.AudioDevices())
      live.push_back("Moniker(" + device->id + ") (1 reference)");
    return live;
  }

  // No graph object is left, nothing the failed start made is still referenced.
  void ExpectNothingLeft(const CaptureEngine& engine) {
    ExpectNoGraph(engine);
    EXPECT_TRUE(platform.Rot().registrations.empty());
    std::vector<std::string> live = world.LiveObjects();
    std::vector<std::string> expected = MonikersOnly();
    std::sort(live.begin(), live.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, live);
  }

 private:
  std::unique_ptr<ObservedEngine> engine_;
};

// --- The order of a successful start -------------------------------------------------------------

TEST_F(CaptureGraphTest, ASuccessfulStartBuildsTheGraphOfTheConfigurationInOrder) {
  FakeCrossbar& card = ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  const int before = world.CallCount();

  ASSERT_EQ(1, Start(engine));

  // Format trials and crossbar routing are looked at on their own below.
  std::vector<std::string> calls = world.CallsSince(before);
  std::vector<std::string> steps;
  for (const std::string& call : calls) {
    if (call.rfind("Crossbar.", 0) == 0 || call.rfind("Video0.Pin.", 0) == 0 ||
        call.rfind("Builder.FindInterface(CAPTURE, Video, Video0, IAMStreamConfig)", 0) == 0) {
      continue;
    }
    steps.push_back(call);
  }
  std::vector<std::string> expected = {
    "Platform.GetFileAttributesA(\"" + std::string(kFile) + "\")",
    "Platform.GetRunningObjectTable(0)",
    "ROT.Revoke(0x0)",
    "Platform.CreateInstance(FilterGraph, outer=null, CLSCTX_INPROC, IGraphBuilder)",
    "Platform.GetRunningObjectTable(0)",
    "Platform.GetCurrentProcessId()",
    "Platform.CreateItemMoniker(\"!\", \"" + ItemName(engine.graph, platform.processId) + "\")",
    "ROT.Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, Graph, ItemMoniker)",
    "Platform.CreateInstance(CaptureGraphBuilder2, outer=null, CLSCTX_INPROC, "
    "ICaptureGraphBuilder2)",
    "Builder.SetFiltergraph(Graph)",
    "Moniker(Video0).BindToObject(null, null, IBaseFilter)",
    "Graph.AddFilter(Video0, \"Video Capture\")",
#if LUMIGRAB_RECORDING
    "Moniker(Audio0).BindToObject(null, null, IBaseFilter)",
    "Graph.AddFilter(Audio0, \"Audio Capture\")",
    "Builder.FindInterface(LOOK_UPSTREAM_ONLY, null, Audio0, IAMCrossbar)",
    "Builder.FindInterface(LOOK_UPSTREAM_ONLY, null, Video0, IAMCrossbar)",
#endif
    "Platform.CreateInstance(SampleGrabber, outer=null, CLSCTX_INPROC_SERVER, IBaseFilter)",
    "Grabber.QueryInterface(ISampleGrabber)",
    "Grabber.SetMediaType(Video/RGB24/VideoInfo cbFormat=0 pbFormat=null)",
    "Graph.AddFilter(Grabber, \"GrabberVideo\")",
#if LUMIGRAB_RECORDING
    "Builder.SetOutputFileName(Avi, \"" + std::string(kFile) + "\")",
    "Builder.RenderStream(CAPTURE, Video, source=Video0, intermediate=null, sink=AviMux)",
    "Builder.RenderStream(CAPTURE, Audio, source=Audio0, intermediate=null, sink=AviMux)",
    "AviMux.QueryInterface(IConfigAviMux)",
    "AviMux.SetMasterStream(1)",
    "Builder.ControlStream(CAPTURE, null, null, start=MAXLONGLONG, stop=null, cookies=0/0)",
    "Builder.RenderStream(PREVIEW, Video, source=Video0, intermediate=Grabber, sink=null)",
#else
    "Builder.RenderStream(CAPTURE, Video, source=Video0, intermediate=Grabber, sink=null)",
#endif
    "Grabber.GetConnectedMediaType()",
    "Grabber.SetBufferSamples(TRUE)",
    "Graph.QueryInterface(IVideoWindow)",
    "Platform.IsWindow(0x5150)",
    "Graph.put_Owner(0x5150)",
    "Graph.put_WindowStyle(0x40000000)",
    "Platform.GetClientRect(0x5150)",
    "Graph.SetWindowPosition(0, 0, 320, 240)",
    "Graph.put_Visible(-1)",
    "Graph.FindFilterByName(\"Video Renderer\")",
    "Renderer.QueryInterface(IDirectDrawVideo)",
    "Renderer.SetSwitches(0x0)",
    "Graph.QueryInterface(IMediaControl)",
    "Graph.Run()",
  };
  EXPECT_EQ(expected, steps);

  // The size is asked at the configuration's bit counts in order until the device takes one, and
  // only after the crossbar is routed.
#if LUMIGRAB_RECORDING
  EXPECT_EQ((std::vector<int>{12, 16, 24}), engine.trials);
  EXPECT_EQ((std::vector<std::pair<LONG, LONG>>{{0, 0}}), card.routes);
  const int route = PositionOf(calls, "Crossbar.Route(");
  ASSERT_GE(route, 0);
  EXPECT_LT(PositionOf(calls, "Builder.FindInterface(LOOK_UPSTREAM_ONLY, null, Video0"), route);
  EXPECT_LT(route, PositionOf(calls, "Builder.FindInterface(CAPTURE"));
#else
  EXPECT_EQ((std::vector<int>{16, 24}), engine.trials);
  EXPECT_TRUE(card.routes.empty());
  EXPECT_EQ(0, world.CountCalls("Crossbar.get_PinCounts"));
#endif
  EXPECT_LT(PositionOf(calls, "Graph.AddFilter(Video0"),
            PositionOf(calls, "Builder.FindInterface(CAPTURE"));
  EXPECT_LT(PositionOf(calls, "Video0.Pin.SetFormat"),
            PositionOf(calls, "Platform.CreateInstance(SampleGrabber"));
  FakeDevice& camera = *world.VideoDevices()[0];
  ASSERT_EQ(1u, camera.filters.size());
  ASSERT_EQ(1u, camera.filters[0]->pin.setFormats.size());
  EXPECT_EQ(24, camera.filters[0]->pin.setFormats[0].bitCount);

  // The grabber is told exactly this type and nothing else.
  FakeSampleGrabber* grabber = world.FakeAt<FakeSampleGrabber>(engine.grabberFilter);
  ASSERT_NE(nullptr, grabber);
  ASSERT_EQ(1u, grabber->mediaTypesSet.size());
  const RecordedMediaType& type = grabber->mediaTypesSet[0];
  EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, type.majortype));
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, type.subtype));
  EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, type.formattype));
  EXPECT_FALSE(type.fixedSizeSamples);
  EXPECT_FALSE(type.temporalCompression);
  EXPECT_EQ(0u, type.sampleSize);
  EXPECT_FALSE(type.hasUnk);
  EXPECT_EQ(0u, type.cbFormat);
  EXPECT_FALSE(type.hasFormat);
  EXPECT_TRUE(grabber->buffering);

  // What the engine holds afterwards.
  ExpectRunningAndRegistered(engine);
  FakeFilterGraph& graph = *Graph(engine);
  EXPECT_EQ(0, engine.frozen);
  EXPECT_EQ("Builder", world.NameOf(engine.captureBuilder));
  EXPECT_EQ("Video0", world.NameOf(engine.videoSource));
  EXPECT_EQ(L"Video Capture", graph.filters[0].first);
  EXPECT_EQ("Grabber", world.NameOf(engine.sampleGrabber));
  EXPECT_EQ(L"GrabberVideo", grabber->NameInGraph());
  EXPECT_EQ("Graph", world.NameOf(engine.videoWindow));
  EXPECT_EQ("Graph", world.NameOf(engine.mediaControl));
  EXPECT_EQ(static_cast<long>(WS_CHILD), graph.window.style);
  EXPECT_EQ(static_cast<OAHWND>(reinterpret_cast<uintptr_t>(kWindow)), graph.window.owner);
  EXPECT_EQ(OATRUE, graph.window.visible);
  EXPECT_TRUE(platform.debugOutput.empty());
#if LUMIGRAB_RECORDING
  EXPECT_EQ("Audio0", world.NameOf(engine.audioSource));
  EXPECT_NE(nullptr, engine.crossbarRouter);
  EXPECT_EQ("AviMux", world.NameOf(engine.aviMux));
  EXPECT_EQ("AviMux", world.NameOf(engine.aviMuxConfig));
  EXPECT_EQ("FileWriter", world.NameOf(engine.fileSink));
  FakeAviMux& mux = *world.ObjectsOf<FakeAviMux>()[0];
  ASSERT_EQ(2u, mux.inputs.size());
  EXPECT_EQ("Video0", mux.inputs[0].source);
  EXPECT_EQ("Audio0", mux.inputs[1].source);
  EXPECT_EQ(std::vector<LONG>{1}, mux.masterStreams);
#else
  EXPECT_EQ(nullptr, engine.audioSource);
  EXPECT_EQ(nullptr, engine.crossbarRouter);
  EXPECT_EQ(nullptr, engine.aviMux);
  EXPECT_EQ(nullptr, engine.aviMuxConfig);
  EXPECT_EQ(nullptr, engine.fileSink);
  EXPECT_EQ(0, world.CountCalls("Moniker(Audio0).BindToObject"));
#endif
}

TEST_F(CaptureGraphTest, WhenNoBitCountFitsTheStartFailsAndTheRunningGraphIsGoneToo) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  ObservedEngine& engine = MakeEngine();
  ASSERT_EQ(1, Start(engine, 0, 0, nullptr));
  engine.trials.clear();

  EXPECT_EQ(0, engine.StartCapture(kFile, 0, 0, 800, 600, nullptr, 1));

#if LUMIGRAB_RECORDING
  EXPECT_EQ((std::vector<int>{12, 16, 24, 32}), engine.trials);
#else
  EXPECT_EQ((std::vector<int>{16, 24, 12, 32}), engine.trials);
#endif
  // Only the first start got as far as the grabber.
  EXPECT_EQ(1, world.CountCalls("Platform.CreateInstance(SampleGrabber)"));
  ExpectNothingLeft(engine);
}

// --- Checks before anything changes
// ----------------------------------------------------------------

struct RefusedStart {
  const char* name;
  int videoIndex;
  enum class Path { Absent, Null, Directory, Undeletable } path;
  std::vector<std::string> calls;
};

void PrintTo(const RefusedStart& c, std::ostream* os) { *os << c.name; }

class RefusedStarts : public CaptureGraphTest,
                      public ::testing::WithParamInterface<RefusedStart> {};

TEST_P(RefusedStarts, AnswerZeroAndLeaveTheRunningGraphAlone) {
  const RefusedStart& c = GetParam();
  ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  ASSERT_EQ(1, Start(engine));
  IGraphBuilder* const graph = engine.graph;
  IMediaControl* const control = engine.mediaControl;
  ISampleGrabber* const grabber = engine.sampleGrabber;
  unsigned char* const frameBuffer = engine.frameBuffer;
  const DWORD cookie = engine.rotCookie;
  engine.stops.clear();
  if (c.path == RefusedStart::Path::Directory) platform.AddDirectory(kFile);
  if (c.path == RefusedStart::Path::Undeletable) platform.AddFile(kFile, true);
  const int before = world.CallCount();

  EXPECT_EQ(0, Start(engine, c.videoIndex, 0, kWindow, 1,
                     c.path == RefusedStart::Path::Null ? nullptr : kFile));

  EXPECT_EQ(c.calls, world.CallsSince(before));
  EXPECT_TRUE(engine.stops.empty());
  EXPECT_EQ(graph, engine.graph);
  EXPECT_EQ(control, engine.mediaControl);
  EXPECT_EQ(grabber, engine.sampleGrabber);
  EXPECT_EQ(frameBuffer, engine.frameBuffer);
  EXPECT_EQ(cookie, engine.rotCookie);
  ExpectRunningAndRegistered(engine);
  EXPECT_TRUE(platform.deletedFiles.empty());
  if (c.path == RefusedStart::Path::Directory || c.path == RefusedStart::Path::Undeletable) {
    EXPECT_TRUE(platform.FileExists(kFile));
  }
}

const std::string kAttributes = "Platform.GetFileAttributesA(\"" + std::string(kFile) + "\")";
const std::string kDelete = "Platform.DeleteFileA(\"" + std::string(kFile) + "\")";

INSTANTIATE_TEST_SUITE_P(
    Checks, RefusedStarts,
    ::testing::Values(
        RefusedStart{"NegativeDeviceIndex", -1, RefusedStart::Path::Absent, {}},
        RefusedStart{"DeviceIndexEqualToTheCount", 1, RefusedStart::Path::Absent, {}},
        RefusedStart{"NullFileName", 0, RefusedStart::Path::Null, {}},
        RefusedStart{"FileNameIsADirectory", 0, RefusedStart::Path::Directory, {kAttributes}},
        RefusedStart{
            "FileCannotBeDeleted", 0, RefusedStart::Path::Undeletable, {kAttributes, kDelete}}));

TEST_F(CaptureGraphTest, AnExistingFileIsDeletedBeforeTheOldGraphIsStopped) {
  ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  platform.AddFile(kFile);
  const int before = world.CallCount();

  ASSERT_EQ(1, Start(engine));

  const std::vector<std::string> calls = world.CallsSince(before);
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(kAttributes, calls[0]);
  EXPECT_EQ(kDelete, calls[1]);
  EXPECT_EQ("Platform.GetRunningObjectTable(0)", calls[2]);
  ASSERT_FALSE(engine.stops.empty());
  EXPECT_EQ(before + 4, engine.stops[0].journalPosition);  // Stop: table, Revoke
  EXPECT_EQ(std::vector<std::string>{kFile}, platform.deletedFiles);
  EXPECT_FALSE(platform.FileExists(kFile));
}

// --- Two starts in a row
// ---------------------------------------------------------------------------

TEST_F(CaptureGraphTest, ASecondStartStopsAndReleasesTheFirstGraphBeforeBuildingItsOwn) {
  FakeCrossbar& card = ScriptCardCamera(world, 24);
  world.grabber.answers = {GrabberAnswer::Sample(std::vector<unsigned char>(640 * 480 * 3, 7))};
  ObservedEngine& engine = MakeEngine();
  ASSERT_EQ(1, Start(engine));
  ASSERT_EQ(1, engine.Pause(1));
  ASSERT_EQ(1, engine.frozen);
  FakeFilterGraph* first = Graph(engine);
  const DWORD firstCookie = engine.rotCookie;
  engine.stops.clear();
  const int before = world.CallCount();

  ASSERT_EQ(1, Start(engine));

  const std::vector<std::string> calls = world.CallsSince(before);
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ((std::vector<std::string>{kAttributes, "Platform.GetRunningObjectTable(0)",
                                      "ROT.Revoke(" + Hex(firstCookie) + ")", "Graph.Stop()"}),
            std::vector<std::string>(calls.begin(), calls.begin() + 4));
  ASSERT_EQ(1u, engine.stops.size());
  EXPECT_TRUE(engine.stops[0].nothingLeft);
  EXPECT_EQ(before + 4, engine.stops[0].journalPosition);
  EXPECT_EQ("Platform.CreateInstance(FilterGraph, outer=null, CLSCTX_INPROC, IGraphBuilder)",
            calls[4]);

  EXPECT_EQ(0, first->References());
  EXPECT_NE(first, Graph(engine));
  EXPECT_EQ(0, engine.frozen);
  ExpectRunningAndRegistered(engine);
  EXPECT_EQ("Graph#2", platform.Rot().registrations[0].object);
#if LUMIGRAB_RECORDING
  // Only the new router holds the crossbar: the first one was deleted with its reference.
  EXPECT_EQ(1, card.References());
#else
  EXPECT_EQ(0, card.References());
#endif
}

// --- Every failing call --------------------------------------------------------------------------

// Whether a start goes on when this call of a successful start fails: the registration, the
// crossbar, the mux's master stream and the window placement never decide the start, and a
// failing attribute query reads as "no such file".
bool StartOutlivesFailureOf(const std::string& call) {
  static const char* const ignored[] = {"Platform.GetFileAttributesA",
                                        "Platform.GetRunningObjectTable",
                                        "ROT.",
                                        "Platform.GetCurrentProcessId",
                                        "Platform.CreateItemMoniker",
                                        "Builder.FindInterface(LOOK_UPSTREAM_ONLY",
                                        "Crossbar.",
                                        "AviMux.QueryInterface(IConfigAviMux)",
                                        "AviMux.SetMasterStream",
                                        "Platform.IsWindow",
                                        "Graph.put_Owner",
                                        "Graph.put_WindowStyle",
                                        "Platform.GetClientRect",
                                        "Graph.SetWindowPosition",
                                        "Graph.put_Visible"};
  for (const char* prefix : ignored) {
    if (call.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

class EveryCallFailing : public ::testing::TestWithParam<HRESULT> {};

TEST_P(EveryCallFailing, EndsInARunningGraphOrInNothingAtAll) {
  std::vector<std::string> calls;
  int before = 0;
  {
    FakeWorld world;
    ScriptCardCamera(world, kFirstTrial);
    CaptureEngine engine(world.Platform());
    before = world.CallCount();
    ASSERT_EQ(1, engine.StartCapture(kFile, 0, 0, 640, 480, kWindow, 1));
    calls = world.CallsSince(before);
  }
  ASSERT_GT(calls.size(), 30u);
  int failedStarts = 0;
  for (size_t n = 1; n <= calls.size(); ++n) {
    const std::string& call = calls[n - 1];
    const bool startSurvives = FAILED(GetParam()) ? StartOutlivesFailureOf(call) : true;
    FakeWorld world;
    ScriptCardCamera(world, kFirstTrial);
    {
      CaptureEngine engine(world.Platform());
      ASSERT_EQ(before, world.CallCount());
      world.FailNthCall(before + static_cast<int>(n), GetParam());
      const int result = engine.StartCapture(kFile, 0, 0, 640, 480, kWindow, 1);
      // The same call as in the successful start (the graph's address aside).
      ASSERT_EQ(call.substr(0, call.find('(')),
                world.Journal()[before + n - 1].text.substr(0, call.find('(')))
          << "n=" << n;
      EXPECT_EQ(startSurvives ? 1 : 0, result) << "failing " << call;
      if (result == 1) {
        FakeFilterGraph* graph = world.FakeAt<FakeFilterGraph>(engine.graph);
        ASSERT_NE(nullptr, graph) << "failing " << call;
        EXPECT_EQ(State_Running, graph->state) << "failing " << call;
        EXPECT_NE(nullptr, engine.sampleGrabber) << "failing " << call;
        EXPECT_NE(nullptr, engine.frameBuffer) << "failing " << call;
      } else {
        ++failedStarts;
        ExpectNoGraph(engine);
        EXPECT_TRUE(world.Platform().Rot().registrations.empty()) << "failing " << call;
        EXPECT_EQ(2u, world.LiveObjects().size()) << "failing " << call;  // the two monikers
      }
    }
    EXPECT_TRUE(WorldIsClean(world)) << "failing " << call;
  }
  if (FAILED(GetParam())) {
    EXPECT_GT(failedStarts, 20);
  } else {
    EXPECT_EQ(0, failedStarts);
  }
}

// A failure code, and S_FALSE, which every step takes as success.
INSTANTIATE_TEST_SUITE_P(Answers, EveryCallFailing, ::testing::Values(E_FAIL, S_FALSE));

struct NamedFailure {
  const char* key;
  int k;
  HRESULT answer;
  int result;
};

void PrintTo(const NamedFailure& c, std::ostream* os) {
  *os << c.key << "#" << c.k << " " << ResultName(c.answer);
}

class NamedFailures : public CaptureGraphTest,
                      public ::testing::WithParamInterface<NamedFailure> {};

TEST_P(NamedFailures, GiveTheResultOfTheirStep) {
  const NamedFailure& c = GetParam();
  ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  world.FailCall(c.key, c.k, c.answer);

  EXPECT_EQ(c.result, Start(engine));

  ASSERT_GT(world.CountCalls(c.key), 0);
  if (c.result == 1) {
    ExpectRunningAndRegistered(engine);
    EXPECT_EQ(0, engine.frozen);
  } else {
    ExpectNothingLeft(engine);
    // The registration was made and taken back.
    EXPECT_EQ(1u, platform.Rot().everRegistered.size());
  }
}

// Graph.AddFilter and Builder.RenderStream are numbered in the order of the configuration's steps.
INSTANTIATE_TEST_SUITE_P(
    Steps, NamedFailures,
    ::testing::Values(
        NamedFailure{"Platform.CreateInstance(CaptureGraphBuilder2)", 1, REGDB_E_CLASSNOTREG, 0},
        NamedFailure{"Builder.SetFiltergraph", 1, E_UNEXPECTED, 0},
        NamedFailure{"Moniker(Video0).BindToObject", 1, E_FAIL, 0},
        NamedFailure{"Graph.AddFilter", 1, VFW_E_DUPLICATE_NAME, 0},
#if LUMIGRAB_RECORDING
        NamedFailure{"Moniker(Audio0).BindToObject", 1, E_FAIL, 0},
        NamedFailure{"Graph.AddFilter", 2, E_FAIL, 0},
        NamedFailure{"Builder.FindInterface(IAMCrossbar)", 0, E_FAIL, 1},
        NamedFailure{"Crossbar.get_PinCounts", 1, E_FAIL, 1},
        NamedFailure{"Crossbar.Route", 1, E_FAIL, 1}, NamedFailure{"Graph.AddFilter", 3, E_FAIL, 0},
        NamedFailure{"Builder.SetOutputFileName", 1, E_ACCESSDENIED, 0},
        NamedFailure{"Builder.RenderStream", 1, VFW_E_CANNOT_CONNECT, 0},
        NamedFailure{"Builder.RenderStream", 2, VFW_E_CANNOT_CONNECT, 0},
        NamedFailure{"AviMux.QueryInterface(IConfigAviMux)", 1, E_NOINTERFACE, 1},
        NamedFailure{"AviMux.SetMasterStream", 1, E_FAIL, 1},
        NamedFailure{"Builder.ControlStream", 1, E_FAIL, 0},
        NamedFailure{"Builder.RenderStream", 3, VFW_E_CANNOT_CONNECT, 0},
#else
        NamedFailure{"Graph.AddFilter", 2, E_FAIL, 0},
        NamedFailure{"Builder.RenderStream", 1, VFW_E_CANNOT_CONNECT, 0},
#endif
        NamedFailure{"Video0.Pin.SetFormat", 0, E_FAIL, 0},
        NamedFailure{"Platform.CreateInstance(SampleGrabber)", 1, REGDB_E_CLASSNOTREG, 0},
        NamedFailure{"Grabber.QueryInterface(ISampleGrabber)", 1, E_NOINTERFACE, 0},
        NamedFailure{"Grabber.SetMediaType", 1, E_FAIL, 0},
        NamedFailure{"Grabber.GetConnectedMediaType", 1, VFW_E_NOT_CONNECTED, 0},
        NamedFailure{"Grabber.SetBufferSamples", 1, E_FAIL, 0},
        NamedFailure{"Graph.QueryInterface(IVideoWindow)", 1, E_NOINTERFACE, 0},
        NamedFailure{"Platform.IsWindow", 1, E_FAIL, 1},
        NamedFailure{"Graph.put_Owner", 1, E_FAIL, 1},
        NamedFailure{"Graph.put_WindowStyle", 1, E_FAIL, 1},
        NamedFailure{"Platform.GetClientRect", 1, E_FAIL, 1},
        NamedFailure{"Graph.SetWindowPosition", 1, E_FAIL, 1},
        NamedFailure{"Graph.put_Visible", 1, E_FAIL, 1},
        NamedFailure{"Graph.FindFilterByName", 1, VFW_E_NOT_FOUND, 0},
        NamedFailure{"Renderer.QueryInterface(IDirectDrawVideo)", 1, E_NOINTERFACE, 0},
        NamedFailure{"Renderer.SetSwitches", 1, E_FAIL, 0},
        NamedFailure{"Graph.QueryInterface(IMediaControl)", 1, E_NOINTERFACE, 0},
        NamedFailure{"Graph.Run", 1, E_FAIL, 0}, NamedFailure{"Graph.Run", 1, S_FALSE, 1}));

// The registration only helps a graph viewer: the start goes on without it.
class RegistrationFailures : public CaptureGraphTest,
                             public ::testing::WithParamInterface<NamedFailure> {};

TEST_P(RegistrationFailures, DoNotStopTheStart) {
  const NamedFailure& c = GetParam();
  ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  world.FailCall(c.key, c.k, c.answer);
  ASSERT_EQ(c.result, Start(engine));
  ASSERT_GE(world.CountCalls(c.key), c.k);
  EXPECT_TRUE(platform.Rot().registrations.empty());
  ASSERT_NE(nullptr, Graph(engine));
  EXPECT_EQ(State_Running, Graph(engine)->state);
}

// The first table request is the one of Stop; the second is the registration's.
INSTANTIATE_TEST_SUITE_P(
    Calls, RegistrationFailures,
    ::testing::Values(NamedFailure{"Platform.GetRunningObjectTable", 2, E_OUTOFMEMORY, 1},
                      NamedFailure{"Platform.CreateItemMoniker", 1, E_OUTOFMEMORY, 1},
                      NamedFailure{"ROT.Register", 1, E_OUTOFMEMORY, 1}));

TEST_F(CaptureGraphTest, AGraphThatCannotBeCreatedLeavesNothing) {
  ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  world.FailCall("Platform.CreateInstance(FilterGraph)", 1, REGDB_E_CLASSNOTREG);
  EXPECT_EQ(0, Start(engine));
  ExpectNothingLeft(engine);
  EXPECT_EQ(0, world.CountCalls("ROT.Register"));
  EXPECT_EQ(0, world.CountCalls("Platform.CreateInstance(CaptureGraphBuilder2)"));
}

// --- Recording without audio
// -----------------------------------------------------------------------

#if LUMIGRAB_RECORDING

struct NoAudio {
  const char* name;
  int microphones;
  int audioIndex;
};

void PrintTo(const NoAudio& c, std::ostream* os) { *os << c.name; }

class RecordingWithoutAudio : public CaptureGraphTest,
                              public ::testing::WithParamInterface<NoAudio> {};

TEST_P(RecordingWithoutAudio, ConnectsOnlyVideoToTheMuxAndSetsNoMasterStream) {
  const NoAudio& c = GetParam();
  FakeCrossbar& card = ScriptCardCamera(world, 24, false);
  for (int i = 0; i < c.microphones; ++i) world.AddAudioDevice(DeviceScript(L"Mic"));
  ObservedEngine& engine = MakeEngine();

  ASSERT_EQ(1, Start(engine, 0, c.audioIndex));

  EXPECT_EQ(nullptr, engine.audioSource);
  EXPECT_EQ(std::vector<std::string>{"Moniker(Video0).BindToObject(null, null, IBaseFilter)"},
            world.CallsTo("Moniker.BindToObject"));
  // The first Attach has no filter to search from: the only crossbar search is the video one.
  EXPECT_EQ(
      std::vector<std::string>{
          "Builder.FindInterface(LOOK_UPSTREAM_ONLY, null, Video0, IAMCrossbar)"},
      world.CallsTo("Builder.FindInterface(IAMCrossbar)"));
  EXPECT_EQ((std::vector<std::pair<LONG, LONG>>{{0, 0}}), card.routes);
  FakeAviMux& mux = *world.ObjectsOf<FakeAviMux>()[0];
  ASSERT_EQ(1u, mux.inputs.size());
  EXPECT_EQ("Video0", mux.inputs[0].source);
  EXPECT_TRUE(world.LinesWith("RenderStream(CAPTURE, Audio").empty());
  EXPECT_EQ(0, world.CountCalls("AviMux.QueryInterface"));
  EXPECT_TRUE(mux.masterStreams.empty());
  EXPECT_EQ(nullptr, engine.aviMuxConfig);
  EXPECT_EQ(1, world.CountCalls("Builder.ControlStream"));
  ExpectRunningAndRegistered(engine);
}

INSTANTIATE_TEST_SUITE_P(AudioIndexes, RecordingWithoutAudio,
                         ::testing::Values(NoAudio{"NoAudioInputOnTheMachine", 0, 0},
                                           NoAudio{"IndexPastTheLastDevice", 1, 1},
                                           NoAudio{"NegativeIndex", 1, -1}));

class LongFileNames : public CaptureGraphTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(LongFileNames, TheBuilderGetsTheWholeName) {
  ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  std::string name = "C:\\";
  name += std::string(GetParam() - name.size() - 4, 'x');
  name += ".avi";
  ASSERT_EQ(GetParam(), name.size());

  ASSERT_EQ(1, Start(engine, 0, 0, kWindow, 1, name.c_str()));

  FakeCaptureGraphBuilder& builder = *world.ObjectsOf<FakeCaptureGraphBuilder>()[0];
  ASSERT_EQ(1u, builder.outputFiles.size());
  EXPECT_EQ(std::wstring(name.begin(), name.end()), builder.outputFiles[0].fileName);
  EXPECT_EQ("Avi", builder.outputFiles[0].subtype);
}

// Characters without the terminator: the conversion buffer of 1024 holds up to 1023 of them.
INSTANTIATE_TEST_SUITE_P(Lengths, LongFileNames,
                         ::testing::Values(size_t{1023}, size_t{1024}, size_t{1025}, size_t{4000}));

TEST_F(CaptureGraphTest, RecordingWritesNoDebugMessageWhenAStreamCannotBeConnected) {
  ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  world.FailCall("Builder.RenderStream", 0, VFW_E_CANNOT_CONNECT);
  EXPECT_EQ(0, Start(engine));
  EXPECT_TRUE(platform.debugOutput.empty());
  ExpectNothingLeft(engine);
}

#else

// --- The preview configuration's debug message
// -----------------------------------------------------

struct DebugMessage {
  HRESULT failure;
  const char* code;
};

void PrintTo(const DebugMessage& c, std::ostream* os) { *os << c.code; }

class CaptureConnectionFails : public CaptureGraphTest,
                               public ::testing::WithParamInterface<DebugMessage> {};

TEST_P(CaptureConnectionFails, SaysSoOnTheDebugOutputAndLeavesNoGraph) {
  ScriptCardCamera(world, 24);
  ObservedEngine& engine = MakeEngine();
  world.FailCall("Builder.RenderStream", 1, GetParam().failure);

  EXPECT_EQ(0, Start(engine));

  const std::string expected =
      std::string("\x83\x47\x83\x89\x81\x5B RenderStream[") + GetParam().code + "]";
  EXPECT_EQ(std::vector<std::string>{expected}, platform.debugOutput);
  ExpectNothingLeft(engine);
}

INSTANTIATE_TEST_SUITE_P(Failures, CaptureConnectionFails,
                         ::testing::Values(DebugMessage{VFW_E_CANNOT_CONNECT, "80040217"},
                                           DebugMessage{E_UNEXPECTED, "8000ffff"},
                                           DebugMessage{E_FAIL, "80004005"}));

TEST_F(CaptureGraphTest, ADeviceThatCannotDeliverRgb24IsReportedTheSameWay) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 16)).CannotDeliverRgb24At(16));
  ObservedEngine& engine = MakeEngine();
  EXPECT_EQ(0, Start(engine, 0, 0, nullptr));
  EXPECT_EQ(std::vector<std::string>{"\x83\x47\x83\x89\x81\x5B RenderStream[80040217]"},
            platform.debugOutput);
  ExpectNothingLeft(engine);
}

#endif

// --- Frame format and frame buffer
// -----------------------------------------------------------------

struct FrameFormat {
  const char* name;
  LONG width;
  LONG height;
  std::optional<DWORD> connectedImageSize;
  DWORD imageSize;  // what the engine takes as the image size
};

void PrintTo(const FrameFormat& c, std::ostream* os) { *os << c.name; }

class FrameFormats : public CaptureGraphTest, public ::testing::WithParamInterface<FrameFormat> {};

TEST_P(FrameFormats, SizeTheImageAndTheFrameBuffer) {
  const FrameFormat& c = GetParam();
  DeviceScript camera(L"Camera");
  camera.With(Cap(c.width, c.height, 24));
  if (c.connectedImageSize) camera.ConnectedImageSize(*c.connectedImageSize);
  world.AddVideoDevice(camera);
  ObservedEngine& engine = MakeEngine();

  ASSERT_EQ(1, engine.StartCapture(kFile, 0, 0, c.width, c.height, nullptr, 1));

  const FakeSampleGrabber& grabber = *world.ObjectsOf<FakeSampleGrabber>()[0];
  BITMAPINFOHEADER expected = grabber.connectedFormat.bmiHeader;
  expected.biSizeImage = c.imageSize;
  EXPECT_EQ(0, std::memcmp(&expected, &engine.bitmapInfoHeader, sizeof expected));
  EXPECT_EQ(24, engine.bitmapInfoHeader.biBitCount);
  EXPECT_EQ(c.imageSize + 54, engine.bitmapFileHeader.bfSize);
  EXPECT_EQ(0x4D42, engine.bitmapFileHeader.bfType);
  EXPECT_EQ(0, engine.bitmapFileHeader.bfReserved1);
  EXPECT_EQ(0, engine.bitmapFileHeader.bfReserved2);
  EXPECT_EQ(54u, engine.bitmapFileHeader.bfOffBits);
  ASSERT_NE(nullptr, engine.frameBuffer);
  EXPECT_EQ(static_cast<size_t>(c.imageSize) + 54, _msize(engine.frameBuffer));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FrameFormats,
    ::testing::Values(FrameFormat{"AsConnected", 640, 480, std::nullopt, 921600},
                      FrameFormat{"ConnectedSizeIsTakenAsGiven", 322, 240, 100000u, 100000},
                      FrameFormat{"ZeroSizeFromPaddedRows", 322, 240, 0u, 232320},
                      FrameFormat{"ZeroSizeWithoutPadding", 640, 480, 0u, 921600},
                      FrameFormat{"ZeroSizeOnePixel", 1, 1, 0u, 4}));

TEST_F(CaptureGraphTest, AnImageTooLargeForABitmapFileLeavesNoGraph) {
  world.AddVideoDevice(
      DeviceScript(L"Camera").With(Cap(640, 480, 24)).ConnectedImageSize(0xFFFFFFF0u));
  ObservedEngine& engine = MakeEngine();
  EXPECT_EQ(0, Start(engine, 0, 0, nullptr));
  ExpectNothingLeft(engine);
}

// --- The host window
// ---------------------------------------------------------------------------------

struct HostWindow {
  const char* name;
  HWND window;
  bool known;
};

void PrintTo(const HostWindow& c, std::ostream* os) { *os << c.name; }

class HostWindows : public CaptureGraphTest, public ::testing::WithParamInterface<HostWindow> {};

TEST_P(HostWindows, WithoutAValidWindowTheGraphRunsInTheRenderersOwn) {
  const HostWindow& c = GetParam();
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  if (c.known) platform.AddWindow(c.window, 800, 600);
  ObservedEngine& engine = MakeEngine();

  ASSERT_EQ(1, Start(engine, 0, 0, c.window));

  ExpectRunningAndRegistered(engine);
  const VideoWindowState& window = Graph(engine)->window;
  const int windowCalls =
      world.CountCalls("Graph.put_Owner") + world.CountCalls("Graph.put_WindowStyle") +
      world.CountCalls("Platform.GetClientRect") + world.CountCalls("Graph.SetWindowPosition") +
      world.CountCalls("Graph.put_Visible");
  if (c.known) {
    EXPECT_EQ(5, windowCalls);
    EXPECT_EQ(static_cast<OAHWND>(reinterpret_cast<uintptr_t>(c.window)), window.owner);
    ASSERT_TRUE(window.position.has_value());
    EXPECT_EQ(0, window.position->left);
    EXPECT_EQ(0, window.position->top);
    EXPECT_EQ(800, window.position->right);
    EXPECT_EQ(600, window.position->bottom);
  } else {
    EXPECT_EQ(0, windowCalls);
    EXPECT_FALSE(window.owner.has_value());
    EXPECT_FALSE(window.style.has_value());
    EXPECT_FALSE(window.visible.has_value());
  }
  // The video window is taken in every case.
  EXPECT_EQ("Graph", world.NameOf(engine.videoWindow));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, HostWindows,
    ::testing::Values(HostWindow{"Null", nullptr, false},
                      HostWindow{"NotAWindow", reinterpret_cast<HWND>(0x7777), false},
                      HostWindow{"HostWindow", reinterpret_cast<HWND>(0x4242), true}));

// --- DirectDraw switch
// -------------------------------------------------------------------------------

TEST_F(CaptureGraphTest, DisableDirectDrawWithoutAGraphAnswersZeroAndCallsNothing) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  ObservedEngine& engine = MakeEngine();
  const int before = world.CallCount();
  EXPECT_EQ(0, engine.DisableDirectDraw());
  EXPECT_EQ(before, world.CallCount());
}

struct Renderer {
  const char* name;
  std::wstring rendererName;
  bool offersDirectDrawVideo;
  HRESULT setSwitchesResult;
  int result;
};

void PrintTo(const Renderer& c, std::ostream* os) { *os << c.name; }

class Renderers : public CaptureGraphTest, public ::testing::WithParamInterface<Renderer> {};

TEST_P(Renderers, DirectDrawIsOffOnlyWhenTheVideoRendererTakesTheSwitch) {
  const Renderer& c = GetParam();
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  world.renderer.name = c.rendererName;
  world.renderer.offersDirectDrawVideo = c.offersDirectDrawVideo;
  world.renderer.setSwitchesResult = c.setSwitchesResult;
  ObservedEngine& engine = MakeEngine();

  // Without the flag the start does not ask.
  ASSERT_EQ(1, Start(engine, 0, 0, nullptr, 0));
  EXPECT_EQ(0, world.CountCalls("Graph.FindFilterByName"));

  EXPECT_EQ(c.result, engine.DisableDirectDraw());
  EXPECT_EQ(std::vector<std::string>{"Graph.FindFilterByName(\"Video Renderer\")"},
            world.CallsTo("Graph.FindFilterByName"));
  const std::vector<std::string> switches = world.CallsTo("Renderer.SetSwitches");
  EXPECT_EQ(c.offersDirectDrawVideo && !c.rendererName.empty() ? 1u : 0u, switches.size());
  for (const std::string& call : switches) EXPECT_EQ("Renderer.SetSwitches(0x0)", call);

  // With the flag the start stands or falls with the switch.
  EXPECT_EQ(c.result, Start(engine, 0, 0, nullptr, 1));
  if (c.result == 1) {
    ExpectRunningAndRegistered(engine);
  } else {
    ExpectNothingLeft(engine);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Renderers,
    ::testing::Values(Renderer{"SwitchTaken", L"Video Renderer", true, S_OK, 1},
                      Renderer{"SwitchTakenWithSFalse", L"Video Renderer", true, S_FALSE, 1},
                      Renderer{"NoFilterOfThatName", L"", true, S_OK, 0},
                      Renderer{"NoDirectDrawInterface", L"Video Renderer", false, S_OK, 0},
                      Renderer{"SwitchRefused", L"Video Renderer", true, E_FAIL, 0}));

class StartThroughTheExport : public FakeWorldTest {
 protected:
  void SetUp() override {
    OnTearDown([] { lumigrab::DestroyEngine(); });
  }
};

TEST_F(StartThroughTheExport, AlwaysSwitchesDirectDrawOff) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  lumigrab::CreateEngine(platform);
  ASSERT_EQ(1, Dll_Start(kWindow, 0, 640, 480));
  EXPECT_EQ(std::vector<std::string>{"Renderer.SetSwitches(0x0)"},
            world.CallsTo("Renderer.SetSwitches"));

  // A renderer without the switch fails the start and leaves no graph.
  world.renderer.offersDirectDrawVideo = false;
  EXPECT_EQ(0, Dll_Start(kWindow, 0, 640, 480));
  EXPECT_EQ(2, world.CountCalls("Graph.FindFilterByName"));
  ExpectNoGraph(*CurrentEngine());
}

}  // namespace
}  // namespace lumigrab::fake
