// The crossbar router of the recording configuration: finding a capture card's crossbar upstream of
// a source filter, listing its pins with their connector names, routing every output to an input;
// and how StartCapture uses it.
#include "crossbar/crossbar_router.h"

#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "engine_test.h"
#include "platform/com_ptr.h"

namespace lumigrab::fake {
namespace {

std::string Describe(const CrossbarPinList& list) {
  std::string text;
  for (const auto& record : list) {
    if (!text.empty()) text += "; ";
    if (!record) {
      text += "null";
      continue;
    }
    text += std::to_string(record->pinIndex) + "/" + std::to_string(record->relatedPinIndex) + "/" +
            std::to_string(record->physicalType) + "/" + record->typeName;
  }
  return text;
}

std::vector<const CrossbarPinRecord*> Entries(const CrossbarPinList& list) {
  std::vector<const CrossbarPinRecord*> entries;
  for (const auto& record : list) entries.push_back(record.get());
  return entries;
}

IAMCrossbar* InterfaceOf(FakeCrossbar& card) { return static_cast<IAMCrossbar*>(&card); }

// Journal lines since `from` of the calls made on crossbars.
std::vector<std::string> CrossbarCallsSince(const FakeWorld& world, int from) {
  std::vector<std::string> calls;
  for (size_t i = static_cast<size_t>(from); i < world.Journal().size(); ++i) {
    if (world.Journal()[i].text.rfind("Crossbar", 0) == 0) calls.push_back(world.Journal()[i].text);
  }
  return calls;
}

class RouterTest : public FakeWorldTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, world.Make<FakeCaptureGraphBuilder>().HandOut(IID_ICaptureGraphBuilder2,
                                                                  builder.ReceiveVoid()));
    OnTearDown([this] {
      router.reset();
      builder.Reset();
      for (IBaseFilter* filter : filters_) filter->Release();
      filters_.clear();
    });
  }

  // The capture filter of a new device, with that crossbar upstream (none: a web camera).
  IBaseFilter* SourceWith(FakeCrossbar* card) {
    DeviceScript script(L"Card");
    if (card != nullptr) script.WithCrossbar(*card);
    FakeCaptureFilter& filter = world.Make<FakeCaptureFilter>(world.AddVideoDevice(script));
    IBaseFilter* source = nullptr;
    EXPECT_EQ(S_OK, filter.HandOut(IID_IBaseFilter, reinterpret_cast<void**>(&source)));
    filters_.push_back(source);
    return source;
  }

  // Attaches the router to a new source with that crossbar upstream.
  int AttachTo(FakeCrossbar& card) { return router->Attach(builder.Get(), SourceWith(&card)); }

  std::unique_ptr<CrossbarRouter> router = std::make_unique<CrossbarRouter>();
  ComPtr<ICaptureGraphBuilder2> builder;

 private:
  std::vector<IBaseFilter*> filters_;
};

// Inputs 0..5: tuner, composite, S-Video, then the three again; outputs: video and audio decoder.
CrossbarScript Card() {
  return CrossbarScript()
      .Input(PhysConn_Video_Tuner, 3)
      .Input(PhysConn_Video_Composite, 4)
      .Input(PhysConn_Video_SVideo, 5)
      .Input(PhysConn_Video_Tuner)
      .Input(PhysConn_Video_Composite)
      .Input(PhysConn_Video_SVideo)
      .Output(PhysConn_Video_VideoDecoder, 0)
      .Output(PhysConn_Audio_AudioDecoder);
}

TEST_F(RouterTest, StartsEmpty) {
  EXPECT_EQ(0, router->initialised);
  EXPECT_EQ(nullptr, router->crossbar);
  EXPECT_TRUE(router->inputPins.empty());
  EXPECT_TRUE(router->outputPins.empty());
}

TEST_F(RouterTest, AttachAsksUpstreamOfTheFilterAndListsEveryPin) {
  FakeCrossbar& card = world.AddCrossbar(Card());
  IBaseFilter* source = SourceWith(&card);
  const int before = world.CallCount();

  EXPECT_EQ(1, router->Attach(builder.Get(), source));

  EXPECT_EQ(1, router->initialised);
  EXPECT_EQ(InterfaceOf(card), router->crossbar);
  EXPECT_EQ(1, card.References());
  EXPECT_EQ(
      "0/3/1/Video_Tuner; 1/4/2/Video_Composite; 2/5/3/Video_SVideo; 3/-1/1/Video_Tuner; "
      "4/-1/2/Video_Composite; 5/-1/3/Video_SVideo",
      Describe(router->inputPins));
  EXPECT_EQ("0/0/12/Video_VideoDecoder; 1/-1/4105/Audio_AudioDecoder",
            Describe(router->outputPins));
  EXPECT_EQ(2, router->OutputPinCount());
  std::vector<std::string> calls;
  for (size_t i = static_cast<size_t>(before); i < world.Journal().size(); ++i) {
    calls.push_back(world.Journal()[i].text);
  }
  EXPECT_EQ((std::vector<std::string>{
                "Builder.FindInterface(LOOK_UPSTREAM_ONLY, null, Video0, IAMCrossbar)",
                "Crossbar.get_PinCounts()", "Crossbar.get_CrossbarPinInfo(input 0)",
                "Crossbar.get_CrossbarPinInfo(input 1)", "Crossbar.get_CrossbarPinInfo(input 2)",
                "Crossbar.get_CrossbarPinInfo(input 3)", "Crossbar.get_CrossbarPinInfo(input 4)",
                "Crossbar.get_CrossbarPinInfo(input 5)", "Crossbar.get_CrossbarPinInfo(output 0)",
                "Crossbar.get_CrossbarPinInfo(output 1)"}),
            calls);
}

// A failed attach, on a fresh router or one that holds a crossbar, changes nothing; a lookup that
// handed out a crossbar with S_FALSE gets that reference back.
enum class AttachFailure { NullFilter, NoCrossbarUpstream, LookupFails, LookupAnswersSFalse };

struct FailedAttachCase {
  const char* name;
  AttachFailure failure;
  bool attachedBefore;
};

void PrintTo(const FailedAttachCase& c, std::ostream* os) { *os << c.name; }

class FailedAttach : public RouterTest, public ::testing::WithParamInterface<FailedAttachCase> {};

TEST_P(FailedAttach, LeavesTheRouterExactlyAsItWas) {
  const FailedAttachCase& c = GetParam();
  FakeCrossbar& held = world.AddCrossbar(Card());
  FakeCrossbar& other = world.AddCrossbar(
      CrossbarScript().Input(PhysConn_Audio_Line).Output(PhysConn_Audio_AudioDecoder));
  if (c.attachedBefore) {
    ASSERT_EQ(1, AttachTo(held));
  }
  const int initialised = router->initialised;
  IAMCrossbar* const crossbar = router->crossbar;
  const std::vector<const CrossbarPinRecord*> inputs = Entries(router->inputPins);
  const std::vector<const CrossbarPinRecord*> outputs = Entries(router->outputPins);
  const std::string inputText = Describe(router->inputPins);
  const std::string outputText = Describe(router->outputPins);

  IBaseFilter* source = nullptr;
  const int lookup = world.CountCalls("Builder.FindInterface") + 1;
  switch (c.failure) {
    case AttachFailure::NullFilter:
      break;
    case AttachFailure::NoCrossbarUpstream:
      source = SourceWith(nullptr);
      break;
    case AttachFailure::LookupFails:
      source = SourceWith(&other);
      world.FailCall("Builder.FindInterface", lookup, E_FAIL);
      break;
    case AttachFailure::LookupAnswersSFalse:
      source = SourceWith(&other);
      world.FailCall("Builder.FindInterface", lookup, S_FALSE);
      break;
  }
  const int before = world.CallCount();

  EXPECT_EQ(0, router->Attach(builder.Get(), source));

  EXPECT_EQ(initialised, router->initialised);
  EXPECT_EQ(crossbar, router->crossbar);
  EXPECT_EQ(inputs, Entries(router->inputPins));
  EXPECT_EQ(outputs, Entries(router->outputPins));
  EXPECT_EQ(inputText, Describe(router->inputPins));
  EXPECT_EQ(outputText, Describe(router->outputPins));
  EXPECT_EQ(c.attachedBefore ? 1 : 0, held.References());
  EXPECT_EQ(0, other.References());
  EXPECT_TRUE(CrossbarCallsSince(world, before).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedAttach,
    ::testing::Values(
        FailedAttachCase{"NullFilterOnAFreshRouter", AttachFailure::NullFilter, false},
        FailedAttachCase{"NullFilterKeepsTheCrossbar", AttachFailure::NullFilter, true},
        FailedAttachCase{"WebCameraOnAFreshRouter", AttachFailure::NoCrossbarUpstream, false},
        FailedAttachCase{"WebCameraKeepsTheCrossbar", AttachFailure::NoCrossbarUpstream, true},
        FailedAttachCase{"LookupFailsOnAFreshRouter", AttachFailure::LookupFails, false},
        FailedAttachCase{"LookupFailsKeepsTheCrossbar", AttachFailure::LookupFails, true},
        FailedAttachCase{"SFalseOnAFreshRouter", AttachFailure::LookupAnswersSFalse, false},
        FailedAttachCase{"SFalseKeepsTheCrossbar", AttachFailure::LookupAnswersSFalse, true}),
    [](const ::testing::TestParamInfo<FailedAttachCase>& info) { return info.param.name; });

TEST_F(RouterTest, ALaterAttachReleasesTheOldCrossbarAndRebuildsTheLists) {
  FakeCrossbar& first = world.AddCrossbar(Card());
  FakeCrossbar& second = world.AddCrossbar(
      CrossbarScript().Input(PhysConn_Audio_Line).Output(PhysConn_Audio_AudioDecoder));
  ASSERT_EQ(1, AttachTo(first));

  EXPECT_EQ(1, AttachTo(second));

  EXPECT_EQ(0, first.References());
  EXPECT_EQ(1, second.References());
  EXPECT_EQ(InterfaceOf(second), router->crossbar);
  EXPECT_EQ(1, router->initialised);
  EXPECT_EQ("0/-1/4097/Audio_Line", Describe(router->inputPins));
  EXPECT_EQ("0/-1/4105/Audio_AudioDecoder", Describe(router->outputPins));
}

TEST_F(RouterTest, TheSameCrossbarTwiceIsHeldOnceAndListedAgain) {
  FakeCrossbar& card = world.AddCrossbar(Card());
  ASSERT_EQ(1, AttachTo(card));
  const std::string inputs = Describe(router->inputPins);
  const std::string outputs = Describe(router->outputPins);

  EXPECT_EQ(1, AttachTo(card));

  EXPECT_EQ(1, card.References());
  EXPECT_EQ(2, world.CountCalls("Crossbar.get_PinCounts"));
  EXPECT_EQ(inputs, Describe(router->inputPins));
  EXPECT_EQ(outputs, Describe(router->outputPins));
}

class UnreadablePinCounts : public RouterTest, public ::testing::WithParamInterface<HRESULT> {};

TEST_P(UnreadablePinCounts, TakeTheCrossbarWithEmptyListsThatRouteNothing) {
  FakeCrossbar& previous = world.AddCrossbar(Card());
  FakeCrossbar& card = world.AddCrossbar(Card());
  ASSERT_EQ(1, AttachTo(previous));
  world.FailCall("Crossbar#2.get_PinCounts", 1, GetParam());

  EXPECT_EQ(1, AttachTo(card));

  EXPECT_EQ(1, router->initialised);
  EXPECT_EQ(InterfaceOf(card), router->crossbar);
  EXPECT_EQ(0, previous.References());
  EXPECT_TRUE(router->inputPins.empty());
  EXPECT_TRUE(router->outputPins.empty());
  const int before = world.CallCount();
  EXPECT_EQ(0, router->RouteOutput(0, -1));
  EXPECT_EQ(0, router->RouteOutput(0, PhysConn_Video_Tuner));
  EXPECT_EQ(before, world.CallCount());
}

INSTANTIATE_TEST_SUITE_P(Results, UnreadablePinCounts, ::testing::Values(E_FAIL, S_FALSE));

// A pin whose information cannot be read is left out; the later ones keep their own index, and
// the search with no preference counts list positions, not pins.
class UnreadablePinInfo : public RouterTest, public ::testing::WithParamInterface<HRESULT> {};

TEST_P(UnreadablePinInfo, LeavesThePinOutAndTheSearchCountsListPositions) {
  FakeCrossbar& card = world.AddCrossbar(CrossbarScript()
                                             .Input(PhysConn_Video_Tuner)
                                             .Input(PhysConn_Video_Composite)
                                             .Input(PhysConn_Video_SVideo)
                                             .Output(PhysConn_Video_VideoDecoder)
                                             .Output(PhysConn_Audio_AudioDecoder)
                                             .CanRoute(0, 0, S_FALSE)
                                             .CanRoute(0, 1, S_FALSE));
  world.FailCall("Crossbar.get_CrossbarPinInfo", 2, GetParam());  // input 1
  world.FailCall("Crossbar.get_CrossbarPinInfo", 4, GetParam());  // output 0
  ASSERT_EQ(1, AttachTo(card));
  EXPECT_EQ("0/-1/1/Video_Tuner; 2/-1/3/Video_SVideo", Describe(router->inputPins));
  EXPECT_EQ("1/-1/4105/Audio_AudioDecoder", Describe(router->outputPins));

  const int before = world.CallCount();
  EXPECT_EQ(0, router->RouteOutput(0, -1));
  EXPECT_EQ((std::vector<std::string>{"Crossbar.get_IsRoutedTo(output=0)",
                                      "Crossbar.CanRoute(output=0, input=0)",
                                      "Crossbar.CanRoute(output=0, input=1)"}),
            CrossbarCallsSince(world, before));
  // One output entry is left, so output 1 is out of reach.
  const int later = world.CallCount();
  EXPECT_EQ(0, router->RouteOutput(1, -1));
  EXPECT_EQ(later, world.CallCount());
}

INSTANTIATE_TEST_SUITE_P(Results, UnreadablePinInfo, ::testing::Values(E_FAIL, S_FALSE));

TEST_F(RouterTest, NullEntriesAreSkippedByTypeButCountAsInputPositions) {
  FakeCrossbar& card = world.AddCrossbar(CrossbarScript()
                                             .Input(PhysConn_Video_Tuner)
                                             .Input(PhysConn_Video_Composite)
                                             .Output(PhysConn_Video_VideoDecoder));
  ASSERT_EQ(1, AttachTo(card));
  // As a record that could not be allocated leaves it.
  router->inputPins[0].reset();

  EXPECT_EQ(nullptr, router->FindPinByType(router->inputPins, PhysConn_Video_Tuner));
  EXPECT_EQ(router->inputPins[1].get(),
            router->FindPinByType(router->inputPins, PhysConn_Video_Composite));
  EXPECT_EQ(nullptr, router->FindPinByType(router->outputPins, PhysConn_Video_Composite));
  EXPECT_EQ(nullptr, router->FindPinByType(CrossbarPinList(), PhysConn_Video_Composite));
  EXPECT_EQ(1, router->RouteOutput(0, PhysConn_Video_Tuner));  // no input of that type
  EXPECT_TRUE(card.routes.empty());
  EXPECT_EQ(1, router->RouteOutput(0, -1));
  EXPECT_EQ((std::vector<std::pair<LONG, LONG>>{{0, 0}}), card.routes);
}

TEST_F(RouterTest, BuildPinListsWithAnythingMissingChangesNothing) {
  FakeCrossbar& card = world.AddCrossbar(Card());
  ASSERT_EQ(1, AttachTo(card));
  const std::vector<const CrossbarPinRecord*> inputs = Entries(router->inputPins);
  const std::vector<const CrossbarPinRecord*> outputs = Entries(router->outputPins);
  const int before = world.CallCount();

  EXPECT_EQ(0, router->BuildPinLists(nullptr, &router->inputPins, &router->outputPins));
  EXPECT_EQ(0, router->BuildPinLists(router->crossbar, nullptr, &router->outputPins));
  EXPECT_EQ(0, router->BuildPinLists(router->crossbar, &router->inputPins, nullptr));

  EXPECT_EQ(inputs, Entries(router->inputPins));
  EXPECT_EQ(outputs, Entries(router->outputPins));
  EXPECT_EQ(before, world.CallCount());
}

TEST_F(RouterTest, DestructionReleasesTheCrossbarOnce) {
  FakeCrossbar& card = world.AddCrossbar(Card());
  ASSERT_EQ(1, AttachTo(card));
  const size_t releases = world.Releases().size();
  router.reset();
  EXPECT_EQ(0, card.References());
  EXPECT_EQ(
      std::vector<std::string>{"Crossbar"},
      std::vector<std::string>(world.Releases().begin() + static_cast<std::ptrdiff_t>(releases),
                               world.Releases().end()));
}

struct RouteCase {
  const char* name;
  CrossbarScript script;
  LONG output;
  LONG physicalType;
  int result;
  std::vector<std::string> calls;   // on the crossbar
  const char* sFalseKey = nullptr;  // a call that answers S_FALSE the first time
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

CrossbarScript CardWithoutInfoForInput0() {
  CrossbarScript script = Card();
  script.inputs[0].infoResult = E_FAIL;
  return script;
}

class RouteOutput : public RouterTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(RouteOutput, RoutesOnlyWhatNeedsRoutingAndOnlyTheRouterAsked) {
  const RouteCase& c = GetParam();
  FakeCrossbar& card = world.AddCrossbar(c.script);
  ASSERT_EQ(1, AttachTo(card));
  if (c.sFalseKey != nullptr) world.FailCall(c.sFalseKey, 1, S_FALSE);
  const std::vector<const CrossbarPinRecord*> inputs = Entries(router->inputPins);
  const std::vector<const CrossbarPinRecord*> outputs = Entries(router->outputPins);
  const int before = world.CallCount();

  EXPECT_EQ(c.result, router->RouteOutput(c.output, c.physicalType));

  EXPECT_EQ(c.calls, CrossbarCallsSince(world, before));
  EXPECT_EQ(1, router->initialised);
  EXPECT_EQ(InterfaceOf(card), router->crossbar);
  EXPECT_EQ(inputs, Entries(router->inputPins));
  EXPECT_EQ(outputs, Entries(router->outputPins));
}

const char* const kIsRoutedTo0 = "Crossbar.get_IsRoutedTo(output=0)";

// Columns: crossbar; output; wanted type; result; calls on the crossbar; a call answering S_FALSE.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, RouteOutput,
    ::testing::Values(
        RouteCase{"NegativeOutput", Card(), -1, -1, 0, {}},
        RouteCase{"NegativeOutputWithAType", Card(), -1, PhysConn_Video_Tuner, 0, {}},
        RouteCase{"OutputEqualToTheCount", Card(), 2, -1, 0, {}},
        RouteCase{"OutputFarBeyond", Card(), LONG_MAX, -1, 0, {}},
        RouteCase{"RoutedAlready", Card().RoutedTo(0, 3), 0, -1, 1, {kIsRoutedTo0}},
        RouteCase{"ThirdInputAccepted", Card().CanRoute(0, 0, S_FALSE).CanRoute(0, 1, S_FALSE),
                  0, -1, 1,
                  {kIsRoutedTo0, "Crossbar.CanRoute(output=0, input=0)",
                   "Crossbar.CanRoute(output=0, input=1)", "Crossbar.CanRoute(output=0, input=2)",
                   "Crossbar.Route(output=0, input=2)"}},
        RouteCase{"CanRouteFailingMovesOn", Card().CanRoute(1, 0, E_FAIL),
                  1, -1, 1,
                  {"Crossbar.get_IsRoutedTo(output=1)", "Crossbar.CanRoute(output=1, input=0)",
                   "Crossbar.CanRoute(output=1, input=1)", "Crossbar.Route(output=1, input=1)"}},
        RouteCase{"NoInputCanFeed",
                  Card().CanRoute(0, 0, S_FALSE).CanRoute(0, 1, S_FALSE).CanRoute(0, 2, S_FALSE)
                      .CanRoute(0, 3, S_FALSE).CanRoute(0, 4, S_FALSE).CanRoute(0, 5, S_FALSE),
                  0, -1, 0,
                  {kIsRoutedTo0, "Crossbar.CanRoute(output=0, input=0)",
                   "Crossbar.CanRoute(output=0, input=1)", "Crossbar.CanRoute(output=0, input=2)",
                   "Crossbar.CanRoute(output=0, input=3)", "Crossbar.CanRoute(output=0, input=4)",
                   "Crossbar.CanRoute(output=0, input=5)"}},
        RouteCase{"RouteFailsAtTheFirstAcceptedInput", Card().RouteAnswers(0, 0, E_FAIL),
                  0, -1, 0,
                  {kIsRoutedTo0, "Crossbar.CanRoute(output=0, input=0)",
                   "Crossbar.Route(output=0, input=0)"}},
        RouteCase{"RouteAnsweringSFalseFails", Card(),
                  0, -1, 0,
                  {kIsRoutedTo0, "Crossbar.CanRoute(output=0, input=0)",
                   "Crossbar.Route(output=0, input=0)"},
                  "Crossbar.Route"},
        RouteCase{"CurrentRoutingUnreadable",
                  [] {
                    CrossbarScript script = Card();
                    script.isRoutedToResult[0] = E_FAIL;
                    return script;
                  }(),
                  0, -1, 0, {kIsRoutedTo0}},
        RouteCase{"CurrentRoutingAnsweringSFalseFails", Card(), 0, -1, 0, {kIsRoutedTo0},
                  "Crossbar.get_IsRoutedTo"},
        RouteCase{"TypeNoInputHas", Card(), 0, PhysConn_Video_RGB, 1, {kIsRoutedTo0}},
        // S-Video is held by inputs 2 and 5; without input 0 in the list, input 2 stands at
        // position 1, and its pin index is what is routed. The current routing is not consulted.
        RouteCase{"TypeRoutesTheFirstHolderByPinIndex", CardWithoutInfoForInput0().RoutedTo(0, 4),
                  0, PhysConn_Video_SVideo, 1,
                  {kIsRoutedTo0, "Crossbar.Route(output=0, input=2)"}},
        RouteCase{"TypeRouteFails", Card().RouteAnswers(1, 1, E_FAIL),
                  1, PhysConn_Video_Composite, 0,
                  {"Crossbar.get_IsRoutedTo(output=1)", "Crossbar.Route(output=1, input=1)"}}),
    [](const ::testing::TestParamInfo<RouteCase>& info) { return info.param.name; });
// clang-format on

struct ConnectorCase {
  LONG physicalType;
  const char* name;
};

void PrintTo(const ConnectorCase& c, std::ostream* os) { *os << c.physicalType; }

class ConnectorNames : public RouterTest, public ::testing::WithParamInterface<ConnectorCase> {};

TEST_P(ConnectorNames, NameEveryInputAndOutputPinByTheTable) {
  const ConnectorCase& c = GetParam();
  EXPECT_STREQ(c.name, PhysicalConnectorName(c.physicalType));
  FakeCrossbar& card =
      world.AddCrossbar(CrossbarScript().Input(c.physicalType).Output(c.physicalType));
  ASSERT_EQ(1, AttachTo(card));
  ASSERT_EQ(1u, router->inputPins.size());
  ASSERT_EQ(1u, router->outputPins.size());
  EXPECT_EQ(c.physicalType, router->inputPins[0]->physicalType);
  EXPECT_STREQ(c.name, router->inputPins[0]->typeName);
  EXPECT_STREQ(c.name, router->outputPins[0]->typeName);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConnectorNames,
    ::testing::Values(ConnectorCase{INT_MIN, "Unknown Type"}, ConnectorCase{-1, "Unknown Type"},
                      ConnectorCase{0, "Unknown Type"}, ConnectorCase{1, "Video_Tuner"},
                      ConnectorCase{2, "Video_Composite"}, ConnectorCase{3, "Video_SVideo"},
                      ConnectorCase{4, "Video_RGB"}, ConnectorCase{5, "Video_YRYBY"},
                      ConnectorCase{6, "Video_SerialDigital"},
                      ConnectorCase{7, "Video_ParallelDigital"}, ConnectorCase{8, "Video_SCSI"},
                      ConnectorCase{9, "Video_AUX"}, ConnectorCase{10, "Video_1394"},
                      ConnectorCase{11, "Video_USB"}, ConnectorCase{12, "Video_VideoDecoder"},
                      ConnectorCase{13, "Video_VideoEncoder"}, ConnectorCase{14, "Unknown Type"},
                      ConnectorCase{15, "Unknown Type"}, ConnectorCase{4095, "Unknown Type"},
                      ConnectorCase{4096, "Audio_Tuner"}, ConnectorCase{4097, "Audio_Line"},
                      ConnectorCase{4098, "Audio_Mic"}, ConnectorCase{4099, "Audio_AESDigital"},
                      ConnectorCase{4100, "Audio_SPDIFDigital"}, ConnectorCase{4101, "Audio_SCSI"},
                      ConnectorCase{4102, "Audio_AUX"}, ConnectorCase{4103, "Audio_1394"},
                      ConnectorCase{4104, "Audio_USB"}, ConnectorCase{4105, "Audio_AudioDecoder"},
                      ConnectorCase{4106, "Unknown Type"}, ConnectorCase{8192, "Unknown Type"},
                      ConnectorCase{INT_MAX, "Unknown Type"}));

// --- The router in StartCapture ----------------------------------------------------------------

const HWND kWindow = reinterpret_cast<HWND>(0x4711);
const char kCaptureFile[] = "C:\\Temp\\test.avi";

class CaptureCrossbar : public EngineTest {
 protected:
  void SetUp() override { platform.AddWindow(kWindow, 640, 480); }
};

TEST_F(CaptureCrossbar, EveryOutputIsRoutedBeforeTheGraphIsConnected) {
  FakeCrossbar& card = world.AddCrossbar(CrossbarScript()
                                             .Input(PhysConn_Video_Tuner)
                                             .Input(PhysConn_Video_Composite)
                                             .Output(PhysConn_Video_VideoDecoder)
                                             .Output(PhysConn_Audio_AudioDecoder)
                                             .Output(PhysConn_Video_VideoDecoder)
                                             .RoutedTo(1, 0)
                                             .CanRoute(0, 0, S_FALSE)
                                             .RouteAnswers(0, 1, E_FAIL));
  world.AddVideoDevice(DeviceScript(L"Card").With(Cap(640, 480, 24)).WithCrossbar(card));
  world.AddAudioDevice(DeviceScript(L"Line In"));
  CaptureEngine& engine = MakeEngine();
  const int before = world.CallCount();

  ASSERT_EQ(1, engine.StartCapture(kCaptureFile, 0, 0, 640, 480, kWindow, 1));

  // Output 0 cannot be routed; that keeps neither the others nor the start from going on.
  const std::vector<std::string> routing = {
      "Crossbar.get_IsRoutedTo(output=0)",    "Crossbar.CanRoute(output=0, input=0)",
      "Crossbar.CanRoute(output=0, input=1)", "Crossbar.Route(output=0, input=1)",
      "Crossbar.get_IsRoutedTo(output=1)",    "Crossbar.get_IsRoutedTo(output=2)",
      "Crossbar.CanRoute(output=2, input=0)", "Crossbar.Route(output=2, input=0)"};
  std::vector<std::string> calls = CrossbarCallsSince(world, before);
  ASSERT_GE(calls.size(), routing.size());
  EXPECT_EQ(routing, std::vector<std::string>(
                         calls.end() - static_cast<std::ptrdiff_t>(routing.size()), calls.end()));
  EXPECT_EQ((std::vector<std::pair<LONG, LONG>>{{2, 0}}), card.routes);
  int lastRoute = 0;
  int firstRender = 0;
  for (const JournalEntry& entry : world.Journal()) {
    if (entry.text.rfind("Crossbar.Route", 0) == 0) lastRoute = entry.number;
    if (firstRender == 0 && entry.text.find(".RenderStream(") != std::string::npos) {
      firstRender = entry.number;
    }
  }
  ASSERT_NE(0, firstRender);
  EXPECT_LT(lastRoute, firstRender);
  ASSERT_NE(nullptr, engine.crossbarRouter);
  EXPECT_EQ(InterfaceOf(card), engine.crossbarRouter->crossbar);

  engine.Stop();
  EXPECT_EQ(nullptr, engine.crossbarRouter);
  EXPECT_EQ(0, card.References());
}

// Which crossbar the started graph's router keeps: the video source's over the audio source's.
struct HeldCase {
  const char* name;
  bool videoCard;
  bool audioCard;
  bool audioDevice;
  const char* held;  // "video", "audio" or none
  std::vector<std::string> sourcesLookedUpstream;
};

void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.name; }

class CrossbarOfTheStartedGraph : public CaptureCrossbar,
                                  public ::testing::WithParamInterface<HeldCase> {};

TEST_P(CrossbarOfTheStartedGraph, IsTheVideoSourcesElseTheAudioSources) {
  const HeldCase& c = GetParam();
  FakeCrossbar& videoCard = world.AddCrossbar(
      CrossbarScript().Input(PhysConn_Video_Composite).Output(PhysConn_Video_VideoDecoder));
  FakeCrossbar& audioCard = world.AddCrossbar(
      CrossbarScript().Input(PhysConn_Audio_Line).Output(PhysConn_Audio_AudioDecoder));
  DeviceScript video(L"Card");
  video.With(Cap(640, 480, 24));
  if (c.videoCard) video.WithCrossbar(videoCard);
  world.AddVideoDevice(video);
  if (c.audioDevice) {
    DeviceScript audio(L"Line In");
    if (c.audioCard) audio.WithCrossbar(audioCard);
    world.AddAudioDevice(audio);
  }
  CaptureEngine& engine = MakeEngine();

  ASSERT_EQ(1, engine.StartCapture(kCaptureFile, 0, 0, 640, 480, kWindow, 1));

  // Audio source first, then video; a missing audio source may be turned away before a lookup.
  std::vector<std::string> lookedUpstream;
  for (const std::string& lookup : world.CallsTo("Builder.FindInterface(IAMCrossbar)")) {
    if (lookup.find(", null, IAMCrossbar)") != std::string::npos) continue;
    lookedUpstream.push_back(lookup);
  }
  std::vector<std::string> expected;
  for (const std::string& source : c.sourcesLookedUpstream) {
    expected.push_back("Builder.FindInterface(LOOK_UPSTREAM_ONLY, null, " + source +
                       ", IAMCrossbar)");
  }
  EXPECT_EQ(expected, lookedUpstream);
  ASSERT_NE(nullptr, engine.crossbarRouter);
  CrossbarRouter& router = *engine.crossbarRouter;
  const std::string held = c.held == nullptr ? "" : c.held;
  FakeCrossbar* kept = held == "video" ? &videoCard : held == "audio" ? &audioCard : nullptr;
  EXPECT_EQ(kept == nullptr ? nullptr : InterfaceOf(*kept), router.crossbar);
  EXPECT_EQ(kept == nullptr ? 0 : 1, router.initialised);
  EXPECT_EQ(kept == nullptr ? 0 : 1, router.OutputPinCount());
  // Only the kept crossbar is routed; one passed over was listed and then let go.
  using Routes = std::vector<std::pair<LONG, LONG>>;
  for (FakeCrossbar* card : {&videoCard, &audioCard}) {
    const bool isKept = card == kept;
    EXPECT_EQ(isKept ? 1 : 0, card->References()) << card->Name();
    EXPECT_EQ((isKept ? Routes{{0, 0}} : Routes{}), card->routes) << card->Name();
  }
  if (kept == nullptr) {
    EXPECT_TRUE(CrossbarCallsSince(world, 0).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CrossbarOfTheStartedGraph,
    ::testing::Values(
        HeldCase{"VideoOverAudio", true, true, true, "video", {"Audio0", "Video0"}},
        HeldCase{"VideoOnly", true, false, true, "video", {"Audio0", "Video0"}},
        HeldCase{"AudioWhenTheVideoHasNone", false, true, true, "audio", {"Audio0", "Video0"}},
        HeldCase{"WebCamera", false, false, true, nullptr, {"Audio0", "Video0"}},
        HeldCase{"NoAudioDevice", true, false, false, "video", {"Video0"}},
        HeldCase{"WebCameraWithoutAudio", false, false, false, nullptr, {"Video0"}}),
    [](const ::testing::TestParamInfo<HeldCase>& info) { return info.param.name; });

}  // namespace
}  // namespace lumigrab::fake
