#include "fake_grabber.h"

#include <cstring>

namespace lumigrab::fake {

void* FakeSampleGrabber::Interface(REFIID iid) {
  if (void* found = BaseFilterInterface(iid)) return found;
  if (IsEqualIID(iid, IID_ISampleGrabber)) return static_cast<ISampleGrabber*>(this);
  return nullptr;
}

HRESULT FakeSampleGrabber::SetMediaType(const AM_MEDIA_TYPE* mediaType) {
  FakeCall call = Begin("SetMediaType", Describe(mediaType));
  if (mediaType == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  mediaTypesSet.push_back(RecordMediaType(*mediaType));
  return call.Return(S_OK);
}

bool FakeSampleGrabber::AcceptsRgb24() const {
  if (mediaTypesSet.empty()) return true;
  const RecordedMediaType& wanted = mediaTypesSet.back();
  auto matches = [](const GUID& wantedGuid, const GUID& offered) {
    return IsEqualGUID(wantedGuid, GUID_NULL) || IsEqualGUID(wantedGuid, offered);
  };
  return matches(wanted.majortype, MEDIATYPE_Video) &&
         matches(wanted.subtype, MEDIASUBTYPE_RGB24) &&
         matches(wanted.formattype, FORMAT_VideoInfo);
}

void FakeSampleGrabber::Connect(const VIDEOINFOHEADER& format, const GUID& subtype) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = subtype;
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = format.bmiHeader.biSizeImage;
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof(VIDEOINFOHEADER);
  connectedType = type;
  connectedFormat = format;
}

HRESULT FakeSampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* mediaType) {
  FakeCall call = Begin("GetConnectedMediaType", "");
  if (mediaType == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  if (!connectedType) return call.Return(VFW_E_NOT_CONNECTED);
  *mediaType = *connectedType;
  mediaType->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  std::memcpy(mediaType->pbFormat, &connectedFormat, sizeof(VIDEOINFOHEADER));
  return call.Return(S_OK);
}

HRESULT FakeSampleGrabber::SetBufferSamples(WINBOOL buffer) {
  FakeCall call = Begin("SetBufferSamples", buffer ? "TRUE" : "FALSE");
  if (call.Failed()) return call.Fail();
  bufferSamplesCalls.push_back(buffer);
  buffering = buffer != FALSE;
  return call.Return(S_OK);
}

HRESULT FakeSampleGrabber::GetCurrentBuffer(LONG* size, LONG* buffer) {
  BufferRequest request;
  if (size != nullptr) request.size = *size;
  request.withBuffer = buffer != nullptr;
  bufferRequests.push_back(request);
  FakeCall call = Begin("GetCurrentBuffer", (size == nullptr ? std::string("size=null")
                                                             : "size=" + std::to_string(*size)) +
                                                (buffer == nullptr ? ", buffer=null" : ", buffer"));
  if (call.Failed()) return call.Fail();
  // The real grabber's checks, in its order.
  if (size == nullptr) return call.Return(E_POINTER);
  if (!connectedType) return call.Return(VFW_E_NOT_CONNECTED);
  if (!buffering) return call.Return(E_INVALIDARG);

  const GrabberAnswer* answer = world_.grabber.Take();
  if (answer == nullptr || answer->kind == GrabberAnswer::Kind::NoSampleYet) {
    return call.Return(VFW_E_WRONG_STATE);
  }
  if (answer->kind == GrabberAnswer::Kind::Result) {
    if (answer->size) *size = *answer->size;
    return call.Return(answer->result);
  }
  const long sampleSize = static_cast<long>(answer->bytes.size());
  if (buffer == nullptr) {
    *size = sampleSize;
    return call.Return(S_OK);
  }
  if (*size < sampleSize) {
    *size = sampleSize;
    return call.Return(E_OUTOFMEMORY);
  }
  std::memcpy(buffer, answer->bytes.data(), answer->bytes.size());
  *size = sampleSize;
  return call.Return(S_OK);
}

}  // namespace lumigrab::fake
