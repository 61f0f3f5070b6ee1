// The device catalogue: what the engine lists when it is made, and the name accessors.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine_test.h"

namespace lumigrab::fake {
namespace {

std::vector<std::string> Names(char* const* names, int count) {
  std::vector<std::string> listed;
  for (int i = 0; i < count; ++i) listed.push_back(names[i] == nullptr ? "<null>" : names[i]);
  return listed;
}

// Entries from `count` on must stay empty in both tables of a category.
void ExpectTablesEmptyFrom(char* const* names, IMoniker* const* monikers, int count) {
  for (int i = count; i < kMaxDevices; ++i) {
    EXPECT_EQ(nullptr, names[i]) << "entry " << i;
    EXPECT_EQ(nullptr, monikers[i]) << "entry " << i;
  }
}

struct Inject {
  std::string key;
  int k;
  HRESULT result;
};

struct ListingCase {
  const char* name;
  std::vector<DeviceScript> video;
  std::vector<DeviceScript> audio;
  std::vector<Inject> injections;
  std::vector<std::string> videoNames;
  std::vector<int> videoDevices;  // the world's device behind each listed entry
  std::vector<std::string> audioNames;
  bool audioCategoryAsked;
};

std::vector<DeviceScript> Named(std::initializer_list<const wchar_t*> names) {
  std::vector<DeviceScript> scripts;
  for (const wchar_t* name : names) scripts.emplace_back(name);
  return scripts;
}

std::vector<DeviceScript> Cameras(int count) {
  std::vector<DeviceScript> scripts;
  for (int i = 0; i < count; ++i) {
    std::wstring name = L"Camera ";
    name += std::to_wstring(i);
    scripts.emplace_back(name);
  }
  return scripts;
}

std::vector<std::string> CameraNames(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back("Camera " + std::to_string(i));
  return names;
}

std::vector<int> Indexes(int count) {
  std::vector<int> indexes;
  for (int i = 0; i < count; ++i) indexes.push_back(i);
  return indexes;
}

void PrintTo(const ListingCase& c, std::ostream* os) { *os << c.name; }

class DeviceListing : public EngineTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(DeviceListing, ListsWhatTheCategoriesAllowAndKeepsOnlyTheListedMonikers) {
  const ListingCase& c = GetParam();
  for (const DeviceScript& script : c.video) world.AddVideoDevice(script);
  for (const DeviceScript& script : c.audio) world.AddAudioDevice(script);
  for (const Inject& injection : c.injections) {
    world.FailCall(injection.key, injection.k, injection.result);
  }

  CaptureEngine& engine = MakeEngine();

  EXPECT_EQ(c.videoNames, Names(engine.videoDeviceNames, engine.videoDeviceCount));
  EXPECT_EQ(c.audioNames, Names(engine.audioDeviceNames, engine.audioDeviceCount));
  EXPECT_EQ(engine.videoDeviceCount, engine.GetVideoDeviceCount());
  EXPECT_EQ(engine.audioDeviceCount, engine.GetAudioDeviceCount());
  ASSERT_EQ(c.videoDevices.size(), static_cast<size_t>(engine.videoDeviceCount));
  for (size_t i = 0; i < c.videoDevices.size(); ++i) {
    EXPECT_EQ("Moniker(Video" + std::to_string(c.videoDevices[i]) + ")",
              world.NameOf(engine.videoDeviceMonikers[i]))
        << "entry " << i;
  }
  ExpectTablesEmptyFrom(engine.videoDeviceNames, engine.videoDeviceMonikers,
                        engine.videoDeviceCount);
  ExpectTablesEmptyFrom(engine.audioDeviceNames, engine.audioDeviceMonikers,
                        engine.audioDeviceCount);
  EXPECT_EQ(c.audioCategoryAsked ? 1 : 0,
            world.CountCalls("DevEnum.CreateClassEnumerator(AudioInputDeviceCategory)"));

  // Listing reads names only: no device is bound to a filter.
  EXPECT_EQ(0, world.CountCalls("Moniker.BindToObject"));
  for (const std::string& read : world.CallsTo("PropertyBag.Read")) {
    EXPECT_EQ(".Read(\"FriendlyName\", VT_BSTR, null)", read.substr(read.find(".Read(")));
  }

  // Everything the listing obtained is gone again, except one reference per stored moniker.
  std::vector<std::string> expected;
  for (int i = 0; i < engine.videoDeviceCount; ++i) {
    expected.push_back(world.NameOf(engine.videoDeviceMonikers[i]) + " (1 reference)");
  }
  for (int i = 0; i < engine.audioDeviceCount; ++i) {
    expected.push_back(world.NameOf(engine.audioDeviceMonikers[i]) + " (1 reference)");
  }
  std::vector<std::string> live = world.LiveObjects();
  std::sort(expected.begin(), expected.end());
  std::sort(live.begin(), live.end());
  EXPECT_EQ(expected, live);
  EXPECT_TRUE(world.Problems().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Categories, DeviceListing,
    ::testing::Values(
        ListingCase{"InOrder",
                    Named({L"Alpha", L"Beta", L"Gamma"}),
                    Named({L"Mic 1", L"Mic 2"}),
                    {},
                    {"Alpha", "Beta", "Gamma"},
                    {0, 1, 2},
                    {"Mic 1", "Mic 2"},
                    true},
        ListingCase{"PropertyBagBindFailureEndsTheCategory",
                    {DeviceScript(L"Alpha"), DeviceScript(L"Beta").FailBindToStorage(),
                     DeviceScript(L"Gamma")},
                    Named({L"Mic"}),
                    {},
                    {"Alpha"},
                    {0},
                    {"Mic"},
                    true},
        ListingCase{"DeviceWithoutFriendlyNameIsSkipped",
                    {DeviceScript(L"Alpha"), DeviceScript(), DeviceScript(L"Gamma")},
                    {},
                    {},
                    {"Alpha", "Gamma"},
                    {0, 2},
                    {},
                    true},
        ListingCase{"FailingReadIsSkipped",
                    {DeviceScript(L"Alpha"), DeviceScript(L"Beta").FailRead(E_OUTOFMEMORY),
                     DeviceScript(L"Gamma")},
                    {},
                    {},
                    {"Alpha", "Gamma"},
                    {0, 2},
                    {},
                    true},
        ListingCase{"ReadAnsweringSFalseIsSkipped",
                    Named({L"Alpha", L"Beta", L"Gamma"}),
                    {},
                    {{"PropertyBag(Video1).Read", 1, S_FALSE}},
                    {"Alpha", "Gamma"},
                    {0, 2},
                    {},
                    true},
        ListingCase{"SameNameTwice",
                    Named({L"Camera", L"Camera"}),
                    {},
                    {},
                    {"Camera", "Camera"},
                    {0, 1},
                    {},
                    true},
        ListingCase{"NoVideoDeviceLeavesAudioUnlisted", {}, Named({L"Mic"}), {}, {}, {}, {}, false},
        ListingCase{"VideoEnumeratorGivenWithSFalse",
                    Named({L"Alpha"}),
                    Named({L"Mic"}),
                    {{"DevEnum.CreateClassEnumerator(VideoInputDeviceCategory)", 1, S_FALSE}},
                    {},
                    {},
                    {},
                    false},
        ListingCase{"AudioPropertyBagBindFailure",
                    Named({L"Alpha"}),
                    {DeviceScript(L"Mic 1").FailBindToStorage(), DeviceScript(L"Mic 2")},
                    {},
                    {"Alpha"},
                    {0},
                    {},
                    true},
        ListingCase{"FailingNextEndsTheCategory",
                    Named({L"Alpha", L"Beta"}),
                    Named({L"Mic"}),
                    {{"EnumMoniker(Video).Next", 2, E_FAIL}},
                    {"Alpha"},
                    {0},
                    {"Mic"},
                    true},
        ListingCase{"BindToObjectFailureDoesNotMatterForListing",
                    {DeviceScript(L"Alpha").FailBindToObject()},
                    {},
                    {},
                    {"Alpha"},
                    {0},
                    {},
                    true},
        ListingCase{"SeventeenthDeviceEndsTheCategory",
                    Cameras(17),
                    Named({L"Mic"}),
                    {},
                    CameraNames(16),
                    Indexes(16),
                    {"Mic"},
                    true},
        ListingCase{"SixteenDevicesFillTheTable",
                    Cameras(16),
                    {},
                    {},
                    CameraNames(16),
                    Indexes(16),
                    {},
                    true}),
    [](const ::testing::TestParamInfo<ListingCase>& info) { return info.param.name; });

class DeviceEnumeratorFailure : public EngineTest, public ::testing::WithParamInterface<HRESULT> {};

TEST_P(DeviceEnumeratorFailure, LeavesBothTablesEmptyAndAsksNothingElse) {
  world.AddVideoDevice(DeviceScript(L"Alpha"));
  world.AddAudioDevice(DeviceScript(L"Mic"));
  world.FailCall("Platform.CreateInstance(SystemDeviceEnum)", 0, GetParam());
  CaptureEngine& engine = MakeEngine();
  EXPECT_EQ(0, engine.GetVideoDeviceCount());
  EXPECT_EQ(0, engine.GetAudioDeviceCount());
  ExpectTablesEmptyFrom(engine.videoDeviceNames, engine.videoDeviceMonikers, 0);
  EXPECT_EQ(1, world.CallCount()) << world.JournalText();
  EXPECT_EQ(-1, engine.EnumerateDevices());
  EXPECT_EQ(0, engine.GetVideoDeviceCount());
}

// S_FALSE: the enumerator is handed out, yet anything but S_OK counts as failure.
INSTANTIATE_TEST_SUITE_P(Results, DeviceEnumeratorFailure,
                         ::testing::Values(E_FAIL, REGDB_E_CLASSNOTREG, CO_E_NOTINITIALIZED,
                                           S_FALSE));

TEST_F(EngineTest, EmptyVideoCategoryAnswersMinusOneAndListsNothing) {
  world.AddAudioDevice(DeviceScript(L"Mic"));
  CaptureEngine& engine = MakeEngine();
  EXPECT_EQ(-1, engine.EnumerateDevices());
  EXPECT_EQ(0, engine.GetVideoDeviceCount());
  EXPECT_EQ(0, engine.GetAudioDeviceCount());
}

TEST_F(EngineTest, EachCategoryIsResetBeforeItsFirstNext) {
  world.AddVideoDevice(DeviceScript(L"Alpha"));
  world.AddAudioDevice(DeviceScript(L"Mic"));
  MakeEngine();
  for (const std::string category : {"EnumMoniker(Video)", "EnumMoniker(Audio)"}) {
    const std::vector<std::string> calls = world.LinesWith(category + ".");
    ASSERT_FALSE(calls.empty()) << category;
    EXPECT_EQ(category + ".Reset()", calls.front());
  }
}

// Whichever single call fails during the listing, the tables stay consistent, listed names keep
// the device order, and nothing obtained on the way stays referenced.
TEST(DeviceListingFailures, EveryCallFailingLeavesConsistentTablesAndNoLeak) {
  auto script = [](FakeWorld& world) {
    world.AddVideoDevice(DeviceScript(L"Alpha"));
    world.AddVideoDevice(DeviceScript());
    world.AddVideoDevice(DeviceScript(L"Gamma"));
    world.AddAudioDevice(DeviceScript(L"Mic"));
  };
  int calls = 0;
  {
    FakeWorld world;
    script(world);
    CaptureEngine engine(world.Platform());
    calls = world.CallCount();
    ASSERT_EQ(2, engine.GetVideoDeviceCount());
  }
  ASSERT_GT(calls, 10);
  const std::vector<std::string> full = {"Alpha", "Gamma"};
  for (int n = 1; n <= calls; ++n) {
    FakeWorld world;
    script(world);
    world.FailNthCall(n, E_FAIL);
    {
      CaptureEngine engine(world.Platform());
      const std::vector<std::string> listed =
          Names(engine.videoDeviceNames, engine.videoDeviceCount);
      EXPECT_TRUE(std::includes(full.begin(), full.end(), listed.begin(), listed.end()))
          << "n=" << n;
      ExpectTablesEmptyFrom(engine.videoDeviceNames, engine.videoDeviceMonikers,
                            engine.videoDeviceCount);
      for (int i = 0; i < engine.videoDeviceCount; ++i) {
        EXPECT_NE(nullptr, engine.videoDeviceMonikers[i]) << "n=" << n;
      }
      EXPECT_LE(engine.audioDeviceCount, 1) << "n=" << n;
    }
    EXPECT_TRUE(WorldIsClean(world)) << "n=" << n;
  }
}

class LongNames : public EngineTest, public ::testing::WithParamInterface<int> {};

TEST_P(LongNames, NameIsCutToTheWorkBufferWithoutOverrun) {
  const int length = GetParam();
  world.AddVideoDevice(DeviceScript(std::wstring(static_cast<size_t>(length), L'n')));
  world.AddVideoDevice(DeviceScript(L"Next"));
  CaptureEngine& engine = MakeEngine();
  ASSERT_EQ(2, engine.GetVideoDeviceCount());
  // The engine keeps at most 127 bytes and a terminator (its choice: shorten, not enlarge).
  const std::string expected(static_cast<size_t>(std::min(length, 127)), 'n');
  EXPECT_EQ(expected, engine.videoDeviceNames[0]);
  EXPECT_STREQ("Next", engine.videoDeviceNames[1]);
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongNames, ::testing::Values(1, 126, 127, 128, 200, 1000));

// Both categories' accessors, so that the audio one is held to the same rules.
struct Accessor {
  const char* name;
  int (CaptureEngine::*get)(int, char*, int);
};

struct CopyCase {
  int index;
  int length;
  int result;
  std::string written;  // the bytes expected at the start of the buffer
};

void PrintTo(const CopyCase& c, std::ostream* os) {
  *os << "index " << c.index << " length " << c.length;
}

class NameAccessor : public EngineTest,
                     public ::testing::WithParamInterface<std::tuple<Accessor, CopyCase>> {};

TEST_P(NameAccessor, CopiesWithStrncpyRulesAndTouchesNothingElse) {
  const Accessor& accessor = std::get<0>(GetParam());
  const CopyCase& c = std::get<1>(GetParam());
  world.AddVideoDevice(DeviceScript(L"Other"));
  world.AddVideoDevice(DeviceScript(L"Camera"));
  world.AddAudioDevice(DeviceScript(L"Other"));
  world.AddAudioDevice(DeviceScript(L"Camera"));
  CaptureEngine& engine = MakeEngine();
  const int before = world.CallCount();

  char buffer[32];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(c.result, (engine.*accessor.get)(c.index, buffer, c.length));
  std::string expected = c.written;
  expected.append(sizeof buffer - expected.size(), '#');
  EXPECT_EQ(expected, std::string(buffer, sizeof buffer));
  EXPECT_EQ(before, world.CallCount());
}

INSTANTIATE_TEST_SUITE_P(
    Copies, NameAccessor,
    ::testing::Combine(::testing::Values(Accessor{"Video", &CaptureEngine::GetVideoDeviceName},
                                         Accessor{"Audio", &CaptureEngine::GetAudioDeviceName}),
                       ::testing::Values(CopyCase{1, 10, 1, std::string("Camera\0\0\0\0", 10)},
                                         CopyCase{1, 7, 1, std::string("Camera\0", 7)},
                                         CopyCase{1, 6, 1, "Camera"}, CopyCase{1, 3, 1, "Cam"},
                                         CopyCase{1, 0, 1, ""}, CopyCase{0, 5, 1, "Other"},
                                         CopyCase{-1, 10, 0, ""}, CopyCase{2, 10, 0, ""},
                                         CopyCase{16, 10, 0, ""}, CopyCase{INT_MIN, 10, 0, ""})));

}  // namespace
}  // namespace lumigrab::fake
