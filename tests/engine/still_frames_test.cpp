// Still frames as BMP file images, the wait for the grabber's first frame, and freezing the
// picture with its held image.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine_test.h"

namespace lumigrab::fake {
namespace {

const char kFile[] = "C:\\Users\\tester\\AppData\\Local\\Temp\\test.avi";
const std::string kAsk = "Grabber.GetCurrentBuffer(size=0, buffer=null)";
const std::string kSleep = "Platform.Sleep(100)";

std::string Copy(size_t size) {
  return "Grabber.GetCurrentBuffer(size=" + std::to_string(size) + ", buffer)";
}

// An engine that notes every GetBitmap that reaches its slot, Pause's own included.
class ObservedEngine : public CaptureEngine {
 public:
  explicit ObservedEngine(FakeWorld& world) : CaptureEngine(world.Platform()), world_(world) {}

  struct Call {
    int sizeValue;
    unsigned char* buffer;
    int result;
    int journalPosition;  // calls made before it
  };

  int GetBitmap(int* size, unsigned char* buffer) override {
    Call call{size == nullptr ? -1 : *size, buffer, 0, world_.CallCount()};
    call.result = CaptureEngine::GetBitmap(size, buffer);
    calls.push_back(call);
    return call.result;
  }

  std::vector<Call> calls;

 private:
  FakeWorld& world_;
};

std::vector<unsigned char> Pattern(size_t size, unsigned seed) {
  std::vector<unsigned char> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<unsigned char>((i * 7 + seed * 31) % 251);
  return bytes;
}

class StillFramesTest : public FakeWorldTest {
 protected:
  ObservedEngine& MakeEngine() {
    engine_ = std::make_unique<ObservedEngine>(world);
    OnTearDown([this] { engine_.reset(); });
    return *engine_;
  }

  // A running graph on a camera of frames of that size, 24 bits.
  ObservedEngine& StartLive(LONG width = 64, LONG height = 4,
                            std::optional<DWORD> connectedImageSize = std::nullopt) {
    DeviceScript camera(L"Camera");
    camera.With(Cap(width, height, 24));
    if (connectedImageSize) camera.ConnectedImageSize(*connectedImageSize);
    world.AddVideoDevice(camera);
    ObservedEngine& engine = MakeEngine();
    EXPECT_EQ(1, engine.StartCapture(kFile, 0, 0, width, height, nullptr, 1));
    return engine;
  }

  FakeSampleGrabber& Grabber() { return *world.ObjectsOf<FakeSampleGrabber>().back(); }

  static size_t ImageSize(const CaptureEngine& engine) { return engine.bitmapFileHeader.bfSize; }

  // The image the engine must hand out for these sample bytes: its two headers, the bytes, and
  // zeros for any pixel bytes the sample does not reach.
  static std::vector<unsigned char> ImageOf(const CaptureEngine& engine,
                                            const std::vector<unsigned char>& sample) {
    std::vector<unsigned char> image(ImageSize(engine), 0);
    std::memcpy(image.data(), &engine.bitmapFileHeader, 14);
    std::memcpy(image.data() + 14, &engine.bitmapInfoHeader, 40);
    std::memcpy(image.data() + 54, sample.data(), std::min(sample.size(), image.size() - 54));
    return image;
  }

  static std::vector<unsigned char> Head(const std::vector<unsigned char>& bytes, size_t size) {
    return std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(size));
  }

 private:
  std::unique_ptr<ObservedEngine> engine_;
};

constexpr unsigned char kUntouched = 0xEE;

// --- GetBitmap: the checks
// ---------------------------------------------------------------------------

TEST_F(StillFramesTest, WithoutAGraphNothingIsAnsweredBeforeTheStartNorAfterTheStop) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(64, 4, 24)));
  ObservedEngine& engine = MakeEngine();
  for (const char* moment : {"before the start", "after the stop"}) {
    int size = -7;
    std::vector<unsigned char> buffer(2000, kUntouched);
    const int before = world.CallCount();
    EXPECT_EQ(0, engine.GetBitmap(&size, nullptr)) << moment;
    EXPECT_EQ(-7, size) << moment;
    size = 2000;
    EXPECT_EQ(0, engine.GetBitmap(&size, buffer.data())) << moment;
    EXPECT_EQ(2000, size) << moment;
    EXPECT_EQ(std::vector<unsigned char>(2000, kUntouched), buffer) << moment;
    EXPECT_EQ(before, world.CallCount()) << moment;

    ASSERT_EQ(1, engine.StartCapture(kFile, 0, 0, 64, 4, nullptr, 1));
    engine.Stop();
  }
}

TEST_F(StillFramesTest, ANullSizeIsRefusedWithAndWithoutABuffer) {
  world.grabber.answers = {GrabberAnswer::Sample(Pattern(768, 1))};
  ObservedEngine& engine = StartLive();
  std::vector<unsigned char> buffer(ImageSize(engine), kUntouched);
  EXPECT_EQ(0, engine.GetBitmap(nullptr, nullptr));
  EXPECT_EQ(0, engine.GetBitmap(nullptr, buffer.data()));
  EXPECT_EQ(std::vector<unsigned char>(buffer.size(), kUntouched), buffer);
  EXPECT_TRUE(Grabber().bufferRequests.empty());
}

TEST_F(StillFramesTest, TheSizeQueryAnswersTheWholeImageSizeWithoutAskingTheGrabber) {
  ObservedEngine& engine = StartLive(64, 4);
  int size = 3;
  EXPECT_EQ(1, engine.GetBitmap(&size, nullptr));
  EXPECT_EQ(64 * 4 * 3 + 54, size);
  EXPECT_TRUE(Grabber().bufferRequests.empty());
}

struct BufferSize {
  const char* name;
  int extra;  // the size value is the image size plus this
  int result;
};

void PrintTo(const BufferSize& c, std::ostream* os) { *os << c.name; }

class BufferSizes : public StillFramesTest, public ::testing::WithParamInterface<BufferSize> {};

TEST_P(BufferSizes, OnlyABufferTheImageFitsIsWrittenAndOnlyItsLengthIsUsed) {
  const BufferSize& c = GetParam();
  const std::vector<unsigned char> sample = Pattern(768, 2);
  world.grabber.answers = {GrabberAnswer::Sample(sample)};
  ObservedEngine& engine = StartLive(64, 4);
  const int imageSize = static_cast<int>(ImageSize(engine));
  std::vector<unsigned char> buffer(static_cast<size_t>(imageSize) + 100, kUntouched);
  int size = imageSize + c.extra;

  EXPECT_EQ(c.result, engine.GetBitmap(&size, buffer.data()));

  EXPECT_EQ(imageSize + c.extra, size);
  if (c.result == 1) {
    EXPECT_EQ(ImageOf(engine, sample), Head(buffer, static_cast<size_t>(imageSize)));
    EXPECT_EQ(std::vector<unsigned char>(100, kUntouched),
              std::vector<unsigned char>(buffer.begin() + imageSize, buffer.end()));
  } else {
    EXPECT_EQ(std::vector<unsigned char>(buffer.size(), kUntouched), buffer);
    EXPECT_TRUE(Grabber().bufferRequests.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BufferSizes,
                         ::testing::Values(BufferSize{"OneByteShort", -1, 0},
                                           BufferSize{"Exact", 0, 1}, BufferSize{"Larger", 100, 1},
                                           BufferSize{"Zero", -(64 * 4 * 3 + 54), 0},
                                           BufferSize{"Negative", -(64 * 4 * 3 + 54) - 1, 0}));

TEST_F(StillFramesTest, AVgaFrameMakesACompleteBitmapFileImage) {
  const std::vector<unsigned char> sample = Pattern(921600, 3);
  world.grabber.answers = {GrabberAnswer::Sample(sample)};
  ObservedEngine& engine = StartLive(640, 480);
  ASSERT_EQ(921600u, engine.bitmapInfoHeader.biSizeImage);

  int size = 0;
  ASSERT_EQ(1, engine.GetBitmap(&size, nullptr));
  ASSERT_EQ(921654, size);
  std::vector<unsigned char> image(921654, kUntouched);
  ASSERT_EQ(1, engine.GetBitmap(&size, image.data()));

  const std::vector<unsigned char> fileHeader = {'B', 'M', 0x36, 0x10, 0x0E, 0x00, 0,
                                                 0,   0,   0,    54,   0,    0,    0};
  EXPECT_EQ(fileHeader, Head(image, 14));
  const BITMAPINFOHEADER& connected = Grabber().connectedFormat.bmiHeader;
  EXPECT_EQ(0, std::memcmp(&connected, image.data() + 14, 40));
  EXPECT_EQ(40u, connected.biSize);
  EXPECT_EQ(640, connected.biWidth);
  EXPECT_EQ(480, connected.biHeight);
  EXPECT_EQ(24, connected.biBitCount);
  EXPECT_EQ(0, std::memcmp(sample.data(), image.data() + 54, sample.size()));
}

// --- GetBitmap: waiting for the grabber
// ----------------------------------------------------------------

std::vector<GrabberAnswer> WrongStates(int count) {
  return std::vector<GrabberAnswer>(static_cast<size_t>(count), GrabberAnswer::NoSampleYet());
}

std::vector<std::string> Calls(std::initializer_list<std::vector<std::string>> lists) {
  std::vector<std::string> all;
  for (const auto& list : lists) all.insert(all.end(), list.begin(), list.end());
  return all;
}

std::vector<std::string> AskAndSleep(int times) {
  std::vector<std::string> calls;
  for (int i = 0; i < times; ++i) {
    calls.push_back(kAsk);
    calls.push_back(kSleep);
  }
  return calls;
}

constexpr size_t kPixels = 64 * 4 * 3;

struct GrabberWait {
  const char* name;
  std::vector<GrabberAnswer> answers;  // after these, the sample below (if any) stays
  std::optional<size_t> sampleSize;    // a sample the grabber holds once the answers are used
  std::vector<std::string> calls;
  int result;
};

void PrintTo(const GrabberWait& c, std::ostream* os) { *os << c.name; }

class GrabberWaits : public StillFramesTest, public ::testing::WithParamInterface<GrabberWait> {};

TEST_P(GrabberWaits, AskEveryHundredMillisecondsAtMostElevenTimes) {
  const GrabberWait& c = GetParam();
  const std::vector<unsigned char> sample = Pattern(c.sampleSize.value_or(0), 4);
  world.grabber.answers = c.answers;
  if (c.sampleSize) world.grabber.answers.push_back(GrabberAnswer::Sample(sample));
  ObservedEngine& engine = StartLive(64, 4);
  std::vector<unsigned char> buffer(ImageSize(engine), kUntouched);
  int size = static_cast<int>(buffer.size());
  const int before = world.CallCount();

  EXPECT_EQ(c.result, engine.GetBitmap(&size, buffer.data()));

  EXPECT_EQ(c.calls, world.CallsSince(before));
  for (DWORD sleep : platform.sleeps) EXPECT_EQ(100u, sleep);
  if (c.result == 1) {
    EXPECT_EQ(ImageOf(engine, sample), buffer);
  } else {
    EXPECT_EQ(std::vector<unsigned char>(buffer.size(), kUntouched), buffer);
  }
  EXPECT_EQ(static_cast<int>(buffer.size()), size);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GrabberWaits,
    ::testing::Values(
        GrabberWait{"SampleAtOnce", {}, kPixels, {kAsk, Copy(kPixels)}, 1},
        GrabberWait{"ThreeWaits", WrongStates(3), kPixels,
                    Calls({AskAndSleep(3), {kAsk, Copy(kPixels)}}), 1},
        GrabberWait{"TenWaits", WrongStates(10), kPixels,
                    Calls({AskAndSleep(10), {kAsk, Copy(kPixels)}}), 1},
        GrabberWait{"NeverASample", {}, std::nullopt, AskAndSleep(11), 0},
        GrabberWait{
            "EmptySample", {GrabberAnswer::Result(S_OK, 0)}, std::nullopt, {kAsk, kSleep}, 0},
        GrabberWait{"PositiveAnswerWithASize",
                    {GrabberAnswer::Result(S_FALSE, static_cast<long>(kPixels))},
                    kPixels,
                    {kAsk, Copy(kPixels)},
                    1},
        GrabberWait{"PositiveAnswerWithoutASize",
                    {GrabberAnswer::Result(S_FALSE, 0)},
                    std::nullopt,
                    {kAsk},
                    0},
        GrabberWait{"OtherFailure", {GrabberAnswer::Result(E_FAIL)}, kPixels, {kAsk}, 0},
        GrabberWait{"FailureAfterWaiting",
                    {GrabberAnswer::NoSampleYet(), GrabberAnswer::NoSampleYet(),
                     GrabberAnswer::Result(E_OUTOFMEMORY)},
                    kPixels,
                    Calls({AskAndSleep(2), {kAsk}}),
                    0},
        // A sample longer than the frame format allows is refused before anything is written.
        GrabberWait{"SampleLongerThanTheImage", {}, kPixels + 1, {kAsk}, 0},
        // A short one leaves zeros, not an earlier image, behind its bytes.
        GrabberWait{
            "SampleShorterThanTheImage", {}, kPixels - 100, {kAsk, Copy(kPixels - 100)}, 1}));

TEST_F(StillFramesTest, ShortSampleLeavesNoStaleBytesOfTheImageBefore) {
  world.grabber.answers = {GrabberAnswer::Sample(Pattern(kPixels, 5)),
                           GrabberAnswer::Sample(Pattern(kPixels, 5)),
                           GrabberAnswer::Sample(Pattern(kPixels - 10, 6))};
  ObservedEngine& engine = StartLive(64, 4);
  std::vector<unsigned char> buffer(ImageSize(engine), kUntouched);
  int size = static_cast<int>(buffer.size());
  ASSERT_EQ(1, engine.GetBitmap(&size, buffer.data()));
  ASSERT_EQ(1, engine.GetBitmap(&size, buffer.data()));
  EXPECT_EQ(ImageOf(engine, Pattern(kPixels - 10, 6)), buffer);
  EXPECT_EQ(std::vector<unsigned char>(10, 0),
            std::vector<unsigned char>(buffer.end() - 10, buffer.end()));
}

// With no image size in the connected format the image is sized from the frame geometry (322 x 240
// at 24 bits: rows of 968 bytes), and the sample must fit that.
TEST_F(StillFramesTest, AFormatWithoutImageSizeTakesSamplesUpToItsPaddedSize) {
  ObservedEngine& engine = StartLive(322, 240, 0u);
  ASSERT_EQ(232374u, engine.bitmapFileHeader.bfSize);
  for (size_t sampleSize : {size_t{232320}, size_t{232321}}) {
    const std::vector<unsigned char> sample = Pattern(sampleSize, 7);
    world.grabber.answers = {GrabberAnswer::Sample(sample)};
    world.grabber.next = 0;
    std::vector<unsigned char> buffer(232374 + 8, kUntouched);
    int size = static_cast<int>(buffer.size());
    const int result = engine.GetBitmap(&size, buffer.data());
    if (sampleSize == 232320) {
      EXPECT_EQ(1, result);
      EXPECT_EQ(ImageOf(engine, sample), Head(buffer, 232374));
      std::vector<unsigned char> infoHeader(buffer.begin() + 14, buffer.begin() + 54);
      EXPECT_EQ(232320u, reinterpret_cast<const BITMAPINFOHEADER*>(infoHeader.data())->biSizeImage);
    } else {
      EXPECT_EQ(0, result);
      EXPECT_EQ(std::vector<unsigned char>(buffer.size(), kUntouched), buffer);
    }
  }
}

TEST_F(StillFramesTest, AFailingCopyAnswersZero) {
  world.grabber.answers = {GrabberAnswer::Sample(Pattern(kPixels, 8))};
  ObservedEngine& engine = StartLive(64, 4);
  world.FailCall("Grabber.GetCurrentBuffer", 2, E_FAIL);
  std::vector<unsigned char> buffer(ImageSize(engine), kUntouched);
  int size = static_cast<int>(buffer.size());
  EXPECT_EQ(0, engine.GetBitmap(&size, buffer.data()));
  EXPECT_EQ(2, world.CountCalls("Grabber.GetCurrentBuffer"));
}

// --- Pause
// ------------------------------------------------------------------------------------------

TEST_F(StillFramesTest, PauseWithoutAGraphAnswersZeroAndKeepsTheFreezeState) {
  world.grabber.answers = {GrabberAnswer::Sample(Pattern(kPixels, 9))};
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(64, 4, 24)));
  ObservedEngine& engine = MakeEngine();
  EXPECT_EQ(0, engine.Pause(1));
  EXPECT_EQ(0, engine.frozen);

  ASSERT_EQ(1, engine.StartCapture(kFile, 0, 0, 64, 4, nullptr, 1));
  ASSERT_EQ(1, engine.Pause(1));
  engine.Stop();
  const int before = world.CallCount();
  EXPECT_EQ(0, engine.Pause(0));
  EXPECT_EQ(1, engine.frozen);
  EXPECT_EQ(0, engine.Pause(2));
  EXPECT_EQ(1, engine.frozen);
  EXPECT_EQ(before, world.CallCount());
}

class FreezeValues : public StillFramesTest, public ::testing::WithParamInterface<int> {};

TEST_P(FreezeValues, TakeTheHeldImageBeforeThePauseAndKeepItWhileFrozen) {
  const std::vector<unsigned char> first = Pattern(kPixels, 10);
  const std::vector<unsigned char> later = Pattern(kPixels, 11);
  world.grabber.answers = {GrabberAnswer::Sample(first), GrabberAnswer::Sample(first),
                           GrabberAnswer::Sample(later)};
  ObservedEngine& engine = StartLive(64, 4);
  const int before = world.CallCount();

  EXPECT_EQ(1, engine.Pause(GetParam()));

  EXPECT_EQ(GetParam(), engine.frozen);
  EXPECT_EQ((std::vector<std::string>{kAsk, Copy(kPixels), "Graph.Pause()"}),
            world.CallsSince(before));
  ASSERT_EQ(1u, engine.calls.size());
  EXPECT_EQ(static_cast<int>(ImageSize(engine)), engine.calls[0].sizeValue);
  EXPECT_EQ(engine.frameBuffer, engine.calls[0].buffer);
  EXPECT_EQ(1, engine.calls[0].result);
  EXPECT_EQ(before, engine.calls[0].journalPosition);
  EXPECT_EQ(ImageOf(engine, first),
            std::vector<unsigned char>(engine.frameBuffer, engine.frameBuffer + kPixels + 54));
  EXPECT_EQ(State_Paused, world.ObjectsOf<FakeFilterGraph>()[0]->state);

  // Two still frames while frozen: the held image both times, and the grabber is not asked.
  const size_t requests = Grabber().bufferRequests.size();
  std::vector<unsigned char> one(ImageSize(engine), kUntouched);
  std::vector<unsigned char> two(ImageSize(engine) + 5, kUntouched);
  int size = static_cast<int>(one.size());
  EXPECT_EQ(1, engine.GetBitmap(&size, one.data()));
  size = static_cast<int>(two.size());
  EXPECT_EQ(1, engine.GetBitmap(&size, two.data()));
  EXPECT_EQ(ImageOf(engine, first), one);
  EXPECT_EQ(one, Head(two, one.size()));
  EXPECT_EQ(std::vector<unsigned char>(5, kUntouched),
            std::vector<unsigned char>(two.end() - 5, two.end()));
  EXPECT_EQ(requests, Grabber().bufferRequests.size());
}

INSTANTIATE_TEST_SUITE_P(Values, FreezeValues, ::testing::Values(1, 2, -1));

TEST_F(StillFramesTest, FreezingTwiceKeepsTheFirstHeldImage) {
  const std::vector<unsigned char> first = Pattern(kPixels, 12);
  world.grabber.answers = {GrabberAnswer::Sample(first), GrabberAnswer::Sample(first),
                           GrabberAnswer::Sample(Pattern(kPixels, 13))};
  ObservedEngine& engine = StartLive(64, 4);
  ASSERT_EQ(1, engine.Pause(1));
  const int before = world.CallCount();

  EXPECT_EQ(1, engine.Pause(1));

  // The second freeze goes through GetBitmap too, which answers from the held image itself.
  EXPECT_EQ(std::vector<std::string>{"Graph.Pause()"}, world.CallsSince(before));
  ASSERT_EQ(2u, engine.calls.size());
  EXPECT_EQ(engine.frameBuffer, engine.calls[1].buffer);
  EXPECT_EQ(1, engine.calls[1].result);
  EXPECT_EQ(before, engine.calls[1].journalPosition);
  EXPECT_EQ(1, engine.frozen);
  std::vector<unsigned char> image(ImageSize(engine), kUntouched);
  int size = static_cast<int>(image.size());
  EXPECT_EQ(1, engine.GetBitmap(&size, image.data()));
  EXPECT_EQ(ImageOf(engine, first), image);
}

TEST_F(StillFramesTest, ResumingRunsTheGraphAndStillFramesComeFromTheGrabberAgain) {
  const std::vector<unsigned char> later = Pattern(kPixels, 15);
  world.grabber.answers = {GrabberAnswer::Sample(Pattern(kPixels, 14)),
                           GrabberAnswer::Sample(Pattern(kPixels, 14)),
                           GrabberAnswer::Sample(later)};
  ObservedEngine& engine = StartLive(64, 4);

  // While live a resume just runs the graph again.
  int before = world.CallCount();
  EXPECT_EQ(1, engine.Pause(0));
  EXPECT_EQ(std::vector<std::string>{"Graph.Run()"}, world.CallsSince(before));
  EXPECT_EQ(0, engine.frozen);
  EXPECT_TRUE(engine.calls.empty());

  ASSERT_EQ(1, engine.Pause(1));
  before = world.CallCount();
  EXPECT_EQ(1, engine.Pause(0));
  EXPECT_EQ(std::vector<std::string>{"Graph.Run()"}, world.CallsSince(before));
  EXPECT_EQ(0, engine.frozen);
  EXPECT_EQ(State_Running, world.ObjectsOf<FakeFilterGraph>()[0]->state);

  std::vector<unsigned char> image(ImageSize(engine), kUntouched);
  int size = static_cast<int>(image.size());
  EXPECT_EQ(1, engine.GetBitmap(&size, image.data()));
  EXPECT_EQ(ImageOf(engine, later), image);
}

struct GraphCall {
  const char* name;
  bool frozenBefore;
  int freeze;
  const char* key;
  HRESULT answer;
  int result;
  int frozenAfter;
};

void PrintTo(const GraphCall& c, std::ostream* os) { *os << c.name; }

class GraphCalls : public StillFramesTest, public ::testing::WithParamInterface<GraphCall> {};

TEST_P(GraphCalls, ANegativeAnswerKeepsTheFreezeStateAndSFalseIsSuccess) {
  const GraphCall& c = GetParam();
  world.grabber.answers = {GrabberAnswer::Sample(Pattern(kPixels, 16))};
  ObservedEngine& engine = StartLive(64, 4);
  if (c.frozenBefore) {
    ASSERT_EQ(1, engine.Pause(1));
  }
  world.FailCall(c.key, 0, c.answer);

  EXPECT_EQ(c.result, engine.Pause(c.freeze));

  EXPECT_EQ(c.frozenAfter, engine.frozen);
  EXPECT_GT(world.CountCalls(c.key), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GraphCalls,
    ::testing::Values(GraphCall{"FreezeRefused", false, 1, "Graph.Pause", E_FAIL, 0, 0},
                      GraphCall{"FreezeUnderWay", false, 1, "Graph.Pause", S_FALSE, 1, 1},
                      GraphCall{"RefreezeRefused", true, 2, "Graph.Pause", E_FAIL, 0, 1},
                      GraphCall{"ResumeRefused", true, 0, "Graph.Run", E_FAIL, 0, 1},
                      GraphCall{"ResumeUnderWay", true, 0, "Graph.Run", S_FALSE, 1, 0},
                      GraphCall{"LiveResumeRefused", false, 0, "Graph.Run", E_FAIL, 0, 0}));

struct NoHeldImage {
  const char* name;
  std::vector<GrabberAnswer> answers;
  bool copyFails;
};

void PrintTo(const NoHeldImage& c, std::ostream* os) { *os << c.name; }

class FreezeWithoutAFrame : public StillFramesTest,
                            public ::testing::WithParamInterface<NoHeldImage> {};

TEST_P(FreezeWithoutAFrame, PausesTheGraphButGivesNoStillFrameWhileFrozen) {
  const NoHeldImage& c = GetParam();
  world.grabber.answers = c.answers;
  ObservedEngine& engine = StartLive(64, 4);
  if (c.copyFails) world.FailCall("Grabber.GetCurrentBuffer", 2, E_FAIL);

  EXPECT_EQ(1, engine.Pause(1));
  EXPECT_EQ(1, engine.frozen);
  ASSERT_EQ(1u, engine.calls.size());
  EXPECT_EQ(0, engine.calls[0].result);
  EXPECT_EQ(State_Paused, world.ObjectsOf<FakeFilterGraph>()[0]->state);

  const size_t requests = Grabber().bufferRequests.size();
  std::vector<unsigned char> image(ImageSize(engine), kUntouched);
  int size = static_cast<int>(image.size());
  EXPECT_EQ(0, engine.GetBitmap(&size, image.data()));
  EXPECT_EQ(std::vector<unsigned char>(image.size(), kUntouched), image);
  EXPECT_EQ(requests, Grabber().bufferRequests.size());
  // Freezing again finds no image either.
  EXPECT_EQ(1, engine.Pause(1));
  EXPECT_EQ(0, engine.GetBitmap(&size, image.data()));

  // Once live again the grabber's frames come through.
  world.grabber.answers = {GrabberAnswer::Sample(Pattern(kPixels, 17))};
  world.grabber.next = 0;
  ASSERT_EQ(1, engine.Pause(0));
  EXPECT_EQ(1, engine.GetBitmap(&size, image.data()));
  EXPECT_EQ(ImageOf(engine, Pattern(kPixels, 17)), image);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FreezeWithoutAFrame,
    ::testing::Values(
        NoHeldImage{"NoSampleYet", {}, false},
        NoHeldImage{"CopyFailed", {GrabberAnswer::Sample(Pattern(kPixels, 18))}, true},
        NoHeldImage{"SampleTooLong", {GrabberAnswer::Sample(Pattern(kPixels + 3, 19))}, false}));

TEST_F(StillFramesTest, AStartAfterAFreezeIsLiveWithFreshFrames) {
  const std::vector<unsigned char> fresh = Pattern(kPixels, 21);
  world.grabber.answers = {GrabberAnswer::Sample(Pattern(kPixels, 20)),
                           GrabberAnswer::Sample(Pattern(kPixels, 20)),
                           GrabberAnswer::Sample(fresh)};
  ObservedEngine& engine = StartLive(64, 4);
  ASSERT_EQ(1, engine.Pause(1));
  engine.Stop();
  int size = 0;
  EXPECT_EQ(0, engine.GetBitmap(&size, nullptr));
  EXPECT_EQ(1, engine.frozen);

  ASSERT_EQ(1, engine.StartCapture(kFile, 0, 0, 64, 4, nullptr, 1));

  EXPECT_EQ(0, engine.frozen);
  std::vector<unsigned char> image(ImageSize(engine), kUntouched);
  size = static_cast<int>(image.size());
  const int before = world.CallCount();
  EXPECT_EQ(1, engine.GetBitmap(&size, image.data()));
  // The new graph's grabber is asked.
  EXPECT_EQ((std::vector<std::string>{"Grabber#2.GetCurrentBuffer(size=0, buffer=null)",
                                      "Grabber#2.GetCurrentBuffer(size=768, buffer)"}),
            world.CallsSince(before));
  EXPECT_EQ(ImageOf(engine, fresh), image);
}

}  // namespace
}  // namespace lumigrab::fake
