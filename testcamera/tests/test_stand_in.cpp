// The test-only stand-in "Video Renderer": present only when the instance asks for it, a
// well-behaved pin-less filter, IDirectDrawVideo without window interfaces, switches published
// in the registry, and no reference cycle between the camera, the stand-in and the graph.
#include "../test_pattern.h"
#include "check.h"
#include "devices.h"
#include "graph_helpers.h"
#include "tests.h"

namespace smoke {
namespace {

constexpr const wchar_t* kResultsKey = L"Software\\LumigrabTestCamera";

// Answers false when the value is absent.
bool ReadLastSwitches(DWORD* value) {
  DWORD size = sizeof(*value);
  DWORD type = 0;
  LONG status = RegGetValueW(HKEY_CURRENT_USER, kResultsKey, L"LastSwitches", RRF_RT_REG_DWORD,
                             &type, value, &size);
  return status == ERROR_SUCCESS;
}

void WriteLastSwitches(DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kResultsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, L"LastSwitches", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
    RegCloseKey(key);
  }
}

void NoStandInByDefault() {
  Section("stand-in: absent unless the instance asks for it");
  ComRef<IBaseFilter> camera = BindCamera(kDefaultSeed);
  CaptureGraph g;
  if (MakeGraph(&g, camera.Get())) {
    ComRef<IBaseFilter> found;
    CHECK_HR_EQ(VFW_E_NOT_FOUND, g.graph->FindFilterByName(L"Video Renderer", found.Receive()));
  }
  TearDown(&g);
}

void StandInInRunningGraph() {
  Section("stand-in: joins with the camera and behaves as a filter");
  // A leftover value proves the stand-in resets it when it is made.
  WriteLastSwitches(0xABCD);
  DWORD switches = 0;
  CHECK(ReadLastSwitches(&switches) && switches == 0xABCD);

  ComRef<IBaseFilter> camera = BindCamera(kStandInSeed);
  CaptureGraph g;
  if (!MakeGraph(&g, camera.Get())) return TearDown(&g);
  CHECK(!ReadLastSwitches(&switches));

  ComRef<IBaseFilter> stand_in;
  CHECK_HR(g.graph->FindFilterByName(L"Video Renderer", stand_in.Receive()));
  if (!stand_in) return TearDown(&g);

  ComRef<IDirectDrawVideo> ddv;
  CHECK_HR(stand_in->QueryInterface(IID_IDirectDrawVideo, ddv.ReceiveVoid()));
  ComRef<IVideoWindow> window;
  CHECK_HR_EQ(E_NOINTERFACE, stand_in->QueryInterface(IID_IVideoWindow, window.ReceiveVoid()));
  ComRef<IBasicVideo> basic;
  CHECK_HR_EQ(E_NOINTERFACE, stand_in->QueryInterface(IID_IBasicVideo, basic.ReceiveVoid()));
  // The graph finds no window to forward to either.
  {
    ComRef<IVideoWindow> graph_window;
    if (SUCCEEDED(g.graph->QueryInterface(IID_IVideoWindow, graph_window.ReceiveVoid()))) {
      long visible = 0;
      CHECK(FAILED(graph_window->get_Visible(&visible)));
    }
  }

  {
    ComRef<IEnumPins> pins;
    CHECK_HR(stand_in->EnumPins(pins.Receive()));
    if (pins) {
      IPin* pin = nullptr;
      ULONG fetched = 7;
      CHECK_HR_EQ(S_FALSE, pins->Next(1, &pin, &fetched));
      CHECK(fetched == 0);
    }
  }
  FILTER_INFO info = {};
  CHECK_HR(stand_in->QueryFilterInfo(&info));
  CHECK(wcscmp(info.achName, L"Video Renderer") == 0);
  CHECK(info.pGraph != nullptr);
  if (info.pGraph != nullptr) info.pGraph->Release();

  if (ddv) {
    CHECK_HR(ddv->SetSwitches(AMDDS_NONE));
    CHECK(ReadLastSwitches(&switches) && switches == AMDDS_NONE);
    DWORD got = 0xFFFF;
    CHECK_HR(ddv->GetSwitches(&got));
    CHECK(got == AMDDS_NONE);
    CHECK_HR(ddv->SetSwitches(AMDDS_YUV));
    CHECK(ReadLastSwitches(&switches) && switches == AMDDS_YUV);
    CHECK_HR(ddv->SetSwitches(AMDDS_NONE));
    CHECK(ReadLastSwitches(&switches) && switches == AMDDS_NONE);
  }

  // The camera still streams with the stand-in beside it, and the stand-in follows the graph's
  // states without ever blocking.
  if (AddGrabber(&g, MEDIASUBTYPE_RGB24) &&
      SUCCEEDED(CHECK_HR(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                 g.camera.Get(), nullptr,
                                                 g.grabber_filter.Get())))) {
    uint32_t first = 0;
    uint32_t second = 0;
    CHECK(CheckLiveFrames(&g, kStandInSeed, 640, 480, &first, &second));
    FILTER_STATE state = State_Stopped;
    CHECK_HR_EQ(S_OK, stand_in->GetState(0, &state));
    CHECK(state == State_Running);
    CHECK_HR(g.control->Pause());
    CHECK_HR_EQ(S_OK, stand_in->GetState(0, &state));
    CHECK(state == State_Paused);
    CHECK_HR(g.control->Stop());
    CHECK_HR_EQ(S_OK, stand_in->GetState(0, &state));
    CHECK(state == State_Stopped);
  }

  // Letting go of everything frees everything: the graph, the camera and the stand-in hold no
  // references to each other that would keep them alive.
  ddv.Reset();
  g.control.Reset();
  g.grabber.Reset();
  g.grabber_filter.Reset();
  g.builder.Reset();
  g.camera.Reset();
  g.graph.Reset();
  CHECK(camera.Detach()->Release() == 0);
  CHECK(stand_in.Detach()->Release() == 0);
}

void CameraLeavesGraph() {
  Section("stand-in: camera removed from its graph, then added to another");
  ComRef<IBaseFilter> camera = BindCamera(kStandInSeed);
  CaptureGraph first;
  if (!MakeGraph(&first, camera.Get())) return TearDown(&first);
  CHECK_HR(first.graph->RemoveFilter(camera.Get()));
  FILTER_INFO info = {};
  CHECK_HR(camera->QueryFilterInfo(&info));
  CHECK(info.pGraph == nullptr);
  if (info.pGraph != nullptr) info.pGraph->Release();

  CaptureGraph second;
  if (MakeGraph(&second, camera.Get())) {
    ComRef<IBaseFilter> stand_in;
    CHECK_HR(second.graph->FindFilterByName(L"Video Renderer", stand_in.Receive()));
  }
  TearDown(&second);
  TearDown(&first);
  CHECK(camera.Detach()->Release() == 0);
}

}  // namespace

void TestStandIn(const Options&) {
  NoStandInByDefault();
  StandInInRunningGraph();
  CameraLeavesGraph();
}

}  // namespace smoke
