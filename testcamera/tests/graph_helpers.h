// Building and running capture graphs the way a host does: Capture Graph Builder, RenderStream,
// and a Sample Grabber to look at what the camera sent.
#pragma once

#include <cstdint>
#include <vector>

#include <qedit.h>

#include "../src/com_ref.h"
#include "../src/platform_headers.h"

namespace smoke {

using lumigrab_tc::ComRef;

struct CaptureGraph {
  ComRef<IGraphBuilder> graph;
  ComRef<ICaptureGraphBuilder2> builder;
  ComRef<IMediaControl> control;
  ComRef<IBaseFilter> camera;
  ComRef<IBaseFilter> grabber_filter;
  ComRef<ISampleGrabber> grabber;
};

// A graph holding `camera` (added as "Camera") with a capture graph builder attached.
bool MakeGraph(CaptureGraph* g, IBaseFilter* camera);
// Adds a sample grabber ("Grabber") that wants MEDIATYPE_Video/`subtype` and keeps samples.
bool AddGrabber(CaptureGraph* g, const GUID& subtype);
// The camera's IAMStreamConfig, found as hosts find it.
ComRef<IAMStreamConfig> FindStreamConfig(CaptureGraph* g);
// Stops the graph if it runs and releases everything in an order that frees the graph.
void TearDown(CaptureGraph* g);

struct Frame {
  std::vector<BYTE> bytes;
  int width = 0;
  int height = 0;
};

// The connected size of the grabber's input.
bool GrabberFormat(ISampleGrabber* grabber, int* width, int* height, DWORD* image_size);
// Waits (up to timeout_ms) for the grabber to hold a sample and copies it.
bool GrabFrame(ISampleGrabber* grabber, Frame* frame, DWORD timeout_ms);

// Runs the graph, checks two grabs a while apart: both exactly the pattern of `seed` at the
// expected size, the second one newer. Answers the frame numbers seen (or false).
bool CheckLiveFrames(CaptureGraph* g, DWORD seed, int width, int height, uint32_t* first,
                     uint32_t* second);

// Records the timestamps of every sample the grabber sees.
class SampleTimes final : public ISampleGrabberCB {
 public:
  SampleTimes();
  ~SampleTimes();
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  // Lives on the caller's stack; COM references do not own it.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double time, IMediaSample* sample) override;
  STDMETHODIMP BufferCB(double time, BYTE* buffer, long length) override;

  struct Stamp {
    REFERENCE_TIME start;
    REFERENCE_TIME end;
    HRESULT hr;
  };
  std::vector<Stamp> Snapshot();

 private:
  CRITICAL_SECTION lock_;
  std::vector<Stamp> stamps_;
};

}  // namespace smoke
