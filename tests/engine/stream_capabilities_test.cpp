// The formats of a video device: counting and copying its capabilities as 88-byte records (also
// through the two resolution exports), setting the capture format of the graph being built, and
// freeing the media types the platform hands out.
#include <algorithm>
#include <array>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "engine_test.h"
#include "exports/engine_instance.h"
#include "lumigrab.h"
#include "platform/com_ptr.h"

namespace lumigrab::fake {
namespace {

constexpr bool kRecording = LUMIGRAB_RECORDING != 0;
constexpr unsigned char kUntouched = 0xEE;

using Record = std::array<unsigned char, kCapabilityRecordSize>;

Record RecordOf(const Capability& capability) {
  const std::vector<unsigned char> block = capability.FormatBlock();
  Record record{};
  std::memcpy(record.data(), block.data(), record.size());
  return record;
}

Record RecordAt(const std::vector<VIDEOINFOHEADER>& records, size_t k) {
  Record record{};
  std::memcpy(record.data(), &records[k], record.size());
  return record;
}

Record UntouchedRecord() {
  Record record;
  record.fill(kUntouched);
  return record;
}

// Room for `count` records, every byte marked so that a write shows.
std::vector<VIDEOINFOHEADER> MarkedRecords(size_t count) {
  std::vector<VIDEOINFOHEADER> records(count);
  std::memset(records.data(), kUntouched, count * sizeof(VIDEOINFOHEADER));
  return records;
}

// Records 0..expected-1 hold those capabilities, the rest of the array was not written.
void ExpectRecords(const std::vector<VIDEOINFOHEADER>& records,
                   const std::vector<Capability>& expected) {
  ASSERT_LE(expected.size(), records.size());
  for (size_t k = 0; k < records.size(); ++k) {
    const Record wanted = k < expected.size() ? RecordOf(expected[k]) : UntouchedRecord();
    EXPECT_EQ(wanted, RecordAt(records, k)) << "record " << k;
  }
}

DeviceScript Device(const std::wstring& name, const std::vector<Capability>& capabilities) {
  DeviceScript script(name);
  for (const Capability& capability : capabilities) script.With(capability);
  return script;
}

// Bit counts 12, 16, 24, 12, 16, 24, 32, each capability of its own size.
std::vector<Capability> SevenCapabilities() {
  return {Cap(160, 120, 12), Cap(176, 144, 16), Cap(320, 240, 24), Cap(352, 288, 12),
          Cap(640, 480, 16), Cap(800, 600, 24), Cap(1280, 720, 32)};
}

// What this configuration lists of them: all seven, or the five of more than 12 bits.
std::vector<Capability> ListedOfSeven() {
  const std::vector<Capability> all = SevenCapabilities();
  if (kRecording) return all;
  return {all[1], all[2], all[4], all[5], all[6]};
}

// Every media type handed out by the device's filters was deleted (a second delete shows up as an
// over-release among the world's problems).
::testing::AssertionResult EveryMediaTypeDeleted(const FakeDevice& device) {
  for (const FakeCaptureFilter* filter : device.filters) {
    for (const MediaTypeToken* token : filter->pin.handedOut) {
      if (token->References() != 0) {
        return ::testing::AssertionFailure() << token->Name() << " was not deleted";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

int MediaTypesHandedOut(const FakeDevice& device) {
  int count = 0;
  for (const FakeCaptureFilter* filter : device.filters) {
    count += static_cast<int>(filter->pin.handedOut.size());
  }
  return count;
}

// Releases since `from`, media type tokens left out.
std::vector<std::string> ObjectReleasesSince(const FakeWorld& world, size_t from) {
  std::vector<std::string> releases;
  for (size_t i = from; i < world.Releases().size(); ++i) {
    if (world.Releases()[i].rfind("MediaType(", 0) != 0) releases.push_back(world.Releases()[i]);
  }
  return releases;
}

// Whether `released` is `order` with some entries left out, each name at most once.
bool ReleasedInOrder(const std::vector<std::string>& released,
                     const std::vector<std::string>& order) {
  size_t next = 0;
  for (const std::string& name : released) {
    const auto found =
        std::find(order.begin() + static_cast<std::ptrdiff_t>(next), order.end(), name);
    if (found == order.end()) return false;
    next = static_cast<size_t>(found - order.begin()) + 1;
  }
  return true;
}

const std::vector<std::string> kQueryReleaseOrder = {"Video0.Pin", "Video0", "Builder", "Graph"};

// --- GetStreamCapabilities ---------------------------------------------------------------------

class StreamCapabilities : public EngineTest {};

struct OutOfRangeCase {
  int deviceIndex;
  bool copy;
};

void PrintTo(const OutOfRangeCase& c, std::ostream* os) {
  *os << "device " << c.deviceIndex << (c.copy ? " copy" : " count");
}

class DeviceIndexOutOfRange : public StreamCapabilities,
                              public ::testing::WithParamInterface<OutOfRangeCase> {};

TEST_P(DeviceIndexOutOfRange, AnswersZeroBeforeAnythingIsCreated) {
  const OutOfRangeCase& c = GetParam();
  world.AddVideoDevice(Device(L"First", {Cap(640, 480, 24)}));
  world.AddVideoDevice(Device(L"Second", {Cap(320, 240, 24)}));
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(2, engine.GetVideoDeviceCount());
  std::vector<VIDEOINFOHEADER> records = MarkedRecords(2);
  const int before = world.CallCount();

  EXPECT_EQ(0, engine.GetStreamCapabilities(c.deviceIndex, c.copy ? records.data() : nullptr));

  EXPECT_EQ(before, world.CallCount());
  ExpectRecords(records, {});
}

INSTANTIATE_TEST_SUITE_P(Indexes, DeviceIndexOutOfRange,
                         ::testing::Values(OutOfRangeCase{-1, false}, OutOfRangeCase{-1, true},
                                           OutOfRangeCase{2, false}, OutOfRangeCase{2, true}));

TEST_F(StreamCapabilities, CountAndCopyAgreeOnTheListedCapabilitiesInDeviceOrder) {
  FakeDevice& device = world.AddVideoDevice(Device(L"Camera", SevenCapabilities()));
  CaptureEngine& engine = MakeEngine();
  const std::vector<Capability> listed = ListedOfSeven();

  EXPECT_EQ(static_cast<int>(listed.size()), engine.GetStreamCapabilities(0, nullptr));
  std::vector<VIDEOINFOHEADER> records = MarkedRecords(listed.size() + 2);
  EXPECT_EQ(static_cast<int>(listed.size()), engine.GetStreamCapabilities(0, records.data()));

  ExpectRecords(records, listed);
  // Both modes read every capability, so that they judge each one the same way.
  EXPECT_EQ(14, world.CountCalls("StreamConfig.GetStreamCaps"));
  EXPECT_EQ(14, MediaTypesHandedOut(device));
  EXPECT_TRUE(EveryMediaTypeDeleted(device));
}

TEST_F(StreamCapabilities, BuildsItsOwnGraphAroundTheDeviceAndReleasesItInOrder) {
  world.AddVideoDevice(Device(L"Other", {Cap(320, 240, 24)}));
  FakeDevice& device =
      world.AddVideoDevice(Device(L"Camera", {Cap(640, 480, 24), Cap(320, 240, 16)}));
  CaptureEngine& engine = MakeEngine();
  const int before = world.CallCount();
  const size_t releasesBefore = world.Releases().size();

  EXPECT_EQ(2, engine.GetStreamCapabilities(1, nullptr));

  std::vector<std::string> calls;
  for (size_t i = static_cast<size_t>(before); i < world.Journal().size(); ++i) {
    calls.push_back(world.Journal()[i].text);
  }
  EXPECT_EQ((std::vector<std::string>{
                "Platform.CreateInstance(FilterGraph, outer=null, CLSCTX_INPROC, IGraphBuilder)",
                "Moniker(Video1).BindToObject(null, null, IBaseFilter)",
                "Graph.AddFilter(Video1, \"Video Capture\")",
                "Platform.CreateInstance(CaptureGraphBuilder2, outer=null, CLSCTX_INPROC, "
                "ICaptureGraphBuilder2)",
                "Builder.SetFiltergraph(Graph)",
                "Builder.FindInterface(CAPTURE, Video, Video1, IAMStreamConfig)",
                "Video1.Pin.GetNumberOfCapabilities()",
                "Video1.Pin.GetStreamCaps(0)",
                "Video1.Pin.GetStreamCaps(1)",
            }),
            calls);
  EXPECT_EQ((std::vector<std::string>{"Video1.Pin", "Video1", "Builder", "Graph"}),
            ObjectReleasesSince(world, releasesBefore));
  EXPECT_TRUE(EveryMediaTypeDeleted(device));
  EXPECT_EQ(
      (std::vector<std::string>{"Moniker(Video0) (1 reference)", "Moniker(Video1) (1 reference)"}),
      world.LiveObjects());
}

TEST_F(StreamCapabilities, NothingIsCachedEachCallBindsTheDeviceAnew) {
  FakeDevice& device = world.AddVideoDevice(Device(L"Camera", {Cap(640, 480, 24)}));
  CaptureEngine& engine = MakeEngine();
  std::vector<VIDEOINFOHEADER> records = MarkedRecords(1);
  EXPECT_EQ(1, engine.GetStreamCapabilities(0, nullptr));
  EXPECT_EQ(1, engine.GetStreamCapabilities(0, records.data()));
  EXPECT_EQ(2, world.CountCalls("Moniker.BindToObject"));
  EXPECT_EQ(2u, device.filters.size());
  EXPECT_EQ(2u, world.ObjectsOf<FakeFilterGraph>().size());
  EXPECT_EQ(2u, world.ObjectsOf<FakeCaptureGraphBuilder>().size());
}

TEST_F(StreamCapabilities, ADeviceWithoutCapabilitiesGivesZeroAndWritesNothing) {
  world.AddVideoDevice(DeviceScript(L"Empty"));
  CaptureEngine& engine = MakeEngine();
  std::vector<VIDEOINFOHEADER> records = MarkedRecords(2);
  const size_t releasesBefore = world.Releases().size();
  EXPECT_EQ(0, engine.GetStreamCapabilities(0, nullptr));
  EXPECT_EQ(0, engine.GetStreamCapabilities(0, records.data()));
  ExpectRecords(records, {});
  EXPECT_EQ(0, world.CountCalls("StreamConfig.GetStreamCaps"));
  EXPECT_EQ((std::vector<std::string>{"Video0.Pin", "Video0", "Builder", "Graph", "Video0#2.Pin",
                                      "Video0#2", "Builder#2", "Graph#2"}),
            ObjectReleasesSince(world, releasesBefore));
}

TEST_F(StreamCapabilities, AFailingCapabilityEndsTheCopyWithZeroAfterTheEarlierRecords) {
  // All above 12 bits, so that both configurations list all of them.
  std::vector<Capability> capabilities = {Cap(640, 480, 24), Cap(320, 240, 16), Cap(1280, 720, 32),
                                          Cap(160, 120, 24), Cap(800, 600, 24)};
  capabilities[3].FailGetStreamCaps(E_OUTOFMEMORY);
  FakeDevice& device = world.AddVideoDevice(Device(L"Camera", capabilities));
  CaptureEngine& engine = MakeEngine();
  std::vector<VIDEOINFOHEADER> records = MarkedRecords(5);
  const size_t releasesBefore = world.Releases().size();

  EXPECT_EQ(0, engine.GetStreamCapabilities(0, records.data()));

  ExpectRecords(records, {capabilities[0], capabilities[1], capabilities[2]});
  EXPECT_EQ(4, world.CountCalls("StreamConfig.GetStreamCaps"));
  EXPECT_EQ(kQueryReleaseOrder, ObjectReleasesSince(world, releasesBefore));
  EXPECT_EQ(0, engine.GetStreamCapabilities(0, nullptr));
  EXPECT_TRUE(EveryMediaTypeDeleted(device));
}

// Capabilities whose block is not a complete VIDEOINFOHEADER are never read: neither listed nor
// counted, in both configurations.
struct BrokenBlockCase {
  const char* name;
  Capability broken;
};

void PrintTo(const BrokenBlockCase& c, std::ostream* os) { *os << c.name; }

class BrokenBlocks : public StreamCapabilities,
                     public ::testing::WithParamInterface<BrokenBlockCase> {};

TEST_P(BrokenBlocks, AreLeftOutOfTheListAndStillDeleted) {
  const std::vector<Capability> capabilities = {Cap(640, 480, 24), GetParam().broken,
                                                Cap(160, 120, 16)};
  FakeDevice& device = world.AddVideoDevice(Device(L"Camera", capabilities));
  CaptureEngine& engine = MakeEngine();
  std::vector<VIDEOINFOHEADER> records = MarkedRecords(3);

  EXPECT_EQ(2, engine.GetStreamCapabilities(0, nullptr));
  EXPECT_EQ(2, engine.GetStreamCapabilities(0, records.data()));

  ExpectRecords(records, {capabilities[0], capabilities[2]});
  EXPECT_EQ(6, MediaTypesHandedOut(device));
  EXPECT_TRUE(EveryMediaTypeDeleted(device));
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, BrokenBlocks,
    ::testing::Values(BrokenBlockCase{"NoFormatBlock", Cap(320, 240, 24).WithoutFormatBlock()},
                      BrokenBlockCase{"BitmapHeaderCut", Cap(320, 240, 24).ShortBlock(40)},
                      BrokenBlockCase{"OneByteShort", Cap(320, 240, 24).ShortBlock(87)},
                      BrokenBlockCase{"OtherFormatType", Cap(320, 240, 24).OtherFormatType()}),
    [](const ::testing::TestParamInfo<BrokenBlockCase>& info) { return info.param.name; });

TEST_F(StreamCapabilities, ABlockWithTrailingBytesGivesItsFirst88Bytes) {
  const Capability withColourTable = Cap(320, 240, 24).BlockSize(1064);
  world.AddVideoDevice(Device(L"Camera", {withColourTable}));
  CaptureEngine& engine = MakeEngine();
  std::vector<VIDEOINFOHEADER> records = MarkedRecords(2);
  EXPECT_EQ(1, engine.GetStreamCapabilities(0, records.data()));
  ExpectRecords(records, {withColourTable});
}

TEST_F(StreamCapabilities, AnswersWhileACaptureGraphRunsWithAGraphOfItsOwn) {
  world.AddVideoDevice(Device(L"Camera", SevenCapabilities()));
  world.AddAudioDevice(DeviceScript(L"Microphone"));
  const HWND window = reinterpret_cast<HWND>(0x4711);
  platform.AddWindow(window, 640, 480);
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(1, engine.StartCapture("C:\\Temp\\test.avi", 0, 0, 640, 480, window, 1));
  IGraphBuilder* const runningGraph = engine.graph;
  IBaseFilter* const runningSource = engine.videoSource;
  ICaptureGraphBuilder2* const runningBuilder = engine.captureBuilder;
  const long sourceReferences = world.ObjectAt(runningSource)->References();
  const size_t graphs = world.ObjectsOf<FakeFilterGraph>().size();
  const size_t releasesBefore = world.Releases().size();

  const std::vector<Capability> listed = ListedOfSeven();
  std::vector<VIDEOINFOHEADER> records = MarkedRecords(listed.size());
  EXPECT_EQ(static_cast<int>(listed.size()), engine.GetStreamCapabilities(0, records.data()));

  ExpectRecords(records, listed);
  EXPECT_EQ(graphs + 1, world.ObjectsOf<FakeFilterGraph>().size());
  EXPECT_EQ(runningGraph, engine.graph);
  EXPECT_EQ(runningSource, engine.videoSource);
  EXPECT_EQ(runningBuilder, engine.captureBuilder);
  EXPECT_EQ(sourceReferences, world.ObjectAt(runningSource)->References());
  EXPECT_EQ(State_Running, world.FakeAt<FakeFilterGraph>(runningGraph)->state);
  EXPECT_EQ((std::vector<std::string>{"Video0#2.Pin", "Video0#2", "Builder#2", "Graph#2"}),
            ObjectReleasesSince(world, releasesBefore));
}

// Whichever single call of a query fails, the answer is the full one or 0, a copy writes a prefix
// of the records, every media type is deleted once and everything obtained is released in order.
TEST(StreamCapabilityFailures, EveryCallFailingInEitherModeLeavesNothingBehind) {
  const std::vector<Capability> capabilities = {Cap(640, 480, 24), Cap(320, 240, 12),
                                                Cap(160, 120, 16)};
  const std::vector<Capability> listed =
      kRecording ? capabilities : std::vector<Capability>{capabilities[0], capabilities[2]};
  for (const bool copy : {false, true}) {
    int calls = 0;
    {
      FakeWorld world;
      world.AddVideoDevice(Device(L"Camera", capabilities));
      CaptureEngine engine(world.Platform());
      const int before = world.CallCount();
      std::vector<VIDEOINFOHEADER> records = MarkedRecords(listed.size());
      ASSERT_EQ(static_cast<int>(listed.size()),
                engine.GetStreamCapabilities(0, copy ? records.data() : nullptr));
      calls = world.CallCount() - before;
    }
    ASSERT_EQ(7 + static_cast<int>(capabilities.size()), calls);
    for (int n = 1; n <= calls; ++n) {
      FakeWorld world;
      FakeDevice& device = world.AddVideoDevice(Device(L"Camera", capabilities));
      {
        CaptureEngine engine(world.Platform());
        world.FailNthCall(world.CallCount() + n, E_FAIL);
        const size_t releasesBefore = world.Releases().size();
        std::vector<VIDEOINFOHEADER> records = MarkedRecords(listed.size());
        const int result = engine.GetStreamCapabilities(0, copy ? records.data() : nullptr);

        EXPECT_EQ(0, result) << "copy=" << copy << " n=" << n;
        if (copy) {
          // The records read before the failing call are written, no other.
          std::vector<Capability> written;
          for (const MediaTypeToken* token : device.filters.empty()
                                                 ? std::vector<MediaTypeToken*>{}
                                                 : device.filters[0]->pin.handedOut) {
            const Capability& read = capabilities[static_cast<size_t>(token->capabilityIndex)];
            if (kRecording || read.bitCount > 12) written.push_back(read);
          }
          ExpectRecords(records, written);
        }
        EXPECT_TRUE(EveryMediaTypeDeleted(device)) << "copy=" << copy << " n=" << n;
        EXPECT_TRUE(ReleasedInOrder(ObjectReleasesSince(world, releasesBefore), kQueryReleaseOrder))
            << "copy=" << copy << " n=" << n;
      }
      EXPECT_TRUE(WorldIsClean(world)) << "copy=" << copy << " n=" << n;
    }
  }
}

// --- The resolution exports --------------------------------------------------------------------

class ResolutionExports : public FakeWorldTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, CurrentEngine());
    OnTearDown([] { lumigrab::DestroyEngine(); });
  }
};

TEST_F(ResolutionExports, TheCapabilityIndexAddressesTheListedRecords) {
  world.AddVideoDevice(Device(L"Camera", SevenCapabilities()));
  lumigrab::CreateEngine(platform);
  const std::vector<Capability> listed = ListedOfSeven();

  const int binds = world.CountCalls("Moniker.BindToObject");
  ASSERT_EQ(static_cast<int>(listed.size()), Dll_GetDevicesResolutionCount(0));
  EXPECT_EQ(binds + 1, world.CountCalls("Moniker.BindToObject"));
  for (size_t k = 0; k < listed.size(); ++k) {
    int width = -7, height = -7, bitCount = -7;
    const int before = world.CountCalls("Moniker.BindToObject");
    EXPECT_EQ(1, Dll_GetDevicesResolution(0, static_cast<int>(k), &width, &height, &bitCount));
    // A count and a copy, each a listing of its own.
    EXPECT_EQ(before + 2, world.CountCalls("Moniker.BindToObject"));
    EXPECT_EQ(listed[k].width, width) << "index " << k;
    EXPECT_EQ(listed[k].height, height) << "index " << k;
    EXPECT_EQ(listed[k].bitCount, bitCount) << "index " << k;
  }
}

TEST_F(ResolutionExports, TopDownHeightAndTheWidestBitCountComeOutUnchanged) {
  world.AddVideoDevice(Device(L"Camera", {Cap(640, -480, 0xFFFF)}));
  lumigrab::CreateEngine(platform);
  int width = 0, height = 0, bitCount = 0;
  EXPECT_EQ(1, Dll_GetDevicesResolution(0, 0, &width, &height, &bitCount));
  EXPECT_EQ(640, width);
  EXPECT_EQ(-480, height);
  EXPECT_EQ(65535, bitCount);
}

struct RefusedCall {
  const char* name;
  int deviceIndex;
  int capabilityIndex;
  bool width;
  bool height;
  bool bitCount;
};

void PrintTo(const RefusedCall& c, std::ostream* os) { *os << c.name; }

class RefusedResolution : public ResolutionExports,
                          public ::testing::WithParamInterface<RefusedCall> {};

TEST_P(RefusedResolution, AnswersZeroAndWritesNothing) {
  const RefusedCall& c = GetParam();
  world.AddVideoDevice(Device(L"Camera", {Cap(640, 480, 24), Cap(320, 240, 16)}));
  world.AddVideoDevice(DeviceScript(L"Empty"));
  lumigrab::CreateEngine(platform);
  int width = -7, height = -7, bitCount = -7;
  EXPECT_EQ(
      0, Dll_GetDevicesResolution(c.deviceIndex, c.capabilityIndex, c.width ? &width : nullptr,
                                  c.height ? &height : nullptr, c.bitCount ? &bitCount : nullptr));
  EXPECT_EQ(-7, width);
  EXPECT_EQ(-7, height);
  EXPECT_EQ(-7, bitCount);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, RefusedResolution,
    ::testing::Values(RefusedCall{"NegativeCapabilityIndex", 0, -1, true, true, true},
                      RefusedCall{"CapabilityIndexEqualToTheCount", 0, 2, true, true, true},
                      RefusedCall{"CapabilityIndexFarBeyond", 0, 1000, true, true, true},
                      RefusedCall{"DeviceWithoutRecords", 1, 0, true, true, true},
                      RefusedCall{"DeviceIndexOutOfRange", 2, 0, true, true, true},
                      RefusedCall{"NegativeDeviceIndex", -1, 0, true, true, true},
                      RefusedCall{"NullWidth", 0, 0, false, true, true},
                      RefusedCall{"NullHeight", 0, 0, true, false, true},
                      RefusedCall{"NullBitCount", 0, 0, true, true, false}),
    [](const ::testing::TestParamInfo<RefusedCall>& info) { return info.param.name; });

// --- SelectFormat ------------------------------------------------------------------------------

// What StartCapture has when it chooses the format: the source in a graph the builder works on.
void AttachVideoSource(CaptureEngine& engine, FakePlatform& platform) {
  ASSERT_EQ(S_OK,
            platform.CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC, IID_IGraphBuilder,
                                    reinterpret_cast<void**>(&engine.graph)));
  ASSERT_EQ(S_OK, platform.CreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC,
                                          IID_ICaptureGraphBuilder2,
                                          reinterpret_cast<void**>(&engine.captureBuilder)));
  ASSERT_EQ(S_OK, engine.captureBuilder->SetFiltergraph(engine.graph));
  ASSERT_EQ(S_OK,
            engine.videoDeviceMonikers[0]->BindToObject(
                nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&engine.videoSource)));
  ASSERT_EQ(S_OK, engine.graph->AddFilter(engine.videoSource, L"Video Capture"));
}

struct SelectCase {
  const char* name;
  std::vector<Capability> capabilities;
  LONG width;
  LONG height;
  int bitCount;
  int result;
  std::vector<int> offered;  // capabilities handed to SetFormat, in order
  int capabilitiesRead;      // GetStreamCaps calls
  DWORD bitRate;             // written into the last capability offered
  const char* failKey = nullptr;
  HRESULT failResult = S_OK;
};

void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.name; }

class SelectFormat : public EngineTest, public ::testing::WithParamInterface<SelectCase> {};

TEST_P(SelectFormat, SetsTheFirstAcceptedMatchWithItsFastestIntervalAndRate) {
  const SelectCase& c = GetParam();
  FakeDevice& device = world.AddVideoDevice(Device(L"Camera", c.capabilities));
  CaptureEngine& engine = MakeEngine();
  AttachVideoSource(engine, platform);
  ASSERT_EQ(1u, device.filters.size());
  FakeCaptureFilter& source = *device.filters[0];
  if (c.failKey != nullptr) world.FailCall(c.failKey, 1, c.failResult);
  const size_t releasesBefore = world.Releases().size();

  EXPECT_EQ(c.result, engine.SelectFormat(c.width, c.height, c.bitCount));

  std::vector<int> offered;
  for (const SetFormatRecord& record : source.pin.setFormats) {
    offered.push_back(record.capabilityIndex);
    const Capability& capability = c.capabilities[static_cast<size_t>(record.capabilityIndex)];
    EXPECT_EQ(capability.minFrameInterval, record.avgTimePerFrame) << record.capabilityIndex;
  }
  EXPECT_EQ(c.offered, offered);
  if (!offered.empty()) {
    EXPECT_EQ(c.bitRate, source.pin.setFormats.back().bitRate);
  }
  if (c.result == 1 && !offered.empty()) {
    ASSERT_TRUE(source.formatSet.has_value());
    EXPECT_EQ(c.width, source.formatSet->bmiHeader.biWidth);
    EXPECT_EQ(c.height, source.formatSet->bmiHeader.biHeight);
  } else {
    EXPECT_FALSE(source.formatSet.has_value());
  }
  EXPECT_EQ(c.capabilitiesRead, world.CountCalls("StreamConfig.GetStreamCaps"));
  EXPECT_TRUE(EveryMediaTypeDeleted(device));
  // The stream configuration is released on every path: once when it was found.
  EXPECT_EQ(0, source.pin.References());
  const std::vector<std::string> released = ObjectReleasesSince(world, releasesBefore);
  const bool found = c.failKey == nullptr || std::string(c.failKey) != "Builder.FindInterface";
  EXPECT_EQ(found ? std::vector<std::string>{"Video0.Pin"} : std::vector<std::string>{}, released);
}

Capability Refused(Capability capability) { return capability.RefuseSetFormat(); }

// Columns: capabilities; width, height, bit count asked; result; capabilities offered to SetFormat;
// GetStreamCaps calls; bit rate written into the last one offered; a call answering otherwise.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, SelectFormat,
    ::testing::Values(
        SelectCase{"FirstMatchInDeviceOrder",
                   {Cap(640, 480, 16), Cap(640, 480, 24).BitRates(0, 100000000),
                    Cap(640, 480, 24).Interval(400000)},
                   640, 480, 24, 1, {1}, 2, 100000000},
        SelectCase{"RateBetweenTheLimits", {Cap(320, 240, 12)}, 320, 240, 12, 1, {0}, 1, 27648027},
        SelectCase{"WrappedRateGetsTheMinimum",
                   {Cap(1920, 1080, 32).Interval(166666).BitRates(1000000, 500000000)},
                   1920, 1080, 32, 1, {0}, 1, 1000000},
        SelectCase{"PositiveHeightPassesTheTopDownFormat", {Cap(640, -480, 24), Cap(640, 480, 24)},
                   640, 480, 24, 1, {1}, 2, 221184221},
        // A negative height makes the bits per frame negative: the rate is the minimum.
        SelectCase{"NegativeHeightTakesOnlyTheTopDownFormat",
                   {Cap(640, 480, 24), Cap(640, -480, 24).BitRates(1000, 200000000)},
                   640, -480, 24, 1, {1}, 2, 1000},
        SelectCase{"NegativeHeightWithoutATopDownFormat", {Cap(640, 480, 24)},
                   640, -480, 24, 0, {}, 1, 0},
        SelectCase{"WidthMustMatch", {Cap(720, 480, 24)}, 640, 480, 24, 0, {}, 1, 0},
        SelectCase{"NoCapabilityWithThatBitCount", {Cap(640, 480, 16), Cap(640, 480, 12)},
                   640, 480, 24, 0, {}, 2, 0},
        SelectCase{"FirstRefusedSecondSet",
                   {Refused(Cap(640, 480, 24)), Cap(640, 480, 24).Interval(666666)},
                   640, 480, 24, 1, {0, 1}, 2, 110592110},
        SelectCase{"EveryMatchRefused", {Refused(Cap(640, 480, 24)), Refused(Cap(640, 480, 24))},
                   640, 480, 24, 0, {0, 1}, 2, 221184221},
        SelectCase{"SetFormatAnsweringSFalseIsSuccess", {Cap(640, 480, 24), Cap(640, 480, 24)},
                   640, 480, 24, 1, {0}, 1, 221184221, "StreamConfig.SetFormat", S_FALSE},
        SelectCase{"IncompleteBlocksNeverMatch",
                   {Cap(640, 480, 24).WithoutFormatBlock(), Cap(640, 480, 24).ShortBlock(87),
                    Cap(640, 480, 24).OtherFormatType(), Cap(640, 480, 24)},
                   640, 480, 24, 1, {3}, 4, 221184221},
        SelectCase{"NoPositiveFrameIntervalIsSkipped",
                   {Cap(640, 480, 24).Interval(0), Cap(640, 480, 24).Interval(-333333),
                    Cap(640, 480, 24)},
                   640, 480, 24, 1, {2}, 3, 221184221},
        SelectCase{"OnlyAZeroFrameInterval", {Cap(640, 480, 24).Interval(0)},
                   640, 480, 24, 0, {}, 1, 0},
        SelectCase{"UnreadableCapabilityIsSkipped",
                   {Cap(640, 480, 24).FailGetStreamCaps(), Cap(640, 480, 24)},
                   640, 480, 24, 1, {1}, 2, 221184221},
        SelectCase{"NoCapabilitiesKeepsTheCurrentFormat", {}, 640, 480, 24, 1, {}, 0, 0},
        SelectCase{"StreamConfigNotFound", {Cap(640, 480, 24)},
                   640, 480, 24, 0, {}, 0, 0, "Builder.FindInterface", E_NOINTERFACE},
        SelectCase{"CapabilitiesCannotBeCounted", {Cap(640, 480, 24)},
                   640, 480, 24, 0, {}, 0, 0, "StreamConfig.GetNumberOfCapabilities", E_FAIL}),
    [](const ::testing::TestParamInfo<SelectCase>& info) { return info.param.name; });
// clang-format on

// --- FreeMediaType and DeleteMediaType ---------------------------------------------------------

// Counts the frees that reach slot 21.
class FreeCountingEngine : public CaptureEngine {
 public:
  using CaptureEngine::CaptureEngine;
  void FreeMediaType(AM_MEDIA_TYPE& mediaType) override {
    ++frees;
    CaptureEngine::FreeMediaType(mediaType);
  }
  int frees = 0;
};

class MediaTypes : public FakeWorldTest {};

TEST_F(MediaTypes, DeleteFreesThroughTheOverridableSlotAndIgnoresNull) {
  FreeCountingEngine engine(platform);
  const int before = world.CallCount();
  engine.DeleteMediaType(nullptr);
  EXPECT_EQ(0, engine.frees);

  MediaTypeToken& token = world.Make<MediaTypeToken>("MediaType(test)", -1);
  AM_MEDIA_TYPE* mediaType = NewCapabilityMediaType(Cap(640, 480, 24), token);
  engine.DeleteMediaType(mediaType);
  EXPECT_EQ(1, engine.frees);
  EXPECT_EQ(0, token.References());
  EXPECT_EQ(1, std::count(world.Releases().begin(), world.Releases().end(), "MediaType(test)"));
  EXPECT_EQ(before, world.CallCount());
}

struct FreeCase {
  const char* name;
  ULONG cbFormat;
  bool block;
  bool token;
};

void PrintTo(const FreeCase& c, std::ostream* os) { *os << c.name; }

class FreeMediaType : public MediaTypes, public ::testing::WithParamInterface<FreeCase> {};

TEST_P(FreeMediaType, FreesAnAnnouncedBlockAndReleasesTheObjectOnce) {
  const FreeCase& c = GetParam();
  CaptureEngine engine(platform);
  MediaTypeToken& token = world.Make<MediaTypeToken>("MediaType(test)", -1);
  const std::vector<unsigned char> bytes = Cap(640, 480, 24).FormatBlock();

  AM_MEDIA_TYPE mediaType;
  std::memset(&mediaType, 0, sizeof mediaType);  // padding too: the whole structure is compared
  mediaType.majortype = MEDIATYPE_Video;
  mediaType.subtype = MEDIASUBTYPE_RGB24;
  mediaType.formattype = FORMAT_VideoInfo;
  mediaType.lSampleSize = 921600;
  mediaType.cbFormat = c.cbFormat;
  if (c.block) {
    mediaType.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(bytes.size()));
    std::memcpy(mediaType.pbFormat, bytes.data(), bytes.size());
  }
  if (c.token) {
    token.AddRefInternal();
    mediaType.pUnk = static_cast<IUnknown*>(&token);
  }
  AM_MEDIA_TYPE expected;
  std::memcpy(&expected, &mediaType, sizeof expected);
  const bool blockFreed = c.cbFormat != 0;
  if (blockFreed) {
    expected.cbFormat = 0;
    expected.pbFormat = nullptr;
  }
  expected.pUnk = nullptr;
  BYTE* const block = mediaType.pbFormat;

  engine.FreeMediaType(mediaType);

  EXPECT_EQ(0, std::memcmp(&expected, &mediaType, sizeof mediaType));
  if (c.block && !blockFreed) {
    // A block announced with no size is left alone and stays the caller's.
    EXPECT_EQ(0, std::memcmp(bytes.data(), block, bytes.size()));
    CoTaskMemFree(block);
  }
  EXPECT_EQ(0, token.References());
  EXPECT_EQ(c.token ? 1 : 0,
            std::count(world.Releases().begin(), world.Releases().end(), "MediaType(test)"));
}

INSTANTIATE_TEST_SUITE_P(
    Types, FreeMediaType,
    ::testing::Values(FreeCase{"BlockAndObject", sizeof(VIDEOINFOHEADER), true, true},
                      FreeCase{"BlockOnly", sizeof(VIDEOINFOHEADER), true, false},
                      FreeCase{"UnannouncedBlockOnly", 0, true, false},
                      FreeCase{"UnannouncedBlockAndObject", 0, true, true},
                      FreeCase{"Nothing", 0, false, false}),
    [](const ::testing::TestParamInfo<FreeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace lumigrab::fake
