// The graph's registration in the Running Object Table, and Stop, which revokes it and releases
// every graph object.
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "engine_test.h"
#include "platform/com_ptr.h"

namespace lumigrab::fake {
namespace {

std::wstring ExpectedDisplayName(const void* graph, DWORD processId) {
  wchar_t text[64];
  std::swprintf(text, 64, L"FilterGraph %0*llx pid %08lx", static_cast<int>(sizeof(void*) * 2),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(graph)),
                static_cast<unsigned long>(processId));
  return text;
}

// What a start leaves in the engine, made here with the fakes directly so that Stop and the
// destructor are checked apart from the graph-building code.
void BuildRunningGraph(CaptureEngine& engine, FakePlatform& platform) {
  ASSERT_EQ(S_OK,
            platform.CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC, IID_IGraphBuilder,
                                    reinterpret_cast<void**>(&engine.graph)));
  ASSERT_EQ(S_OK, engine.AddToRot(engine.graph, &engine.rotCookie));
  ASSERT_EQ(S_OK, platform.CreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC,
                                          IID_ICaptureGraphBuilder2,
                                          reinterpret_cast<void**>(&engine.captureBuilder)));
  ASSERT_EQ(S_OK, engine.captureBuilder->SetFiltergraph(engine.graph));
  ASSERT_EQ(S_OK,
            engine.videoDeviceMonikers[0]->BindToObject(
                nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&engine.videoSource)));
  ASSERT_EQ(S_OK, engine.graph->AddFilter(engine.videoSource, L"Video Capture"));
  ASSERT_EQ(S_OK,
            engine.audioDeviceMonikers[0]->BindToObject(
                nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&engine.audioSource)));
  ASSERT_EQ(S_OK, engine.graph->AddFilter(engine.audioSource, L"Audio Capture"));
  ASSERT_EQ(S_OK, platform.CreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IBaseFilter,
                                          reinterpret_cast<void**>(&engine.grabberFilter)));
  ASSERT_EQ(S_OK, engine.grabberFilter->QueryInterface(
                      IID_ISampleGrabber, reinterpret_cast<void**>(&engine.sampleGrabber)));
  ASSERT_EQ(S_OK, engine.graph->AddFilter(engine.grabberFilter, L"GrabberVideo"));
  ASSERT_EQ(S_OK, engine.captureBuilder->SetOutputFileName(&MEDIASUBTYPE_Avi, L"C:\\test.avi",
                                                           &engine.aviMux, &engine.fileSink));
  ASSERT_EQ(S_OK, engine.aviMux->QueryInterface(IID_IConfigAviMux,
                                                reinterpret_cast<void**>(&engine.aviMuxConfig)));
  ASSERT_EQ(S_OK,
            engine.captureBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                                engine.videoSource, engine.grabberFilter, nullptr));
  ASSERT_EQ(S_OK, engine.graph->QueryInterface(IID_IVideoWindow,
                                               reinterpret_cast<void**>(&engine.videoWindow)));
  ASSERT_EQ(S_OK, engine.graph->QueryInterface(IID_IMediaControl,
                                               reinterpret_cast<void**>(&engine.mediaControl)));
  ASSERT_EQ(S_OK, engine.mediaControl->Run());
  engine.frameBuffer = new unsigned char[64];
}

class RotTest : public EngineTest {
 protected:
  void SetUp() override {
    world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
    world.AddAudioDevice(DeviceScript(L"Mic"));
  }
  std::vector<std::string> MonikersOnly() const {
    return {"Moniker(Video0) (1 reference)", "Moniker(Audio0) (1 reference)"};
  }
};

class DisplayName : public RotTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(DisplayName, RegistersTheGraphUnderItsItemMonikerAndKeepsItAlive) {
  platform.processId = GetParam();
  CaptureEngine& engine = MakeEngine();
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, platform.CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                          IID_IGraphBuilder, graph.ReceiveVoid()));
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, engine.AddToRot(graph.Get(), &cookie));

  ASSERT_EQ(1u, platform.itemMonikers.size());
  EXPECT_EQ(L"!", platform.itemMonikers[0]->delimiter);
  EXPECT_EQ(ExpectedDisplayName(graph.Get(), GetParam()), platform.itemMonikers[0]->item);
  ASSERT_EQ(1u, platform.Rot().registrations.size());
  const RotRegistration& registration = platform.Rot().registrations[0];
  EXPECT_EQ(L"!" + ExpectedDisplayName(graph.Get(), GetParam()), registration.displayName);
  EXPECT_EQ(static_cast<DWORD>(ROTFLAGS_REGISTRATIONKEEPSALIVE), registration.flags);
  EXPECT_EQ("Graph", registration.object);
  EXPECT_EQ(registration.cookie, cookie);

  // The table alone keeps the graph now; moniker and table references are gone.
  graph.Reset();
  std::vector<std::string> expected = MonikersOnly();
  expected.push_back("Graph (1 reference)");
  EXPECT_EQ(expected, world.LiveObjects());
  engine.RemoveFromRot(cookie);
  EXPECT_TRUE(platform.Rot().registrations.empty());
}

INSTANTIATE_TEST_SUITE_P(ProcessIds, DisplayName,
                         ::testing::Values(0x1234u, 0xABCDEF12u, 0u, 0xFFFFFFFFu));

struct AddToRotFailure {
  const char* key;
  HRESULT injected;
  HRESULT result;
  int monikersMade;
  int registerCalls;
};

void PrintTo(const AddToRotFailure& c, std::ostream* os) { *os << c.key << " " << c.injected; }

class AddToRotFails : public RotTest, public ::testing::WithParamInterface<AddToRotFailure> {};

TEST_P(AddToRotFails, AnswersTheFailureAndLeaksNothing) {
  const AddToRotFailure& c = GetParam();
  CaptureEngine& engine = MakeEngine();
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, platform.CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                          IID_IGraphBuilder, graph.ReceiveVoid()));
  world.FailCall(c.key, 0, c.injected);
  DWORD cookie = 0;
  EXPECT_EQ(c.result, engine.AddToRot(graph.Get(), &cookie));
  EXPECT_EQ(c.monikersMade, world.CountCalls("Platform.CreateItemMoniker"));
  EXPECT_EQ(c.registerCalls, world.CountCalls("ROT.Register"));
  EXPECT_TRUE(platform.Rot().registrations.empty());
  graph.Reset();
  EXPECT_EQ(MonikersOnly(), world.LiveObjects());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, AddToRotFails,
    ::testing::Values(
        AddToRotFailure{"Platform.GetRunningObjectTable", E_OUTOFMEMORY, E_FAIL, 0, 0},
        AddToRotFailure{"Platform.GetRunningObjectTable", CO_E_NOTINITIALIZED, E_FAIL, 0, 0},
        AddToRotFailure{"Platform.CreateItemMoniker", MK_E_SYNTAX, MK_E_SYNTAX, 1, 0},
        AddToRotFailure{"ROT.Register", E_OUTOFMEMORY, E_OUTOFMEMORY, 1, 1},
        AddToRotFailure{"ROT.Register", E_INVALIDARG, E_INVALIDARG, 1, 1}));

TEST_F(RotTest, RemoveFromRotRevokesOnlyThatCookieAndIgnoresFailures) {
  CaptureEngine& engine = MakeEngine();
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, platform.CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                          IID_IGraphBuilder, graph.ReceiveVoid()));
  DWORD first = 0, second = 0;
  ASSERT_EQ(S_OK, engine.AddToRot(graph.Get(), &first));
  ASSERT_EQ(S_OK, engine.AddToRot(graph.Get(), &second));
  ASSERT_NE(first, second);

  engine.RemoveFromRot(first + second + 1);  // unknown: Revoke refuses, nothing happens
  EXPECT_EQ(2u, platform.Rot().registrations.size());
  engine.RemoveFromRot(first);
  ASSERT_EQ(1u, platform.Rot().registrations.size());
  EXPECT_EQ(second, platform.Rot().registrations[0].cookie);

  world.FailCall("Platform.GetRunningObjectTable", 0, E_FAIL);
  const int revokes = world.CountCalls("ROT.Revoke");
  engine.RemoveFromRot(second);
  EXPECT_EQ(revokes, world.CountCalls("ROT.Revoke"));
  EXPECT_EQ(1u, platform.Rot().registrations.size());
  platform.Rot().RevokeAll();
}

// Every single failing call of a registration and its removal: the result tells whether the
// graph was registered, and no reference taken on the way survives.
TEST(RotFailures, EveryCallFailingLeavesNoStrayReference) {
  int calls = 0;
  int before = 0;
  {
    FakeWorld world;
    CaptureEngine engine(world.Platform());
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, world.Platform().CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                                    IID_IGraphBuilder, graph.ReceiveVoid()));
    before = world.CallCount();
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, engine.AddToRot(graph.Get(), &cookie));
    engine.RemoveFromRot(cookie);
    calls = world.CallCount() - before;
  }
  ASSERT_GE(calls, 6);
  for (int n = 1; n <= calls; ++n) {
    FakeWorld world;
    {
      CaptureEngine engine(world.Platform());
      ComPtr<IGraphBuilder> graph;
      ASSERT_EQ(S_OK, world.Platform().CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                                      IID_IGraphBuilder, graph.ReceiveVoid()));
      ASSERT_EQ(before, world.CallCount());
      world.FailNthCall(before + n, E_FAIL);
      DWORD cookie = 0;
      const HRESULT result = engine.AddToRot(graph.Get(), &cookie);
      EXPECT_EQ(SUCCEEDED(result), !world.Platform().Rot().everRegistered.empty()) << "n=" << n;
      engine.RemoveFromRot(cookie);
      world.Platform().Rot().RevokeAll();
    }
    EXPECT_TRUE(WorldIsClean(world)) << "n=" << n;
  }
}

TEST_F(RotTest, StopOnAFreshEngineOnlyRevokesCookieZero) {
  CaptureEngine& engine = MakeEngine();
  engine.frozen = 7;
  const int before = world.CallCount();
  BITMAPFILEHEADER fileHeader = engine.bitmapFileHeader;
  char* const name = engine.videoDeviceNames[0];
  IMoniker* const moniker = engine.videoDeviceMonikers[0];

  engine.Stop();

  EXPECT_EQ((std::vector<std::string>{"Platform.GetRunningObjectTable(0)", "ROT.Revoke(0x0)"}),
            world.CallsSince(before));
  EXPECT_EQ(0u, engine.rotCookie);
  EXPECT_EQ(7, engine.frozen);
  EXPECT_EQ(0, std::memcmp(&fileHeader, &engine.bitmapFileHeader, sizeof fileHeader));
  EXPECT_EQ(name, engine.videoDeviceNames[0]);
  EXPECT_EQ(moniker, engine.videoDeviceMonikers[0]);
  EXPECT_EQ(1, engine.GetVideoDeviceCount());
  EXPECT_EQ(1, engine.GetAudioDeviceCount());
  ExpectNoGraph(engine);
  EXPECT_EQ(MonikersOnly(), world.LiveObjects());
}

TEST_F(RotTest, StopTwiceReleasesOnceAndRevokesTheSameCookieAgain) {
  CaptureEngine& engine = MakeEngine();
  BuildRunningGraph(engine, platform);
  const DWORD cookie = engine.rotCookie;
  ASSERT_NE(0u, cookie);
  const std::string revoke = "ROT.Revoke(" + Hex(cookie) + ")";

  const int first = world.CallCount();
  engine.Stop();
  EXPECT_EQ((std::vector<std::string>{"Platform.GetRunningObjectTable(0)", revoke, "Graph.Stop()"}),
            world.CallsSince(first));
  ExpectNoGraph(engine);
  EXPECT_EQ(cookie, engine.rotCookie);
  EXPECT_TRUE(platform.Rot().registrations.empty());
  EXPECT_EQ(MonikersOnly(), world.LiveObjects());

  const int second = world.CallCount();
  engine.Stop();
  EXPECT_EQ((std::vector<std::string>{"Platform.GetRunningObjectTable(0)", revoke}),
            world.CallsSince(second));
  EXPECT_EQ(cookie, engine.rotCookie);
}

class StopFailures : public RotTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StopFailures, AFailingStepNeverKeepsTheLaterOnesFromRunning) {
  CaptureEngine& engine = MakeEngine();
  BuildRunningGraph(engine, platform);
  world.FailCall(GetParam(), 0, E_FAIL);
  engine.Stop();
  ExpectNoGraph(engine);
  EXPECT_EQ(1, world.CountCalls("Graph.Stop"));
  // A registration that could not be revoked keeps the graph alive in the table; nothing else is.
  std::vector<std::string> expected = MonikersOnly();
  if (!platform.Rot().registrations.empty()) {
    const std::vector<std::string> live = world.LiveObjects();
    EXPECT_NE(std::find(live.begin(), live.end(), "Graph (1 reference)"), live.end());
    platform.Rot().RevokeAll();
  }
  EXPECT_EQ(expected, world.LiveObjects());
}

INSTANTIATE_TEST_SUITE_P(Calls, StopFailures,
                         ::testing::Values("Platform.GetRunningObjectTable", "ROT.Revoke",
                                           "Graph.Stop", "(nothing fails)"));

TEST_F(RotTest, DestroyingARunningEngineStopsRevokesAndReleasesEverything) {
  CaptureEngine& engine = MakeEngine();
  BuildRunningGraph(engine, platform);
  const std::string revoke = "ROT.Revoke(" + Hex(engine.rotCookie) + ")";
  FakeFilterGraph* graph = world.ObjectsOf<FakeFilterGraph>()[0];
  ASSERT_EQ(State_Running, graph->state);
  const int before = world.CallCount();

  DestroyEngine();

  const std::vector<std::string> calls = world.CallsSince(before);
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ((std::vector<std::string>{"Platform.GetRunningObjectTable(0)", revoke, "Graph.Stop()"}),
            std::vector<std::string>(calls.begin(), calls.begin() + 3));
  EXPECT_EQ(State_Stopped, graph->state);
  EXPECT_TRUE(platform.Rot().registrations.empty());
  EXPECT_TRUE(world.LiveObjects().empty());
  EXPECT_TRUE(world.Problems().empty());
}

}  // namespace
}  // namespace lumigrab::fake
