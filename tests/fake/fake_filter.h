// IBaseFilter as every fake filter offers it (capture filters, Sample Grabber, renderer, mux, file
// writer): the name and graph it joined, and QueryFilterInfo answering that name with an
// AddRef'd graph pointer, as the real filters do.
#pragma once

#include <algorithm>
#include <string>

#include "fake_world.h"

namespace lumigrab::fake {

class FakeFilterGraph;

// The part of a fake filter the fake graph and builder work with, whatever else it offers.
class FakeFilterBase : public FakeObject {
 public:
  FakeFilterBase(FakeWorld& world, std::string kind, std::string name)
      : FakeObject(world, std::move(kind), std::move(name)) {}

  virtual IBaseFilter* AsBaseFilter() = 0;

  // What the graph tells the filter when it is added and removed (not journaled).
  void Join(FakeFilterGraph* graph, const std::wstring& name) {
    graph_ = graph;
    nameInGraph_ = name;
  }
  FakeFilterGraph* Graph() const { return graph_; }
  const std::wstring& NameInGraph() const { return nameInGraph_; }
  FILTER_STATE State() const { return state_; }

 protected:
  FakeFilterGraph* graph_ = nullptr;  // weak, as the real filters keep it
  std::wstring nameInGraph_;
  FILTER_STATE state_ = State_Stopped;
};

template <typename... Extra>
class FakeBaseFilter : public FakeFilterBase, public IBaseFilter, public Extra... {
 public:
  FakeBaseFilter(FakeWorld& world, std::string kind, std::string name)
      : FakeFilterBase(world, std::move(kind), std::move(name)) {}

  LUMIGRAB_FAKE_IUNKNOWN
  IBaseFilter* AsBaseFilter() override { return this; }

  // IPersist
  LUMIGRAB_FAKE_NOTIMPL(GetClassID, (CLSID*))
  // IMediaFilter
  HRESULT STDMETHODCALLTYPE Stop() override { return SetState("Stop", State_Stopped); }
  HRESULT STDMETHODCALLTYPE Pause() override { return SetState("Pause", State_Paused); }
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return SetState("Run", State_Running); }
  HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* state) override {
    FakeCall call = Begin("GetState", "");
    if (call.Failed()) return call.Fail();
    if (state == nullptr) return call.Return(E_POINTER);
    *state = state_;
    return call.Return(S_OK);
  }
  LUMIGRAB_FAKE_NOTIMPL(SetSyncSource, (IReferenceClock*))
  LUMIGRAB_FAKE_NOTIMPL(GetSyncSource, (IReferenceClock**))
  // IBaseFilter
  LUMIGRAB_FAKE_NOTIMPL(EnumPins, (IEnumPins**))
  LUMIGRAB_FAKE_NOTIMPL(FindPin, (LPCWSTR, IPin**))
  LUMIGRAB_FAKE_NOTIMPL(QueryVendorInfo, (LPWSTR*))

  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override {
    FakeCall call = Begin("QueryFilterInfo", "");
    if (call.Failed()) return call.Fail();
    if (info == nullptr) return call.Return(E_POINTER);
    const HRESULT scripted = QueryFilterInfoResult();
    if (FAILED(scripted)) return call.Return(scripted);
    FillFilterInfo(info);
    return call.Return(S_OK);
  }

  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;

 protected:
  // The answer of a scripted QueryFilterInfo failure; S_OK fills the record.
  virtual HRESULT QueryFilterInfoResult() { return S_OK; }

  void* BaseFilterInterface(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBaseFilter) ||
        IsEqualIID(iid, IID_IMediaFilter) || IsEqualIID(iid, IID_IPersist)) {
      return static_cast<IBaseFilter*>(this);
    }
    return nullptr;
  }

  void FillFilterInfo(FILTER_INFO* info);

 private:
  HRESULT SetState(const char* method, FILTER_STATE state) {
    FakeCall call = Begin(method, "");
    if (call.Failed()) return call.Fail();
    state_ = state;
    return call.Return(S_OK);
  }
};

// The graph's IFilterGraph pointer, for FILTER_INFO and JoinFilterGraph (defined with the graph).
IFilterGraph* GraphInterface(FakeFilterGraph* graph);
FakeFilterGraph* GraphFromInterface(FakeWorld& world, IFilterGraph* graph);

template <typename... Extra>
void FakeBaseFilter<Extra...>::FillFilterInfo(FILTER_INFO* info) {
  *info = FILTER_INFO{};
  const size_t count = std::min<size_t>(nameInGraph_.size(), MAX_FILTER_NAME - 1);
  nameInGraph_.copy(info->achName, count);
  info->achName[count] = L'\0';
  info->pGraph = GraphInterface(graph_);
  if (info->pGraph != nullptr) world_.ObjectAt(info->pGraph)->AddRefInternal();
}

template <typename... Extra>
HRESULT STDMETHODCALLTYPE FakeBaseFilter<Extra...>::JoinFilterGraph(IFilterGraph* graph,
                                                                    LPCWSTR name) {
  FakeCall call = Begin("JoinFilterGraph", world_.NameOf(graph) + ", " + Quote(name));
  if (call.Failed()) return call.Fail();
  Join(GraphFromInterface(world_, graph), name == nullptr ? std::wstring() : name);
  return call.Return(S_OK);
}

}  // namespace lumigrab::fake
