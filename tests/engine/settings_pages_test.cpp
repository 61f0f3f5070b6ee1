// The capture filters' own settings pages (through Dll_ShowSetting and the engine), and the
// placement of the graph's video window.
#include <optional>
#include <string>
#include <vector>

#include "engine_test.h"
#include "exports/engine_instance.h"
#include "lumigrab.h"

namespace lumigrab::fake {
namespace {

const HWND kHost = reinterpret_cast<HWND>(0x5150);      // the picture starts here, 320x240
const HWND kOwner = reinterpret_cast<HWND>(0x6160);     // another window, 640x480
const HWND kDrain = reinterpret_cast<HWND>(0x7170);     // receives the video window's messages
const HWND kNoWindow = reinterpret_cast<HWND>(0x9990);  // a handle no window has

const CLSID kPageOne = {0x1f0e7e01, 0x1234, 0x4a5b, {0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 1}};
const CLSID kPageTwo = {0x1f0e7e02, 0x1234, 0x4a5b, {0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 2}};
const CLSID kAudioPage = {
    0x1f0e7e03, 0x1234, 0x4a5b, {0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 3}};

constexpr char kCaptureFile[] = "C:\\Users\\tester\\AppData\\Local\\Temp\\test.avi";

// Watches the task allocator while registered, to see the page list come and go. COM keeps a spy
// until every block allocated under it is freed, so the one instance lives as long as the program.
class TaskMemoryWatch final : public IMallocSpy {
 public:
  static TaskMemoryWatch& Instance() {
    static TaskMemoryWatch watch;
    return watch;
  }

  // Runs `operation` with the watch registered; what it allocated and freed is then in the lists.
  template <typename Operation>
  ::testing::AssertionResult Around(Operation operation) {
    allocated.clear();
    freed.clear();
    const HRESULT registered = CoRegisterMallocSpy(this);
    if (FAILED(registered)) {
      return ::testing::AssertionFailure()
             << "CoRegisterMallocSpy answered " << ResultName(registered);
    }
    operation();
    const HRESULT revoked = CoRevokeMallocSpy();
    if (FAILED(revoked)) {
      return ::testing::AssertionFailure()
             << "task memory allocated by the operation is still held (" << ResultName(revoked)
             << ")";
    }
    return ::testing::AssertionSuccess();
  }

  std::vector<void*> allocated;
  std::vector<void*> freed;  // null pointers left out: freeing one frees nothing

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy)) {
      *object = static_cast<IMallocSpy*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
  void* STDMETHODCALLTYPE PostAlloc(void* actual) override {
    if (actual != nullptr) allocated.push_back(actual);
    return actual;
  }
  void* STDMETHODCALLTYPE PreFree(void* request, WINBOOL) override {
    if (request != nullptr) freed.push_back(request);
    return request;
  }
  void STDMETHODCALLTYPE PostFree(WINBOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** actual, WINBOOL) override {
    *actual = request;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* actual, WINBOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreGetSize(void* request, WINBOOL) override { return request; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, WINBOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* request, WINBOOL) override { return request; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, WINBOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}

 private:
  TaskMemoryWatch() = default;
};

class SettingsTest : public EngineTest {
 protected:
  void SetUp() override {
    platform.AddWindow(kHost, 320, 240);
    platform.AddWindow(kOwner, 640, 480);
  }
  int StartCapture(CaptureEngine& engine, int audioIndex = -1) {
    return engine.StartCapture(kCaptureFile, 0, audioIndex, 640, 480, kHost, 0);
  }
  int StartPreview(CaptureEngine& engine) { return engine.StartPreview(kHost, 0, 640, 480, 0, 0); }
  FakeFilterGraph& Graph() { return *world.ObjectsOf<FakeFilterGraph>().back(); }
};

// --- Dll_ShowSetting -----------------------------------------------------------------------------

class ShowSettingExport : public FakeWorldTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, CurrentEngine());
    OnTearDown([] { lumigrab::DestroyEngine(); });
  }
};

TEST_F(ShowSettingExport, AnswersMinusOneWithoutEngineAndShowsPagesOnlyWhileAGraphRuns) {
  world.AddVideoDevice(
      DeviceScript(L"Camera").With(Cap(640, 480, 24)).WithPropertyPages({kPageOne, kPageTwo}));
  platform.AddWindow(kHost, 640, 480);

  EXPECT_EQ(-1, Dll_ShowSetting(kHost));
  EXPECT_EQ(0, world.CallCount());

  lumigrab::CreateEngine(platform);
  int before = world.CallCount();
  EXPECT_EQ(0, Dll_ShowSetting(kHost));
  EXPECT_EQ(before, world.CallCount());

  ASSERT_EQ(1, Dll_Start(kHost, 0, 640, 480));
  EXPECT_EQ(1, Dll_ShowSetting(kHost));
  ASSERT_EQ(1u, platform.propertyFrames.size());
  const PropertyFrameRecord& frame = platform.propertyFrames[0];
  EXPECT_EQ(kHost, frame.owner);
  EXPECT_EQ(L"Video Capture", frame.caption);
  ASSERT_EQ(1u, frame.objectPointers.size());
  EXPECT_EQ(static_cast<IUnknown*>(CurrentEngine()->videoSource), frame.objectPointers[0]);
  EXPECT_EQ((std::vector<CLSID>{kPageOne, kPageTwo}), frame.pages);

  Dll_Stop();
  before = world.CallCount();
  EXPECT_EQ(0, Dll_ShowSetting(kHost));
  EXPECT_EQ(before, world.CallCount());
  EXPECT_EQ(1u, platform.propertyFrames.size());
}

// --- The property frame
// ---------------------------------------------------------------------------

struct FrameCase {
  const char* name;
  HWND owner;
  std::vector<CLSID> pages;
  HRESULT getPages;
  HRESULT queryFilterInfo;
  HRESULT frameAnswer;
  // What the frame must receive.
  std::wstring caption;
  bool pageArray;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class PropertyFrame : public SettingsTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(PropertyFrame, ReceivesTheFiltersOwnPagesAndLeavesNothingBehind) {
  const FrameCase& c = GetParam();
  FakeDevice& camera = world.AddVideoDevice(DeviceScript(L"Camera")
                                                .With(Cap(640, 480, 24))
                                                .WithPropertyPages(c.pages)
                                                .FailGetPages(c.getPages)
                                                .FailQueryFilterInfo(c.queryFilterInfo));
  platform.propertyFrameResult = c.frameAnswer;
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, StartCapture(engine));
  FakeCaptureFilter& filter = *camera.filters.back();
  const long filterReferences = filter.References();
  const long graphReferences = Graph().References();
  const int before = world.CallCount();

  int result = -7;
  TaskMemoryWatch& memory = TaskMemoryWatch::Instance();
  ASSERT_TRUE(memory.Around([&] { result = engine.ShowVideoSourcePages(c.owner); }));

  EXPECT_EQ(1, result);
  const std::vector<std::string> calls = world.CallsSince(before);
  ASSERT_EQ(4u, calls.size());
  EXPECT_EQ("Video0.QueryInterface(ISpecifyPropertyPages)", calls[0]);
  EXPECT_EQ("Video0.QueryFilterInfo()", calls[1]);
  EXPECT_EQ("Video0.GetPages()", calls[2]);
  EXPECT_EQ(0u, calls[3].rfind("Platform.OleCreatePropertyFrame(", 0)) << calls[3];

  ASSERT_EQ(1u, platform.propertyFrames.size());
  const PropertyFrameRecord& frame = platform.propertyFrames[0];
  EXPECT_EQ(c.owner, frame.owner);
  EXPECT_EQ(0u, frame.x);
  EXPECT_EQ(0u, frame.y);
  EXPECT_TRUE(frame.hasCaption);
  EXPECT_EQ(c.caption, frame.caption);
  EXPECT_EQ(1u, frame.objectCount);
  ASSERT_EQ(1u, frame.objectPointers.size());
  EXPECT_EQ(static_cast<IUnknown*>(engine.videoSource), frame.objectPointers[0]);
  // The page interface was given back before the frame came up.
  ASSERT_EQ(1u, frame.objectReferences.size());
  EXPECT_EQ(filterReferences, frame.objectReferences[0]);
  const std::vector<CLSID> expectedPages = c.pageArray ? c.pages : std::vector<CLSID>{};
  EXPECT_EQ(expectedPages.size(), frame.pageCount);
  EXPECT_EQ(c.pageArray, frame.hasPages);
  EXPECT_EQ(expectedPages, frame.pages);
  EXPECT_EQ(0u, frame.locale);
  EXPECT_EQ(0u, frame.reserved);
  EXPECT_EQ(nullptr, frame.reservedPointer);

  // The page list is freed once; a list that was never handed out is not freed at all.
  EXPECT_EQ(memory.allocated, memory.freed);
  EXPECT_EQ(c.pageArray ? 1u : 0u, memory.allocated.size());
  // The graph reference of the filter's information is released exactly once.
  EXPECT_EQ(graphReferences, Graph().References());
  EXPECT_EQ(filterReferences, filter.References());
  EXPECT_TRUE(world.Problems().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PropertyFrame,
    ::testing::Values(
        FrameCase{"TwoPagesOwned",
                  kOwner,
                  {kPageOne, kPageTwo},
                  S_OK,
                  S_OK,
                  S_OK,
                  L"Video Capture",
                  true},
        FrameCase{"WithoutOwner", nullptr, {kPageOne}, S_OK, S_OK, S_OK, L"Video Capture", true},
        FrameCase{
            "FrameCancelled", kOwner, {kPageOne}, S_OK, S_OK, S_FALSE, L"Video Capture", true},
        FrameCase{
            "FrameFails", kOwner, {kPageOne}, S_OK, S_OK, E_OUTOFMEMORY, L"Video Capture", true},
        FrameCase{"EmptyPageList", kOwner, {}, S_OK, S_OK, S_OK, L"Video Capture", false},
        FrameCase{"GetPagesFails",
                  kOwner,
                  {kPageOne, kPageTwo},
                  E_FAIL,
                  S_OK,
                  S_OK,
                  L"Video Capture",
                  false},
        FrameCase{"QueryFilterInfoFails", kOwner, {kPageOne}, S_OK, E_UNEXPECTED, S_OK, L"", true},
        FrameCase{"BothFail", nullptr, {kPageOne}, E_OUTOFMEMORY, E_FAIL, S_OK, L"", false}),
    [](const ::testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

struct NoPagesCase {
  const char* name;
  bool offersPages;
  HRESULT queryAnswer;  // injected into the query for ISpecifyPropertyPages; S_OK: none
};

void PrintTo(const NoPagesCase& c, std::ostream* os) { *os << c.name; }

class WithoutPropertyPages : public SettingsTest,
                             public ::testing::WithParamInterface<NoPagesCase> {};

TEST_P(WithoutPropertyPages, ShowsNothingAndAnswersZero) {
  const NoPagesCase& c = GetParam();
  DeviceScript script = DeviceScript(L"Camera").With(Cap(640, 480, 24));
  if (c.offersPages) script.WithPropertyPages({kPageOne});
  world.AddVideoDevice(script);
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, StartCapture(engine));
  if (c.queryAnswer != S_OK) {
    world.FailCall("Video0.QueryInterface(ISpecifyPropertyPages)", 0, c.queryAnswer);
  }
  const int before = world.CallCount();

  EXPECT_EQ(0, engine.ShowVideoSourcePages(kHost));

  EXPECT_EQ(std::vector<std::string>{"Video0.QueryInterface(ISpecifyPropertyPages)"},
            world.CallsSince(before));
  EXPECT_TRUE(platform.propertyFrames.empty());
  EXPECT_NE(nullptr, engine.videoSource);
}

INSTANTIATE_TEST_SUITE_P(Cases, WithoutPropertyPages,
                         ::testing::Values(NoPagesCase{"FilterOffersNone", false, S_OK},
                                           NoPagesCase{"QueryRefused", true, E_NOINTERFACE},
                                           NoPagesCase{"QueryFails", true, E_OUTOFMEMORY}),
                         [](const ::testing::TestParamInfo<NoPagesCase>& info) {
                           return std::string(info.param.name);
                         });

// --- Nothing to act on
// ----------------------------------------------------------------------------

enum class EngineState { Fresh, AfterCaptureStopped, AfterPreviewStopped, AfterFailedStart };

class NothingToActOn : public SettingsTest, public ::testing::WithParamInterface<EngineState> {};

TEST_P(NothingToActOn, EveryOperationAnswersZeroWithoutAPlatformCall) {
  world.AddVideoDevice(
      DeviceScript(L"Camera").With(Cap(640, 480, 24)).WithPropertyPages({kPageOne}));
  world.AddAudioDevice(DeviceScript(L"Microphone").WithPropertyPages({kAudioPage}));
  CaptureEngine& engine = MakeEngine();
  switch (GetParam()) {
    case EngineState::Fresh:
      break;
    case EngineState::AfterCaptureStopped:
      ASSERT_EQ(1, StartCapture(engine, 0));
      engine.Stop();
      break;
    case EngineState::AfterPreviewStopped:
      ASSERT_EQ(1, StartPreview(engine));
      engine.Stop();
      break;
    case EngineState::AfterFailedStart:
      // No capability of this size: the start fails after building part of a graph.
      ASSERT_EQ(0, engine.StartCapture(kCaptureFile, 0, 0, 800, 600, kHost, 0));
      break;
  }
  const int before = world.CallCount();
  const RECT place = {10, 20, 330, 260};

  EXPECT_EQ(0, engine.ShowVideoSourcePages(kOwner));
  EXPECT_EQ(0, engine.ShowAudioSourcePages(kOwner));
  EXPECT_EQ(0, engine.SetMessageDrain(kDrain));
  EXPECT_EQ(0, engine.SetVideoWindowPosition(kOwner, &place));
  EXPECT_EQ(0, engine.SetVideoWindowPosition(nullptr, nullptr));

  EXPECT_EQ(before, world.CallCount());
  EXPECT_TRUE(platform.propertyFrames.empty());
}

INSTANTIATE_TEST_SUITE_P(States, NothingToActOn,
                         ::testing::Values(EngineState::Fresh, EngineState::AfterCaptureStopped,
                                           EngineState::AfterPreviewStopped,
                                           EngineState::AfterFailedStart));

// --- The audio source's pages
// ---------------------------------------------------------------------

#if LUMIGRAB_RECORDING

TEST_F(SettingsTest, AudioPagesAreThoseOfTheAudioSourceOnceOneWasStarted) {
  world.AddVideoDevice(
      DeviceScript(L"Camera").With(Cap(640, 480, 24)).WithPropertyPages({kPageOne}));
  FakeDevice& microphone =
      world.AddAudioDevice(DeviceScript(L"Microphone").WithPropertyPages({kAudioPage}));
  CaptureEngine& engine = MakeEngine();

  // Without an audio device in the graph there is nothing to show.
  ASSERT_EQ(1, StartCapture(engine, -1));
  ASSERT_EQ(nullptr, engine.audioSource);
  int before = world.CallCount();
  EXPECT_EQ(0, engine.ShowAudioSourcePages(kOwner));
  EXPECT_EQ(before, world.CallCount());

  ASSERT_EQ(1, StartCapture(engine, 0));
  ASSERT_NE(nullptr, engine.audioSource);
  FakeCaptureFilter& filter = *microphone.filters.back();
  const long filterReferences = filter.References();
  const long graphReferences = Graph().References();
  before = world.CallCount();

  EXPECT_EQ(1, engine.ShowAudioSourcePages(kOwner));

  const std::string name = world.NameOf(engine.audioSource);
  std::vector<std::string> calls = world.CallsSince(before);
  ASSERT_EQ(4u, calls.size());
  calls.pop_back();
  EXPECT_EQ((std::vector<std::string>{name + ".QueryInterface(ISpecifyPropertyPages)",
                                      name + ".QueryFilterInfo()", name + ".GetPages()"}),
            calls);
  ASSERT_EQ(1u, platform.propertyFrames.size());
  const PropertyFrameRecord& frame = platform.propertyFrames[0];
  EXPECT_EQ(kOwner, frame.owner);
  EXPECT_EQ(L"Audio Capture", frame.caption);
  ASSERT_EQ(1u, frame.objectPointers.size());
  EXPECT_EQ(static_cast<IUnknown*>(engine.audioSource), frame.objectPointers[0]);
  EXPECT_EQ(filterReferences, frame.objectReferences[0]);
  EXPECT_EQ(std::vector<CLSID>{kAudioPage}, frame.pages);
  EXPECT_EQ(graphReferences, Graph().References());
}

#else

class AudioPagesInPreview : public SettingsTest, public ::testing::WithParamInterface<int> {};

TEST_P(AudioPagesInPreview, AreNeverShown) {
  world.AddVideoDevice(
      DeviceScript(L"Camera").With(Cap(640, 480, 24)).WithPropertyPages({kPageOne}));
  world.AddAudioDevice(DeviceScript(L"Microphone").WithPropertyPages({kAudioPage}));
  CaptureEngine& engine = MakeEngine();
  switch (GetParam()) {
    case 0:
      break;
    case 1:
      ASSERT_EQ(1, StartCapture(engine, 0));
      break;
    case 2:
      ASSERT_EQ(1, StartPreview(engine));
      break;
    case 3:
      ASSERT_EQ(1, StartCapture(engine, 0));
      engine.Stop();
      break;
  }
  const int before = world.CallCount();
  EXPECT_EQ(0, engine.ShowAudioSourcePages(kOwner));
  EXPECT_EQ(before, world.CallCount());
  EXPECT_TRUE(platform.propertyFrames.empty());
}

INSTANTIATE_TEST_SUITE_P(States, AudioPagesInPreview, ::testing::Values(0, 1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                           switch (info.param) {
                             case 1:
                               return std::string("CaptureWithAudioAskedFor");
                             case 2:
                               return std::string("PreviewRunning");
                             case 3:
                               return std::string("CaptureStopped");
                           }
                           return std::string("Fresh");
                         });

#endif

// --- Message drain
// --------------------------------------------------------------------------------

struct DrainCase {
  const char* name;
  HWND drain;
  HRESULT answer;  // injected into put_MessageDrain; S_OK: none
};

void PrintTo(const DrainCase& c, std::ostream* os) { *os << c.name; }

class MessageDrain : public SettingsTest, public ::testing::WithParamInterface<DrainCase> {};

TEST_P(MessageDrain, IsHandedToTheVideoWindowWhateverItAnswers) {
  const DrainCase& c = GetParam();
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, StartPreview(engine));
  if (c.answer != S_OK) world.FailCall("Graph.put_MessageDrain", 0, c.answer);
  const VideoWindowState placed = Graph().window;
  const int before = world.CallCount();

  EXPECT_EQ(1, engine.SetMessageDrain(c.drain));

  EXPECT_EQ(std::vector<std::string>{"Graph.put_MessageDrain(" +
                                     Hex(reinterpret_cast<uintptr_t>(c.drain)) + ")"},
            world.CallsSince(before));
  if (c.answer == S_OK) {
    ASSERT_TRUE(Graph().window.messageDrain.has_value());
    EXPECT_EQ(reinterpret_cast<OAHWND>(c.drain), *Graph().window.messageDrain);
  }
  EXPECT_EQ(placed.owner, Graph().window.owner);
  EXPECT_EQ(placed.visible, Graph().window.visible);
}

INSTANTIATE_TEST_SUITE_P(Cases, MessageDrain,
                         ::testing::Values(DrainCase{"Window", kDrain, S_OK},
                                           DrainCase{"NoWindow", nullptr, S_OK},
                                           DrainCase{"Refused", kDrain, E_FAIL}),
                         [](const ::testing::TestParamInfo<DrainCase>& info) {
                           return std::string(info.param.name);
                         });

// --- Video window position
// ------------------------------------------------------------------------

struct PositionCase {
  const char* name;
  HWND owner;
  std::optional<RECT> record;
  const char* refusedCall;  // a video window call injected to fail, or null
  std::vector<std::string> calls;
  HWND ownerAfter;
  RECT positionAfter;  // left, top, width, height as SetWindowPosition received them
};

void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }

class VideoWindowPosition : public SettingsTest,
                            public ::testing::WithParamInterface<PositionCase> {};

TEST_P(VideoWindowPosition, PlacesTheWindowAndNeverTouchesStyleOrVisibility) {
  const PositionCase& c = GetParam();
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, StartPreview(engine));
  ASSERT_EQ(reinterpret_cast<OAHWND>(kHost), Graph().window.owner);
  if (c.refusedCall != nullptr) world.FailCall(c.refusedCall, 0, E_FAIL);
  const int before = world.CallCount();

  const RECT* record = c.record ? &*c.record : nullptr;
  EXPECT_EQ(1, engine.SetVideoWindowPosition(c.owner, record));

  EXPECT_EQ(c.calls, world.CallsSince(before));
  const VideoWindowState& window = Graph().window;
  EXPECT_EQ(reinterpret_cast<OAHWND>(c.ownerAfter), window.owner);
  ASSERT_TRUE(window.position.has_value());
  EXPECT_EQ(c.positionAfter.left, window.position->left);
  EXPECT_EQ(c.positionAfter.top, window.position->top);
  EXPECT_EQ(c.positionAfter.right, window.position->right);
  EXPECT_EQ(c.positionAfter.bottom, window.position->bottom);
  EXPECT_EQ(WS_CHILD, window.style);
  EXPECT_EQ(OATRUE, window.visible);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VideoWindowPosition,
    ::testing::Values(
        PositionCase{"OwnerFillsItsClientArea",
                     kOwner,
                     std::nullopt,
                     nullptr,
                     {"Graph.put_Owner(0x6160)", "Platform.GetClientRect(0x6160)",
                      "Graph.SetWindowPosition(0, 0, 640, 480)"},
                     kOwner,
                     {0, 0, 640, 480}},
        // Right and bottom go on unchanged: the record reads as left, top, width, height.
        PositionCase{"RecordAlone",
                     nullptr,
                     RECT{10, 20, 330, 260},
                     nullptr,
                     {"Graph.SetWindowPosition(10, 20, 330, 260)"},
                     kHost,
                     {10, 20, 330, 260}},
        PositionCase{"RecordWinsOverOwner",
                     kOwner,
                     RECT{10, 20, 330, 260},
                     nullptr,
                     {"Graph.put_Owner(0x6160)", "Platform.GetClientRect(0x6160)",
                      "Graph.SetWindowPosition(10, 20, 330, 260)"},
                     kOwner,
                     {10, 20, 330, 260}},
        PositionCase{
            "NeitherLeavesThePlace", nullptr, std::nullopt, nullptr, {}, kHost, {0, 0, 320, 240}},
        PositionCase{"OwnerWithoutClientAreaLeavesThePlace",
                     kNoWindow,
                     std::nullopt,
                     nullptr,
                     {"Graph.put_Owner(0x9990)", "Platform.GetClientRect(0x9990)"},
                     kNoWindow,
                     {0, 0, 320, 240}},
        PositionCase{"OwnerRefused",
                     kOwner,
                     std::nullopt,
                     "Graph.put_Owner",
                     {"Graph.put_Owner(0x6160)", "Platform.GetClientRect(0x6160)",
                      "Graph.SetWindowPosition(0, 0, 640, 480)"},
                     kHost,
                     {0, 0, 640, 480}},
        PositionCase{"PositionRefused",
                     nullptr,
                     RECT{-8, -4, 100, 50},
                     "Graph.SetWindowPosition",
                     {"Graph.SetWindowPosition(-8, -4, 100, 50)"},
                     kHost,
                     {0, 0, 320, 240}}),
    [](const ::testing::TestParamInfo<PositionCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace lumigrab::fake
