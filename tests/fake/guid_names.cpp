// Short names for the GUIDs that appear in the journal, so that a line reads
// "Builder.RenderStream(PREVIEW, Video, ...)" rather than two raw GUIDs.
#include <cstdio>
#include <utility>

#include "fake_world.h"

namespace lumigrab::fake {

namespace {

const std::pair<const GUID*, const char*> kNames[] = {
    // Classes and device categories.
    {&CLSID_SystemDeviceEnum, "SystemDeviceEnum"},
    {&CLSID_FilterGraph, "FilterGraph"},
    {&CLSID_CaptureGraphBuilder2, "CaptureGraphBuilder2"},
    {&kClsidSampleGrabber, "SampleGrabber"},
    {&CLSID_VideoInputDeviceCategory, "VideoInputDeviceCategory"},
    {&CLSID_AudioInputDeviceCategory, "AudioInputDeviceCategory"},
    // Interfaces.
    {&IID_IUnknown, "IUnknown"},
    {&IID_IDispatch, "IDispatch"},
    {&IID_IPersist, "IPersist"},
    {&IID_IMediaFilter, "IMediaFilter"},
    {&IID_IBaseFilter, "IBaseFilter"},
    {&IID_IFilterGraph, "IFilterGraph"},
    {&IID_IGraphBuilder, "IGraphBuilder"},
    {&IID_IMediaControl, "IMediaControl"},
    {&IID_IVideoWindow, "IVideoWindow"},
    {&IID_ICaptureGraphBuilder2, "ICaptureGraphBuilder2"},
    {&IID_ICreateDevEnum, "ICreateDevEnum"},
    {&IID_IEnumMoniker, "IEnumMoniker"},
    {&IID_IMoniker, "IMoniker"},
    {&IID_IPropertyBag, "IPropertyBag"},
    {&IID_IAMStreamConfig, "IAMStreamConfig"},
    {&IID_IAMVideoCompression, "IAMVideoCompression"},
    {&IID_IAMCrossbar, "IAMCrossbar"},
    {&IID_ISampleGrabber, "ISampleGrabber"},
    {&IID_ISpecifyPropertyPages, "ISpecifyPropertyPages"},
    {&IID_IDirectDrawVideo, "IDirectDrawVideo"},
    {&IID_IConfigAviMux, "IConfigAviMux"},
    {&IID_IFileSinkFilter, "IFileSinkFilter"},
    {&IID_IRunningObjectTable, "IRunningObjectTable"},
    // Pin categories and search directions.
    {&PIN_CATEGORY_CAPTURE, "CAPTURE"},
    {&PIN_CATEGORY_PREVIEW, "PREVIEW"},
    {&LOOK_UPSTREAM_ONLY, "LOOK_UPSTREAM_ONLY"},
    {&LOOK_DOWNSTREAM_ONLY, "LOOK_DOWNSTREAM_ONLY"},
    // Media types, subtypes and format types.
    {&MEDIATYPE_Video, "Video"},
    {&MEDIATYPE_Audio, "Audio"},
    {&MEDIATYPE_Interleaved, "Interleaved"},
    {&MEDIASUBTYPE_RGB24, "RGB24"},
    {&MEDIASUBTYPE_RGB32, "RGB32"},
    {&MEDIASUBTYPE_RGB565, "RGB565"},
    {&MEDIASUBTYPE_RGB555, "RGB555"},
    {&MEDIASUBTYPE_YUY2, "YUY2"},
    {&MEDIASUBTYPE_IYUV, "IYUV"},
    {&MEDIASUBTYPE_Avi, "Avi"},
    {&FORMAT_VideoInfo, "VideoInfo"},
    {&FORMAT_WaveFormatEx, "WaveFormatEx"},
    {&GUID_NULL, "GUID_NULL"},
};

}  // namespace

std::string GuidName(const GUID& guid) {
  for (const auto& name : kNames) {
    if (IsEqualGUID(*name.first, guid)) return name.second;
  }
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

std::string GuidName(const GUID* guid) { return guid == nullptr ? "null" : GuidName(*guid); }

}  // namespace lumigrab::fake
