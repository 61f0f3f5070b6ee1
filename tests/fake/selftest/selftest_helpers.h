// Small helpers for driving the fakes directly, the way the engine would.
#pragma once

#include "fake_world_test.h"
#include "platform/com_ptr.h"

namespace lumigrab::fake {

template <typename T>
HRESULT Create(FakePlatform& platform, REFCLSID clsid, REFIID iid, ComPtr<T>& out) {
  return platform.CreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out.ReceiveVoid());
}

// The filter of the first video device, bound the way the engine binds it.
inline HRESULT BindFirstVideoFilter(FakePlatform& platform, ComPtr<IBaseFilter>& filter) {
  ComPtr<ICreateDevEnum> devices;
  HRESULT result = Create(platform, CLSID_SystemDeviceEnum, IID_ICreateDevEnum, devices);
  if (FAILED(result)) return result;
  ComPtr<IEnumMoniker> monikers;
  result = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Receive(), 0);
  if (result != S_OK) return FAILED(result) ? result : E_FAIL;
  ComPtr<IMoniker> moniker;
  result = monikers->Next(1, moniker.Receive(), nullptr);
  if (result != S_OK) return FAILED(result) ? result : E_FAIL;
  return moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid());
}

// A graph with a builder, the first video device's filter as "Video Capture" and a grabber set to
// RGB24 as "GrabberVideo", not yet connected.
struct GrabberGraph {
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> source;
  ComPtr<IBaseFilter> grabberFilter;
  ComPtr<ISampleGrabber> grabber;

  HRESULT Build(FakePlatform& platform) {
    if (FAILED(Create(platform, CLSID_FilterGraph, IID_IGraphBuilder, graph)) ||
        FAILED(Create(platform, CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, builder)) ||
        FAILED(builder->SetFiltergraph(graph.Get())) ||
        FAILED(BindFirstVideoFilter(platform, source)) ||
        FAILED(graph->AddFilter(source.Get(), L"Video Capture")) ||
        FAILED(Create(platform, kClsidSampleGrabber, IID_IBaseFilter, grabberFilter)) ||
        FAILED(grabberFilter->QueryInterface(IID_ISampleGrabber, grabber.ReceiveVoid())) ||
        FAILED(graph->AddFilter(grabberFilter.Get(), L"GrabberVideo"))) {
      return E_FAIL;
    }
    AM_MEDIA_TYPE type = {};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    return grabber->SetMediaType(&type);
  }

  HRESULT Connect() {
    return builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), nullptr,
                                 grabberFilter.Get());
  }
};

}  // namespace lumigrab::fake
