// What the capture pin advertises: category, capabilities, formats, and the effect of SetFormat
// on the formats offered.
#include "../test_pattern.h"
#include "check.h"
#include "devices.h"
#include "graph_helpers.h"
#include "tests.h"

namespace smoke {
namespace {

struct Expected {
  int width;
  int height;
  int bits;
  REFERENCE_TIME interval;
  const GUID* subtype;
  DWORD image_size;
};

const VIDEOINFOHEADER* InfoOf(const AM_MEDIA_TYPE* type) {
  if (type == nullptr || type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr ||
      type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return nullptr;
  }
  return reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
}

void FreeType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  if (type->pbFormat != nullptr) CoTaskMemFree(type->pbFormat);
  if (type->pUnk != nullptr) type->pUnk->Release();
  CoTaskMemFree(type);
}

bool Describes(const AM_MEDIA_TYPE* type, const Expected& e) {
  const VIDEOINFOHEADER* info = InfoOf(type);
  return info != nullptr && type->majortype == MEDIATYPE_Video && type->subtype == *e.subtype &&
         type->cbFormat == sizeof(VIDEOINFOHEADER) && info->bmiHeader.biWidth == e.width &&
         info->bmiHeader.biHeight == e.height && info->bmiHeader.biBitCount == e.bits &&
         info->bmiHeader.biSizeImage == e.image_size && info->AvgTimePerFrame == e.interval;
}

void CheckPinIdentity(IBaseFilter* camera) {
  ComRef<IEnumPins> pins;
  CHECK_HR(camera->EnumPins(pins.Receive()));
  if (!pins) return;
  IPin* all[2] = {nullptr, nullptr};
  ULONG fetched = 0;
  CHECK_HR_EQ(S_FALSE, pins->Next(2, all, &fetched));
  CHECK(fetched == 1);
  ComRef<IPin> pin;
  *pin.Receive() = all[0];
  if (!pin) return;
  PIN_INFO info = {};
  CHECK_HR(pin->QueryPinInfo(&info));
  CHECK(info.dir == PINDIR_OUTPUT);
  CHECK(wcscmp(info.achName, L"Capture") == 0);
  CHECK(info.pFilter == camera);
  if (info.pFilter != nullptr) info.pFilter->Release();

  ComRef<IKsPropertySet> properties;
  CHECK_HR(pin->QueryInterface(IID_IKsPropertySet, properties.ReceiveVoid()));
  if (properties) {
    GUID category = GUID_NULL;
    DWORD returned = 0;
    CHECK_HR(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                             sizeof(category), &returned));
    CHECK(category == PIN_CATEGORY_CAPTURE);
    CHECK(returned == sizeof(GUID));
  }
  // An unconnected pin says so.
  ComRef<IPin> peer;
  CHECK_HR_EQ(VFW_E_NOT_CONNECTED, pin->ConnectedTo(peer.Receive()));
}

void CheckDefaultCapabilities(CaptureGraph* g) {
  const Expected expected[] = {
      {640, 480, 24, 333333, &MEDIASUBTYPE_RGB24, 640 * 3 * 480},
      {320, 240, 24, 333333, &MEDIASUBTYPE_RGB24, 320 * 3 * 240},
      {320, 240, 16, 333333, &MEDIASUBTYPE_RGB565, 320 * 2 * 240},
      {160, 120, 12, 666666, nullptr, 160 * 120 * 3 / 2},
  };
  const GUID i420 = {0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  Expected table[4];
  for (int i = 0; i < 4; ++i) {
    table[i] = expected[i];
    if (table[i].subtype == nullptr) table[i].subtype = &i420;
  }

  ComRef<IAMStreamConfig> config = FindStreamConfig(g);
  CHECK(static_cast<bool>(config));
  if (!config) return;
  int count = 0;
  int size = 0;
  CHECK_HR(config->GetNumberOfCapabilities(&count, &size));
  CHECK(count == 4);
  CHECK(size == sizeof(VIDEO_STREAM_CONFIG_CAPS));
  for (int i = 0; i < 4 && i < count; ++i) {
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps = {};
    CHECK_HR_EQ(S_OK, config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)));
    CHECK(Describes(type, table[i]));
    CHECK(caps.guid == FORMAT_VideoInfo);
    CHECK(caps.MinFrameInterval == table[i].interval);
    CHECK(caps.MaxFrameInterval == table[i].interval);
    CHECK(caps.MaxOutputSize.cx == table[i].width && caps.MaxOutputSize.cy == table[i].height);
    CHECK(caps.MinOutputSize.cx == table[i].width && caps.MinOutputSize.cy == table[i].height);
    FreeType(type);
  }
  AM_MEDIA_TYPE* beyond = nullptr;
  VIDEO_STREAM_CONFIG_CAPS caps = {};
  CHECK_HR_EQ(S_FALSE, config->GetStreamCaps(4, &beyond, reinterpret_cast<BYTE*>(&caps)));

  AM_MEDIA_TYPE* current = nullptr;
  CHECK_HR(config->GetFormat(&current));
  CHECK(Describes(current, table[0]));

  // Types it does not offer are refused and change nothing.
  if (current != nullptr) {
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(current->pbFormat);
    info->bmiHeader.biWidth = 641;
    CHECK(FAILED(config->SetFormat(current)));
    info->bmiHeader.biWidth = 640;
    current->subtype = MEDIASUBTYPE_RGB32;
    info->bmiHeader.biBitCount = 32;
    CHECK(FAILED(config->SetFormat(current)));
    FreeType(current);
  }
  AM_MEDIA_TYPE* still = nullptr;
  CHECK_HR(config->GetFormat(&still));
  CHECK(Describes(still, table[0]));
  FreeType(still);

  // Choosing the second capability makes it the current format and the first type listed.
  AM_MEDIA_TYPE* second = nullptr;
  CHECK_HR(config->GetStreamCaps(1, &second, reinterpret_cast<BYTE*>(&caps)));
  CHECK_HR(config->SetFormat(second));
  FreeType(second);
  AM_MEDIA_TYPE* now = nullptr;
  CHECK_HR(config->GetFormat(&now));
  CHECK(Describes(now, table[1]));
  FreeType(now);

  ComRef<IPin> pin;
  CHECK_HR(g->camera->FindPin(L"Capture", pin.Receive()));
  ComRef<IEnumMediaTypes> types;
  if (pin) CHECK_HR(pin->EnumMediaTypes(types.Receive()));
  if (types) {
    AM_MEDIA_TYPE* listed[8] = {};
    ULONG fetched = 0;
    CHECK_HR_EQ(S_FALSE, types->Next(8, listed, &fetched));
    CHECK(fetched == 4);
    if (fetched >= 1) CHECK(Describes(listed[0], table[1]));
    if (fetched == 4) {
      CHECK(Describes(listed[1], table[0]));
      CHECK(Describes(listed[2], table[2]));
      CHECK(Describes(listed[3], table[3]));
    }
    for (ULONG i = 0; i < fetched; ++i) FreeType(listed[i]);
    // A null "fetched" is allowed when asking for one.
    CHECK_HR(types->Reset());
    AM_MEDIA_TYPE* one = nullptr;
    CHECK_HR_EQ(S_OK, types->Next(1, &one, nullptr));
    CHECK(Describes(one, table[1]));
    FreeType(one);
  }
}

}  // namespace

void TestStreamConfig(const Options&) {
  Section("stream config (default instance)");
  ComRef<IBaseFilter> camera = BindCamera(kDefaultSeed);
  if (!camera) return;
  CheckPinIdentity(camera.Get());
  CaptureGraph g;
  if (MakeGraph(&g, camera.Get())) CheckDefaultCapabilities(&g);
  TearDown(&g);

  Section("stream config (nameless instance, padded rows)");
  ComRef<IBaseFilter> odd = BindCamera(kNamelessSeed);
  if (!odd) return;
  CaptureGraph h;
  if (MakeGraph(&h, odd.Get())) {
    ComRef<IAMStreamConfig> config = FindStreamConfig(&h);
    if (config) {
      int count = 0;
      int size = 0;
      CHECK_HR(config->GetNumberOfCapabilities(&count, &size));
      CHECK(count == 1);
      AM_MEDIA_TYPE* type = nullptr;
      CHECK_HR(config->GetFormat(&type));
      Expected e = {162, 122, 24, 400000, &MEDIASUBTYPE_RGB24,
                    static_cast<DWORD>(lgtp_image_size_rgb24(162, 122))};
      CHECK(Describes(type, e));
      CHECK(e.image_size == 488u * 122u);
      FreeType(type);
    }
  }
  TearDown(&h);
}

}  // namespace smoke
