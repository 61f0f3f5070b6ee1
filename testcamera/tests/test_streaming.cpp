// Frames as a host sees them through a Sample Grabber: exact pattern, advancing frame numbers,
// timestamps, a picture that freezes when the graph stops, and formats that must not connect.
#include "../test_pattern.h"
#include "check.h"
#include "devices.h"
#include "graph_helpers.h"
#include "tests.h"

namespace smoke {
namespace {

// Index of the capability with this bit depth, or -1.
int CapabilityWithDepth(IAMStreamConfig* config, int bits, AM_MEDIA_TYPE** type) {
  int count = 0;
  int size = 0;
  if (FAILED(config->GetNumberOfCapabilities(&count, &size))) return -1;
  for (int i = 0; i < count; ++i) {
    VIDEO_STREAM_CONFIG_CAPS caps;
    AM_MEDIA_TYPE* candidate = nullptr;
    if (config->GetStreamCaps(i, &candidate, reinterpret_cast<BYTE*>(&caps)) != S_OK) continue;
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(candidate->pbFormat);
    if (info->bmiHeader.biBitCount == bits) {
      *type = candidate;
      return i;
    }
    CoTaskMemFree(candidate->pbFormat);
    CoTaskMemFree(candidate);
  }
  return -1;
}

void FreeType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  if (type->pbFormat != nullptr) CoTaskMemFree(type->pbFormat);
  if (type->pUnk != nullptr) type->pUnk->Release();
  CoTaskMemFree(type);
}

void DefaultCameraIntoGrabber() {
  Section("streaming: default camera -> grabber as renderer");
  ComRef<IBaseFilter> camera = BindCamera(kDefaultSeed);
  CaptureGraph g;
  if (!MakeGraph(&g, camera.Get()) || !AddGrabber(&g, MEDIASUBTYPE_RGB24)) return TearDown(&g);
  if (FAILED(CHECK_HR(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                              g.camera.Get(), nullptr, g.grabber_filter.Get())))) {
    return TearDown(&g);
  }
  SampleTimes times;
  CHECK_HR(g.grabber->SetCallback(&times, 0));

  uint32_t first = 0;
  uint32_t second = 0;
  CHECK(CheckLiveFrames(&g, kDefaultSeed, 640, 480, &first, &second));
  std::printf("   frames %lu then %lu\n", static_cast<unsigned long>(first),
              static_cast<unsigned long>(second));
  // Frames come at about 30 per second: 400 ms is roughly 12 frames, never hundreds.
  CHECK(second - first >= 3 && second - first <= 40);

  // The same seed at another frame number is a different picture, and another seed never
  // matches: a check with the wrong seed must fail.
  Frame frame;
  if (GrabFrame(g.grabber.Get(), &frame, 2000)) {
    CHECK(!lgtp_check_frame_rgb24(frame.bytes.data(), 640, 480, kTwinSeedA, nullptr, nullptr,
                                  nullptr));
  }

  CHECK_HR(g.control->Stop());
  std::vector<SampleTimes::Stamp> stamps = times.Snapshot();
  CHECK(stamps.size() >= 5);
  bool all_stamped = true;
  bool ordered = true;
  bool one_interval = true;
  for (size_t i = 0; i < stamps.size(); ++i) {
    if (stamps[i].hr != S_OK) all_stamped = false;
    if (stamps[i].end - stamps[i].start != 333333) one_interval = false;
    if (i > 0 && stamps[i].start < stamps[i - 1].start) ordered = false;
  }
  CHECK(all_stamped);
  CHECK(ordered);
  CHECK(one_interval);
  CHECK_HR(g.grabber->SetCallback(nullptr, 0));

  // Stopped: the grabber keeps showing the last frame, and its number no longer moves.
  Frame stale_a;
  Frame stale_b;
  uint32_t stale_first = 0;
  uint32_t stale_second = 0;
  if (GrabFrame(g.grabber.Get(), &stale_a, 1000)) {
    CHECK(lgtp_check_frame_rgb24(stale_a.bytes.data(), 640, 480, kDefaultSeed, &stale_first,
                                 nullptr, nullptr));
  }
  Sleep(300);
  if (GrabFrame(g.grabber.Get(), &stale_b, 1000)) {
    CHECK(lgtp_check_frame_rgb24(stale_b.bytes.data(), 640, 480, kDefaultSeed, &stale_second,
                                 nullptr, nullptr));
  }
  CHECK(stale_first == stale_second);
  CHECK(stale_first >= second);

  // A second run streams again (the camera goes through Pause/Run/Pause/Stop once more).
  uint32_t again_first = 0;
  uint32_t again_second = 0;
  CHECK(CheckLiveFrames(&g, kDefaultSeed, 640, 480, &again_first, &again_second));
  TearDown(&g);
}

void TwinsAreDistinguishable() {
  Section("streaming: twin instances give different pictures");
  struct Case {
    DWORD seed;
    DWORD other_seed;
    int width;
    int height;
  };
  const Case cases[] = {{kTwinSeedA, kTwinSeedB, 320, 240}, {kTwinSeedB, kTwinSeedA, 160, 120},
                        {kNamelessSeed, kTwinSeedA, 162, 122}};
  for (const Case& c : cases) {
    ComRef<IBaseFilter> camera = BindCamera(c.seed);
    CaptureGraph g;
    if (!MakeGraph(&g, camera.Get()) || !AddGrabber(&g, MEDIASUBTYPE_RGB24)) {
      TearDown(&g);
      continue;
    }
    if (SUCCEEDED(CHECK_HR(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                   g.camera.Get(), nullptr,
                                                   g.grabber_filter.Get())))) {
      uint32_t first = 0;
      uint32_t second = 0;
      CHECK(CheckLiveFrames(&g, c.seed, c.width, c.height, &first, &second));
      Frame frame;
      if (GrabFrame(g.grabber.Get(), &frame, 2000)) {
        CHECK(!lgtp_check_frame_rgb24(frame.bytes.data(), frame.width, frame.height, c.other_seed,
                                      nullptr, nullptr, nullptr));
      }
    }
    TearDown(&g);
  }
}

void SixteenBitRefusedByRgb24Grabber() {
  Section("streaming: RGB565 chosen with SetFormat does not reach an RGB24 grabber");
  ComRef<IBaseFilter> camera = BindCamera(kTwinSeedA);
  CaptureGraph g;
  if (!MakeGraph(&g, camera.Get()) || !AddGrabber(&g, MEDIASUBTYPE_RGB24)) return TearDown(&g);
  ComRef<IAMStreamConfig> config = FindStreamConfig(&g);
  if (!config) return TearDown(&g);

  AM_MEDIA_TYPE* rgb565 = nullptr;
  CHECK(CapabilityWithDepth(config.Get(), 16, &rgb565) >= 0);
  if (rgb565 == nullptr) return TearDown(&g);
  CHECK(rgb565->subtype == MEDIASUBTYPE_RGB565);
  CHECK_HR(config->SetFormat(rgb565));
  FreeType(rgb565);
  HRESULT hr = g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g.camera.Get(),
                                       nullptr, g.grabber_filter.Get());
  std::printf("   RenderStream with RGB565: 0x%08lx\n", static_cast<unsigned long>(hr));
  CHECK(FAILED(hr));
  // The builder may leave the camera on its smart tee; what matters is that nothing reached
  // the grabber.
  AM_MEDIA_TYPE none = {};
  CHECK_HR_EQ(VFW_E_NOT_CONNECTED, g.grabber->GetConnectedMediaType(&none));

  // Back to the 24-bit capability: the same graph now connects and streams.
  AM_MEDIA_TYPE* rgb24 = nullptr;
  CHECK(CapabilityWithDepth(config.Get(), 24, &rgb24) >= 0);
  if (rgb24 == nullptr) return TearDown(&g);
  CHECK_HR(config->SetFormat(rgb24));
  FreeType(rgb24);
  if (SUCCEEDED(CHECK_HR(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                 g.camera.Get(), nullptr,
                                                 g.grabber_filter.Get())))) {
    uint32_t first = 0;
    uint32_t second = 0;
    CHECK(CheckLiveFrames(&g, kTwinSeedA, 320, 240, &first, &second));
  }
  TearDown(&g);
}

void Rgb32ReachesRgb32Grabber() {
  Section("streaming: the RGB32 capability streams to a grabber that takes RGB32");
  ComRef<IBaseFilter> camera = BindCamera(kTwinSeedA);
  CaptureGraph g;
  if (!MakeGraph(&g, camera.Get()) || !AddGrabber(&g, MEDIASUBTYPE_RGB32)) return TearDown(&g);
  ComRef<IAMStreamConfig> config = FindStreamConfig(&g);
  AM_MEDIA_TYPE* rgb32 = nullptr;
  if (!config || CapabilityWithDepth(config.Get(), 32, &rgb32) < 0) {
    CHECK(!"no RGB32 capability on twin A");
    return TearDown(&g);
  }
  const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(rgb32->pbFormat);
  const int width = info->bmiHeader.biWidth;
  const int height = info->bmiHeader.biHeight;
  CHECK_HR(config->SetFormat(rgb32));
  FreeType(rgb32);
  if (FAILED(CHECK_HR(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                              g.camera.Get(), nullptr, g.grabber_filter.Get())))) {
    return TearDown(&g);
  }
  CHECK_HR(g.control->Run());
  long size = 0;
  HRESULT hr;
  DWORD started = GetTickCount();
  while ((hr = g.grabber->GetCurrentBuffer(&size, nullptr)) == VFW_E_WRONG_STATE &&
         GetTickCount() - started < 5000) {
    Sleep(20);
  }
  CHECK_HR(hr);
  CHECK(size == width * height * 4);
  if (SUCCEEDED(hr) && size == width * height * 4) {
    std::vector<BYTE> bytes(static_cast<size_t>(size));
    CHECK_HR(g.grabber->GetCurrentBuffer(&size, reinterpret_cast<long*>(bytes.data())));
    // Read the frame number from the bar code (top row, one bit per cell), then compare every
    // pixel with the pattern, as the RGB24 checker does.
    DWORD frame = 0;
    const BYTE* top = bytes.data() + static_cast<size_t>(height - 1) * width * 4;
    for (int cell = 0; cell < LGTP_BAND_CELLS; ++cell) {
      frame = (frame << 1) | (top[4 * lgtp_cell_start(width, cell)] == 255 ? 1u : 0u);
    }
    bool all_match = true;
    for (int y = 0; y < height && all_match; ++y) {
      const BYTE* row = bytes.data() + static_cast<size_t>(height - 1 - y) * width * 4;
      for (int x = 0; x < width; ++x) {
        uint8_t rgb[3];
        lgtp_pixel(width, height, kTwinSeedA, frame, x, y, rgb);
        if (row[4 * x] != rgb[2] || row[4 * x + 1] != rgb[1] || row[4 * x + 2] != rgb[0]) {
          std::printf("   RGB32 pixel (%d, %d) differs\n", x, y);
          all_match = false;
          break;
        }
      }
    }
    CHECK(all_match);
  }
  TearDown(&g);
}

void I420ReachesI420Grabber() {
  Section("streaming: the 12-bit (I420) capability streams to a grabber that takes I420");
  const GUID i420 = {0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  ComRef<IBaseFilter> camera = BindCamera(kDefaultSeed);
  CaptureGraph g;
  if (!MakeGraph(&g, camera.Get()) || !AddGrabber(&g, i420)) return TearDown(&g);
  ComRef<IAMStreamConfig> config = FindStreamConfig(&g);
  AM_MEDIA_TYPE* planar = nullptr;
  if (!config || CapabilityWithDepth(config.Get(), 12, &planar) < 0) {
    CHECK(!"no 12-bit capability on the default instance");
    return TearDown(&g);
  }
  CHECK(planar->subtype == i420);
  CHECK_HR(config->SetFormat(planar));
  FreeType(planar);
  if (FAILED(CHECK_HR(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                              g.camera.Get(), nullptr, g.grabber_filter.Get())))) {
    return TearDown(&g);
  }
  CHECK_HR(g.control->Run());
  const int width = 160;
  const int height = 120;
  long size = 0;
  HRESULT hr;
  DWORD started = GetTickCount();
  while ((hr = g.grabber->GetCurrentBuffer(&size, nullptr)) == VFW_E_WRONG_STATE &&
         GetTickCount() - started < 5000) {
    Sleep(20);
  }
  CHECK_HR(hr);
  CHECK(size == width * height * 3 / 2);
  if (SUCCEEDED(hr) && size == width * height * 3 / 2) {
    std::vector<BYTE> bytes(static_cast<size_t>(size));
    CHECK_HR(g.grabber->GetCurrentBuffer(&size, reinterpret_cast<long*>(bytes.data())));
    // Luma plane, top-down: the bar code is studio-range black (16) and white (235).
    DWORD frame = 0;
    bool clean = true;
    for (int cell = 0; cell < LGTP_BAND_CELLS; ++cell) {
      BYTE y = bytes[lgtp_cell_start(width, cell)];
      clean = clean && (y == 16 || y == 235);
      frame = (frame << 1) | (y == 235 ? 1u : 0u);
    }
    CHECK(clean);
    bool luma_matches = true;
    for (int y = 0; y < height && luma_matches; ++y) {
      for (int x = 0; x < width; ++x) {
        uint8_t rgb[3];
        lgtp_pixel(width, height, kDefaultSeed, frame, x, y, rgb);
        int luma = ((66 * rgb[0] + 129 * rgb[1] + 25 * rgb[2] + 128) >> 8) + 16;
        if (bytes[static_cast<size_t>(y) * width + x] != luma) {
          std::printf("   I420 luma (%d, %d) differs\n", x, y);
          luma_matches = false;
          break;
        }
      }
    }
    CHECK(luma_matches);
  }
  TearDown(&g);
}

void RenderedThroughVideoRenderer(const Options& options) {
  Section("streaming: camera -> grabber -> default video renderer (needs a display)");
  if (!options.display) {
    std::printf("   skipped: no display\n");
    return;
  }
  ComRef<IBaseFilter> camera = BindCamera(kDefaultSeed);
  CaptureGraph g;
  if (!MakeGraph(&g, camera.Get()) || !AddGrabber(&g, MEDIASUBTYPE_RGB24)) return TearDown(&g);
  if (FAILED(CHECK_HR(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                              g.camera.Get(), g.grabber_filter.Get(), nullptr)))) {
    return TearDown(&g);
  }
  // The renderer the builder added has no such name; only the stand-in would.
  ComRef<IBaseFilter> by_name;
  CHECK_HR_EQ(VFW_E_NOT_FOUND, g.graph->FindFilterByName(L"Video Renderer", by_name.Receive()));
  uint32_t first = 0;
  uint32_t second = 0;
  CHECK(CheckLiveFrames(&g, kDefaultSeed, 640, 480, &first, &second));
  TearDown(&g);
}

}  // namespace

void TestStreaming(const Options& options) {
  DefaultCameraIntoGrabber();
  TwinsAreDistinguishable();
  SixteenBitRefusedByRgb24Grabber();
  Rgb32ReachesRgb32Grabber();
  I420ReachesI420Grabber();
  RenderedThroughVideoRenderer(options);
}

}  // namespace smoke
