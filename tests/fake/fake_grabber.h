// The Sample Grabber: IBaseFilter with ISampleGrabber. It becomes connected when the builder
// renders a stream through it; GetCurrentBuffer answers as the real grabber does, from the
// world's GrabberScript once connected and buffering.
#pragma once

#include <optional>
#include <vector>

#include "fake_filter.h"
#include "media_types.h"

namespace lumigrab::fake {

// One GetCurrentBuffer call as the grabber received it.
struct BufferRequest {
  std::optional<long> size;  // *pBufferSize on entry; none for a null size pointer
  bool withBuffer = false;
};

class FakeSampleGrabber final : public FakeBaseFilter<ISampleGrabber> {
 public:
  explicit FakeSampleGrabber(FakeWorld& world)
      : FakeBaseFilter(world, "Grabber", world.UniqueName("Grabber")) {}
  void* Interface(REFIID iid) override;

  LUMIGRAB_FAKE_NOTIMPL(SetOneShot, (WINBOOL))
  HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* mediaType) override;
  HRESULT STDMETHODCALLTYPE SetBufferSamples(WINBOOL buffer) override;
  HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG* size, LONG* buffer) override;
  LUMIGRAB_FAKE_NOTIMPL(GetCurrentSample, (IMediaSample**))
  LUMIGRAB_FAKE_NOTIMPL(SetCallback, (ISampleGrabberCB*, LONG))

  // Whether a connection to RGB24 is acceptable to the type the engine set (none set: any).
  bool AcceptsRgb24() const;

  std::vector<RecordedMediaType> mediaTypesSet;
  std::vector<BOOL> bufferSamplesCalls;
  bool buffering = false;
  std::optional<AM_MEDIA_TYPE> connectedType;  // format block in connectedFormat
  VIDEOINFOHEADER connectedFormat = {};
  std::vector<BufferRequest> bufferRequests;

  // What the builder does when it connects the grabber's input.
  void Connect(const VIDEOINFOHEADER& format, const GUID& subtype);
};

}  // namespace lumigrab::fake
