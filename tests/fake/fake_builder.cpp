#include "fake_builder.h"

#include "fake_crossbar.h"
#include "fake_devices.h"
#include "fake_filters.h"
#include "fake_grabber.h"
#include "fake_graph.h"

namespace lumigrab::fake {

void* FakeCaptureGraphBuilder::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ICaptureGraphBuilder2)) {
    return static_cast<ICaptureGraphBuilder2*>(this);
  }
  return nullptr;
}

HRESULT FakeCaptureGraphBuilder::SetFiltergraph(IGraphBuilder* newGraph) {
  FakeCall call = Begin("SetFiltergraph", world_.NameOf(newGraph));
  if (newGraph == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  if (graph != nullptr) return call.Return(E_UNEXPECTED);  // the real builder takes one graph
  auto* fake = world_.FakeAt<FakeFilterGraph>(newGraph);
  if (fake == nullptr) return call.Return(E_INVALIDARG);
  fake->AddRefInternal();
  graph = fake;
  return call.Return(S_OK);
}

HRESULT FakeCaptureGraphBuilder::GetFiltergraph(IGraphBuilder** out) {
  FakeCall call = Begin("GetFiltergraph", "");
  if (out == nullptr) return call.Return(E_POINTER);
  *out = nullptr;
  if (call.Failed()) return call.Fail();
  if (graph == nullptr) return call.Return(E_UNEXPECTED);
  return call.Return(graph->HandOut(IID_IGraphBuilder, reinterpret_cast<void**>(out)));
}

HRESULT FakeCaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type,
                                               IBaseFilter* filter, REFIID iid, void** object) {
  FakeCall call = Begin("FindInterface",
                        GuidName(category) + ", " + GuidName(type) + ", " + world_.NameOf(filter) +
                            ", " + GuidName(iid),
                        GuidName(iid));
  if (object == nullptr) return call.Return(E_POINTER);
  *object = nullptr;
  if (call.Failed()) return call.Fail();
  if (filter == nullptr) return call.Return(E_FAIL);
  auto* source = world_.FakeAt<FakeCaptureFilter>(filter);

  if (category != nullptr && IsEqualGUID(*category, LOOK_UPSTREAM_ONLY)) {
    // Only pins upstream are searched; a source filter without a crossbar has no input pins.
    if (source == nullptr || source->device.script.crossbar == nullptr) return call.Return(E_FAIL);
    return call.Return(source->device.script.crossbar->HandOut(iid, object));
  }

  // The filter itself first, then its capture pin.
  auto* fake = world_.FakeAt<FakeObject>(filter);
  if (fake != nullptr && fake->Interface(iid) != nullptr)
    return call.Return(fake->HandOut(iid, object));
  const bool capturePin = category == nullptr || IsEqualGUID(*category, PIN_CATEGORY_CAPTURE);
  const bool typeMatches =
      type == nullptr ||
      (source != nullptr &&
       IsEqualGUID(*type, source->device.video ? MEDIATYPE_Video : MEDIATYPE_Audio));
  if (source != nullptr && capturePin && typeMatches && source->device.script.streamConfig) {
    return call.Return(source->pin.HandOut(iid, object));
  }
  return call.Return(E_NOINTERFACE);
}

HRESULT FakeCaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type,
                                              IUnknown* source, IBaseFilter* intermediate,
                                              IBaseFilter* sink) {
  RenderStreamRecord record{GuidName(category),          GuidName(type),      world_.NameOf(source),
                            world_.NameOf(intermediate), world_.NameOf(sink), S_OK};
  FakeCall call =
      Begin("RenderStream", record.category + ", " + record.type + ", source=" + record.source +
                                ", intermediate=" + record.intermediate + ", sink=" + record.sink);
  if (call.Failed()) {
    record.result = call.Fail();
    renderStreams.push_back(record);
    return record.result;
  }
  record.result = call.Return(Render(category, type, source, intermediate, sink));
  renderStreams.push_back(record);
  return record.result;
}

HRESULT FakeCaptureGraphBuilder::Render(const GUID* category, const GUID* type, IUnknown* source,
                                        IBaseFilter* intermediate, IBaseFilter* sink) {
  if (graph == nullptr) return E_UNEXPECTED;
  auto* capture = world_.FakeAt<FakeCaptureFilter>(source);
  if (capture == nullptr) return E_INVALIDARG;
  auto* middle = world_.FakeAt<FakeFilterBase>(intermediate);
  auto* end = world_.FakeAt<FakeFilterBase>(sink);
  for (FakeFilterBase* filter : {static_cast<FakeFilterBase*>(capture), middle, end}) {
    if (filter != nullptr && !graph->Holds(filter)) return VFW_E_NOT_IN_GRAPH;
  }
  if ((intermediate != nullptr && middle == nullptr) || (sink != nullptr && end == nullptr)) {
    return E_INVALIDARG;
  }
  const GUID& ownType = capture->device.video ? MEDIATYPE_Video : MEDIATYPE_Audio;
  if (type != nullptr && !IsEqualGUID(*type, ownType)) return E_FAIL;  // no pin of that type
  const std::string categoryName = GuidName(category);
  if (capture->renderedCategories.count(categoryName) != 0) return VFW_E_ALREADY_CONNECTED;

  // A grabber on the path connects with the device's current format, in RGB24 when it asks so.
  auto* grabber = dynamic_cast<FakeSampleGrabber*>(middle != nullptr ? middle : end);
  if (grabber != nullptr) {
    const std::optional<VIDEOINFOHEADER> current = capture->CurrentFormat();
    if (!current) return VFW_E_CANNOT_CONNECT;
    VIDEOINFOHEADER format = *current;
    GUID subtype = SubtypeForBitCount(format.bmiHeader.biBitCount);
    if (grabber->AcceptsRgb24() && !grabber->mediaTypesSet.empty()) {
      if (capture->device.script.cannotDeliverRgb24.count(format.bmiHeader.biBitCount) != 0) {
        return VFW_E_CANNOT_CONNECT;
      }
      format.bmiHeader.biBitCount = 24;
      format.bmiHeader.biCompression = BI_RGB;
      format.bmiHeader.biSizeImage =
          PaddedImageSize(format.bmiHeader.biWidth, format.bmiHeader.biHeight, 24);
      subtype = MEDIASUBTYPE_RGB24;
    } else if (!grabber->AcceptsRgb24()) {
      return VFW_E_CANNOT_CONNECT;
    }
    if (capture->device.script.connectedImageSize) {
      format.bmiHeader.biSizeImage = *capture->device.script.connectedImageSize;
    }
    grabber->Connect(format, subtype);
  }

  if (auto* mux = dynamic_cast<FakeAviMux*>(end)) {
    mux->inputs.push_back(MuxInput{capture->Name(), GuidName(ownType)});
  }
  // Without a renderer the stream ends in the default one (video), unless the grabber is the end.
  if (sink == nullptr && capture->device.video) {
    auto& renderer = world_.Make<FakeVideoRenderer>();
    const std::wstring& name = world_.renderer.name;
    graph->Add(renderer, name.empty() ? nullptr : name.c_str());
  }
  capture->renderedCategories.insert(categoryName);

  const bool preview = category != nullptr && IsEqualGUID(*category, PIN_CATEGORY_PREVIEW);
  return preview && !capture->device.script.previewPin ? VFW_S_NOPREVIEWPIN : S_OK;
}

HRESULT FakeCaptureGraphBuilder::SetOutputFileName(const GUID* type, LPCOLESTR file,
                                                   IBaseFilter** mux, IFileSinkFilter** sink) {
  FakeCall call = Begin("SetOutputFileName", GuidName(type) + ", " + Quote(file));
  if (type == nullptr || file == nullptr || mux == nullptr) return call.Return(E_POINTER);
  *mux = nullptr;
  if (sink != nullptr) *sink = nullptr;
  if (call.Failed()) return call.Fail();
  if (graph == nullptr) return call.Return(E_UNEXPECTED);
  outputFiles.push_back(OutputFileRecord{GuidName(type), file});

  auto& muxFilter = world_.Make<FakeAviMux>();
  auto& writer = world_.Make<FakeFileWriter>(file);
  graph->Add(muxFilter, L"AVI Mux");
  graph->Add(writer, L"File Writer");
  muxFilter.HandOut(IID_IBaseFilter, reinterpret_cast<void**>(mux));
  if (sink != nullptr) writer.HandOut(IID_IFileSinkFilter, reinterpret_cast<void**>(sink));
  return call.Return(S_OK);
}

HRESULT FakeCaptureGraphBuilder::ControlStream(const GUID* category, const GUID* type,
                                               IBaseFilter* filter, REFERENCE_TIME* start,
                                               REFERENCE_TIME* stop, WORD startCookie,
                                               WORD stopCookie) {
  ControlStreamRecord record;
  record.category = GuidName(category);
  record.type = GuidName(type);
  record.filter = world_.NameOf(filter);
  if (start != nullptr) record.start = *start;
  if (stop != nullptr) record.stop = *stop;
  record.startCookie = startCookie;
  record.stopCookie = stopCookie;
  auto time = [](const std::optional<REFERENCE_TIME>& value) {
    if (!value) return std::string("null");
    return *value == MAXLONGLONG ? std::string("MAXLONGLONG") : std::to_string(*value);
  };
  FakeCall call =
      Begin("ControlStream", record.category + ", " + record.type + ", " + record.filter +
                                 ", start=" + time(record.start) + ", stop=" + time(record.stop) +
                                 ", cookies=" + std::to_string(startCookie) + "/" +
                                 std::to_string(stopCookie));
  if (call.Failed()) return call.Fail();
  if (graph == nullptr) return call.Return(E_UNEXPECTED);
  controlStreams.push_back(record);
  return call.Return(S_OK);
}

void FakeCaptureGraphBuilder::OnFinalRelease() {
  if (graph != nullptr) {
    FakeFilterGraph* held = graph;
    graph = nullptr;
    held->ReleaseInternal();
  }
}

}  // namespace lumigrab::fake
