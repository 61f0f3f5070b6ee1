#include "graph_helpers.h"

#include "../test_pattern.h"
#include "check.h"
#include "devices.h"

namespace smoke {

bool MakeGraph(CaptureGraph* g, IBaseFilter* camera) {
  if (camera == nullptr) return false;
  if (FAILED(CHECK_HR(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IGraphBuilder, g->graph.ReceiveVoid())))) {
    return false;
  }
  if (FAILED(CHECK_HR(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ICaptureGraphBuilder2, g->builder.ReceiveVoid())))) {
    return false;
  }
  CHECK_HR(g->builder->SetFiltergraph(g->graph.Get()));
  CHECK_HR(g->graph->QueryInterface(IID_IMediaControl, g->control.ReceiveVoid()));
  g->camera = ComRef<IBaseFilter>::Share(camera);
  return SUCCEEDED(CHECK_HR(g->graph->AddFilter(camera, L"Camera")));
}

bool AddGrabber(CaptureGraph* g, const GUID& subtype) {
  if (FAILED(CHECK_HR(CoCreateInstance(kSampleGrabberClsid, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IBaseFilter, g->grabber_filter.ReceiveVoid())))) {
    return false;
  }
  CHECK_HR(g->grabber_filter->QueryInterface(IID_ISampleGrabber, g->grabber.ReceiveVoid()));
  if (!g->grabber) return false;
  AM_MEDIA_TYPE wanted = {};
  wanted.majortype = MEDIATYPE_Video;
  wanted.subtype = subtype;
  wanted.formattype = GUID_NULL;
  CHECK_HR(g->grabber->SetMediaType(&wanted));
  CHECK_HR(g->grabber->SetBufferSamples(TRUE));
  return SUCCEEDED(CHECK_HR(g->graph->AddFilter(g->grabber_filter.Get(), L"Grabber")));
}

ComRef<IAMStreamConfig> FindStreamConfig(CaptureGraph* g) {
  ComRef<IAMStreamConfig> config;
  CHECK_HR(g->builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g->camera.Get(),
                                     IID_IAMStreamConfig, config.ReceiveVoid()));
  return config;
}

void TearDown(CaptureGraph* g) {
  if (g->control) CHECK_HR(g->control->Stop());
  g->control.Reset();
  g->grabber.Reset();
  g->grabber_filter.Reset();
  g->builder.Reset();
  g->graph.Reset();
  g->camera.Reset();
}

bool GrabberFormat(ISampleGrabber* grabber, int* width, int* height, DWORD* image_size) {
  AM_MEDIA_TYPE type = {};
  if (FAILED(CHECK_HR(grabber->GetConnectedMediaType(&type)))) return false;
  bool ok = type.formattype == FORMAT_VideoInfo && type.pbFormat != nullptr &&
            type.cbFormat >= sizeof(VIDEOINFOHEADER);
  CHECK(ok);
  if (ok) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    *width = info->bmiHeader.biWidth;
    *height = info->bmiHeader.biHeight;
    *image_size = info->bmiHeader.biSizeImage;
  }
  if (type.pbFormat != nullptr) CoTaskMemFree(type.pbFormat);
  if (type.pUnk != nullptr) type.pUnk->Release();
  return ok;
}

bool GrabFrame(ISampleGrabber* grabber, Frame* frame, DWORD timeout_ms) {
  DWORD started = GetTickCount();
  long size = 0;
  HRESULT hr;
  // No sample yet answers VFW_E_WRONG_STATE; anything else is a real failure.
  while ((hr = grabber->GetCurrentBuffer(&size, nullptr)) == VFW_E_WRONG_STATE &&
         GetTickCount() - started < timeout_ms) {
    Sleep(20);
  }
  if (FAILED(CHECK_HR(hr)) || size <= 0) return false;
  int width = 0;
  int height = 0;
  DWORD image_size = 0;
  if (!GrabberFormat(grabber, &width, &height, &image_size)) return false;
  frame->bytes.assign(static_cast<size_t>(size), 0);
  if (FAILED(CHECK_HR(grabber->GetCurrentBuffer(&size, reinterpret_cast<long*>(frame->bytes.data()))))) {
    return false;
  }
  frame->width = width;
  frame->height = height;
  CHECK(static_cast<DWORD>(size) == image_size);
  CHECK(static_cast<size_t>(size) == lgtp_image_size_rgb24(width, height));
  return static_cast<size_t>(size) == lgtp_image_size_rgb24(width, height);
}

bool CheckLiveFrames(CaptureGraph* g, DWORD seed, int width, int height, uint32_t* first,
                     uint32_t* second) {
  HRESULT hr = CHECK_HR(g->control->Run());
  if (FAILED(hr)) return false;
  Frame a;
  if (!GrabFrame(g->grabber.Get(), &a, 5000)) return false;
  CHECK(a.width == width);
  CHECK(a.height == height);
  int bad_x = 0;
  int bad_y = 0;
  bool a_ok = lgtp_check_frame_rgb24(a.bytes.data(), a.width, a.height, seed, first, &bad_x, &bad_y);
  CHECK(a_ok);
  if (!a_ok) std::printf("   first grab differs at (%d, %d)\n", bad_x, bad_y);
  // Long enough for several frames at any of the smoke run's rates.
  Sleep(400);
  Frame b;
  if (!GrabFrame(g->grabber.Get(), &b, 5000)) return false;
  bool b_ok = lgtp_check_frame_rgb24(b.bytes.data(), b.width, b.height, seed, second, &bad_x, &bad_y);
  CHECK(b_ok);
  if (!b_ok) std::printf("   second grab differs at (%d, %d)\n", bad_x, bad_y);
  if (a_ok && b_ok) CHECK(*second > *first);
  return a_ok && b_ok && *second > *first;
}

SampleTimes::SampleTimes() { InitializeCriticalSection(&lock_); }
SampleTimes::~SampleTimes() { DeleteCriticalSection(&lock_); }

STDMETHODIMP SampleTimes::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
    *out = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP SampleTimes::SampleCB(double, IMediaSample* sample) {
  Stamp stamp = {0, 0, E_FAIL};
  stamp.hr = sample->GetTime(&stamp.start, &stamp.end);
  EnterCriticalSection(&lock_);
  stamps_.push_back(stamp);
  LeaveCriticalSection(&lock_);
  return S_OK;
}

STDMETHODIMP SampleTimes::BufferCB(double, BYTE*, long) { return E_NOTIMPL; }

std::vector<SampleTimes::Stamp> SampleTimes::Snapshot() {
  EnterCriticalSection(&lock_);
  std::vector<Stamp> copy = stamps_;
  LeaveCriticalSection(&lock_);
  return copy;
}

}  // namespace smoke
