// Devices must behave like real ones where the engine depends on it: an empty category gives no
// enumerator, every enumeration and bind makes new objects, media types are handed out with a
// tracked token, and SetFormat refuses per capability.
#include <cstring>

#include "selftest_helpers.h"

namespace lumigrab::fake {
namespace {

using Devices = FakeWorldTest;

TEST_F(Devices, EmptyCategoryAnswersSFalseWithoutEnumerator) {
  world.AddVideoDevice(DeviceScript(L"Camera"));
  ComPtr<ICreateDevEnum> devices;
  ASSERT_EQ(S_OK, Create(platform, CLSID_SystemDeviceEnum, IID_ICreateDevEnum, devices));
  IEnumMoniker* audio = reinterpret_cast<IEnumMoniker*>(0x1);
  EXPECT_EQ(S_FALSE, devices->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &audio, 0));
  EXPECT_EQ(nullptr, audio);
}

TEST_F(Devices, EveryEnumerationAndBindMakesNewObjects) {
  world.AddVideoDevice(DeviceScript(L"Camera"));
  world.AddVideoDevice(DeviceScript());
  ComPtr<ICreateDevEnum> devices;
  ComPtr<IEnumMoniker> monikers;
  ASSERT_EQ(S_OK, Create(platform, CLSID_SystemDeviceEnum, IID_ICreateDevEnum, devices));
  ASSERT_EQ(S_OK,
            devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Receive(), 0));
  ComPtr<IMoniker> first, again, second, none;
  ASSERT_EQ(S_OK, monikers->Next(1, first.Receive(), nullptr));
  ASSERT_EQ(S_OK, monikers->Reset());
  ASSERT_EQ(S_OK, monikers->Next(1, again.Receive(), nullptr));
  ASSERT_EQ(S_OK, monikers->Next(1, second.Receive(), nullptr));
  ULONG fetched = 7;
  EXPECT_EQ(S_FALSE, monikers->Next(1, none.Receive(), &fetched));
  EXPECT_EQ(0u, fetched);
  EXPECT_NE(first.Get(), again.Get());

  ComPtr<IBaseFilter> a, b;
  ASSERT_EQ(S_OK, first->BindToObject(nullptr, nullptr, IID_IBaseFilter, a.ReceiveVoid()));
  ASSERT_EQ(S_OK, again->BindToObject(nullptr, nullptr, IID_IBaseFilter, b.ReceiveVoid()));
  EXPECT_EQ("Video0", world.NameOf(a.Get()));
  EXPECT_EQ("Video0#2", world.NameOf(b.Get()));

  ComPtr<IPropertyBag> named, unnamed;
  ASSERT_EQ(S_OK, first->BindToStorage(nullptr, nullptr, IID_IPropertyBag, named.ReceiveVoid()));
  ASSERT_EQ(S_OK, second->BindToStorage(nullptr, nullptr, IID_IPropertyBag, unnamed.ReceiveVoid()));
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  ASSERT_EQ(S_OK, named->Read(L"FriendlyName", &value, nullptr));
  EXPECT_STREQ(L"Camera", value.bstrVal);
  VariantClear(&value);
  value.vt = VT_BSTR;
  EXPECT_TRUE(FAILED(unnamed->Read(L"FriendlyName", &value, nullptr)));
  EXPECT_EQ(VT_BSTR, value.vt);
}

TEST_F(Devices, MediaTypesCarryTheCapabilityBlockAndATrackedToken) {
  world.AddVideoDevice(DeviceScript(L"Camera")
                           .With(Cap(640, 480, 24).Interval(400000).BlockSize(100))
                           .With(Cap(320, 240, 12).WithoutFormatBlock())
                           .With(Cap(160, 120, 16).RefuseSetFormat(E_INVALIDARG))
                           .With(Cap(160, 120, 16)));
  GrabberGraph graph;
  ASSERT_EQ(S_OK, graph.Build(platform));
  ComPtr<IAMStreamConfig> config;
  ASSERT_EQ(S_OK, graph.builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                               graph.source.Get(), IID_IAMStreamConfig,
                                               config.ReceiveVoid()));
  int count = 0, size = 0;
  ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
  ASSERT_EQ(4, count);
  EXPECT_EQ(static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)), size);

  const auto& capabilities = world.VideoDevices()[0]->script.capabilities;
  std::vector<HRESULT> setResults;
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS limits = {};
    ASSERT_EQ(S_OK, config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&limits)));
    const std::vector<unsigned char> block = capabilities[static_cast<size_t>(i)].FormatBlock();
    ASSERT_EQ(block.size(), type->cbFormat);
    EXPECT_TRUE(block.empty() ? type->pbFormat == nullptr
                              : std::memcmp(block.data(), type->pbFormat, block.size()) == 0);
    EXPECT_EQ(capabilities[static_cast<size_t>(i)].minFrameInterval, limits.MinFrameInterval);
    setResults.push_back(config->SetFormat(type));
    if (type->cbFormat != 0) CoTaskMemFree(type->pbFormat);
    type->pUnk->Release();
    CoTaskMemFree(type);
  }
  EXPECT_EQ((std::vector<HRESULT>{S_OK, VFW_E_INVALIDMEDIATYPE, E_INVALIDARG, S_OK}), setResults);
  const FakeCapturePin& pin = world.VideoDevices()[0]->filters[0]->pin;
  ASSERT_EQ(4u, pin.handedOut.size());
  for (const MediaTypeToken* token : pin.handedOut) EXPECT_EQ(0, token->References());
  EXPECT_EQ(3, pin.setFormats[3].capabilityIndex);
  EXPECT_EQ(160, pin.setFormats[3].width);

  // The last format set is what the grabber connects with; afterwards the pin keeps it.
  ASSERT_EQ(S_OK, graph.Connect());
  AM_MEDIA_TYPE* first = nullptr;
  VIDEO_STREAM_CONFIG_CAPS limits = {};
  ASSERT_EQ(S_OK, config->GetStreamCaps(0, &first, reinterpret_cast<BYTE*>(&limits)));
  EXPECT_EQ(VFW_E_ALREADY_CONNECTED, config->SetFormat(first));
  CoTaskMemFree(first->pbFormat);
  first->pUnk->Release();
  CoTaskMemFree(first);
  EXPECT_EQ(160, world.ObjectsOf<FakeSampleGrabber>()[0]->connectedFormat.bmiHeader.biWidth);
}

}  // namespace
}  // namespace lumigrab::fake
