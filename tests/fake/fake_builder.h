// The capture graph builder: finds interfaces on and upstream of capture filters, renders streams
// (connecting the Sample Grabber with an RGB24 type derived from the device's current format, and
// adding the default video renderer for a null renderer), makes the AVI output and records
// ControlStream requests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fake_world.h"

namespace lumigrab::fake {

class FakeFilterGraph;
class FakeAviMux;
class FakeFileWriter;

struct RenderStreamRecord {
  std::string category;
  std::string type;
  std::string source;
  std::string intermediate;
  std::string sink;
  HRESULT result = S_OK;
};

struct ControlStreamRecord {
  std::string category;
  std::string type;
  std::string filter;
  std::optional<REFERENCE_TIME> start;  // none: a null pointer
  std::optional<REFERENCE_TIME> stop;
  WORD startCookie = 0;
  WORD stopCookie = 0;
};

struct OutputFileRecord {
  std::string subtype;
  std::wstring fileName;
};

class FakeCaptureGraphBuilder final : public FakeObject, public ICaptureGraphBuilder2 {
 public:
  explicit FakeCaptureGraphBuilder(FakeWorld& world)
      : FakeObject(world, "Builder", world.UniqueName("Builder")) {}
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;

  HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* graph) override;
  HRESULT STDMETHODCALLTYPE GetFiltergraph(IGraphBuilder** graph) override;
  HRESULT STDMETHODCALLTYPE SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                                              IFileSinkFilter** sink) override;
  HRESULT STDMETHODCALLTYPE FindInterface(const GUID* category, const GUID* type,
                                          IBaseFilter* filter, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                         IBaseFilter* intermediate, IBaseFilter* sink) override;
  HRESULT STDMETHODCALLTYPE ControlStream(const GUID* category, const GUID* type,
                                          IBaseFilter* filter, REFERENCE_TIME* start,
                                          REFERENCE_TIME* stop, WORD startCookie,
                                          WORD stopCookie) override;
  LUMIGRAB_FAKE_NOTIMPL(AllocCapFile, (LPCOLESTR, DWORDLONG))
  LUMIGRAB_FAKE_NOTIMPL(CopyCaptureFile, (LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress*))
  LUMIGRAB_FAKE_NOTIMPL(FindPin,
                        (IUnknown*, PIN_DIRECTION, const GUID*, const GUID*, WINBOOL, int, IPin**))

  FakeFilterGraph* graph = nullptr;  // one reference held, as the real builder does
  std::vector<RenderStreamRecord> renderStreams;
  std::vector<ControlStreamRecord> controlStreams;
  std::vector<OutputFileRecord> outputFiles;

 protected:
  void OnFinalRelease() override;

 private:
  HRESULT Render(const GUID* category, const GUID* type, IUnknown* source,
                 IBaseFilter* intermediate, IBaseFilter* sink);
};

}  // namespace lumigrab::fake
