#include "fake_graph.h"

#include <cstdio>

#include "fake_filters.h"

namespace lumigrab::fake {

IFilterGraph* GraphInterface(FakeFilterGraph* graph) {
  return graph == nullptr ? nullptr
                          : static_cast<IFilterGraph*>(static_cast<IGraphBuilder*>(graph));
}

FakeFilterGraph* GraphFromInterface(FakeWorld& world, IFilterGraph* graph) {
  return world.FakeAt<FakeFilterGraph>(graph);
}

void* FakeFilterGraph::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IGraphBuilder) ||
      IsEqualIID(iid, IID_IFilterGraph)) {
    return static_cast<IGraphBuilder*>(this);
  }
  if (IsEqualIID(iid, IID_IMediaControl)) return static_cast<IMediaControl*>(this);
  if (IsEqualIID(iid, IID_IVideoWindow)) return static_cast<IVideoWindow*>(this);
  return nullptr;
}

HRESULT FakeFilterGraph::Add(FakeFilterBase& filter, LPCWSTR name) {
  if (Holds(&filter)) return VFW_E_DUPLICATE_NAME;  // the real graph refuses a second add too
  HRESULT result = S_OK;
  std::wstring used;
  if (name == nullptr) {
    wchar_t generated[8];
    std::swprintf(generated, 8, L"%04d", ++generatedNames_);
    used = generated;
  } else {
    used = name;
    if (FilterNamed(used) != nullptr) {
      wchar_t suffix[8];
      std::swprintf(suffix, 8, L" %04d", ++generatedNames_);
      used += suffix;
      result = VFW_S_DUPLICATE_NAME;
    }
  }
  filter.AddRefInternal();
  filter.Join(this, used);
  filters.emplace_back(used, &filter);
  return result;
}

bool FakeFilterGraph::Holds(const FakeFilterBase* filter) const {
  for (const auto& entry : filters) {
    if (entry.second == filter) return true;
  }
  return false;
}

FakeFilterBase* FakeFilterGraph::FilterNamed(const std::wstring& name) const {
  for (const auto& entry : filters) {
    if (entry.first == name) return entry.second;
  }
  return nullptr;
}

bool FakeFilterGraph::HasVideoRenderer() const {
  for (const auto& entry : filters) {
    if (dynamic_cast<FakeVideoRenderer*>(entry.second) != nullptr) return true;
  }
  return false;
}

HRESULT FakeFilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  FakeCall call = Begin("AddFilter", world_.NameOf(filter) + ", " + Quote(name));
  if (filter == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  auto* fake = world_.FakeAt<FakeFilterBase>(filter);
  if (fake == nullptr) return call.Return(E_INVALIDARG);
  return call.Return(Add(*fake, name));
}

HRESULT FakeFilterGraph::RemoveFilter(IBaseFilter* filter) {
  FakeCall call = Begin("RemoveFilter", world_.NameOf(filter));
  if (call.Failed()) return call.Fail();
  auto* fake = world_.FakeAt<FakeFilterBase>(filter);
  for (auto entry = filters.begin(); entry != filters.end(); ++entry) {
    if (entry->second == fake) {
      filters.erase(entry);
      fake->Join(nullptr, std::wstring());
      fake->ReleaseInternal();
      return call.Return(S_OK);
    }
  }
  return call.Return(VFW_E_NOT_FOUND);
}

HRESULT FakeFilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
  FakeCall call = Begin("FindFilterByName", Quote(name));
  if (name == nullptr || filter == nullptr) return call.Return(E_POINTER);
  *filter = nullptr;
  if (call.Failed()) return call.Fail();
  FakeFilterBase* found = FilterNamed(name);
  if (found == nullptr) return call.Return(VFW_E_NOT_FOUND);
  *filter = found->AsBaseFilter();
  found->AddRefInternal();
  return call.Return(S_OK);
}

HRESULT FakeFilterGraph::SetState(const char* method, OAFilterState newState) {
  FakeCall call = Begin(method, "");
  if (call.Failed()) return call.Fail();
  state = newState;
  return call.Return(S_OK);
}

HRESULT FakeFilterGraph::Run() { return SetState("Run", State_Running); }
HRESULT FakeFilterGraph::Pause() { return SetState("Pause", State_Paused); }
HRESULT FakeFilterGraph::Stop() { return SetState("Stop", State_Stopped); }

HRESULT FakeFilterGraph::GetState(LONG timeout, OAFilterState* current) {
  FakeCall call = Begin("GetState", std::to_string(timeout));
  if (current == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  *current = state;
  return call.Return(S_OK);
}

HRESULT FakeFilterGraph::WindowCall(FakeCall& call) {
  if (call.Failed()) return call.Fail();
  if (!HasVideoRenderer()) return call.Return(E_NOINTERFACE);
  return S_OK;
}

HRESULT FakeFilterGraph::put_Owner(OAHWND owner) {
  FakeCall call = Begin("put_Owner", Hex(static_cast<unsigned long long>(owner)));
  if (HRESULT refused = WindowCall(call); refused != S_OK) return refused;
  window.owner = owner;
  return call.Return(S_OK);
}

HRESULT FakeFilterGraph::put_WindowStyle(__LONG32 style) {
  FakeCall call = Begin("put_WindowStyle", Hex(static_cast<unsigned long>(style)));
  if (HRESULT refused = WindowCall(call); refused != S_OK) return refused;
  window.style = style;
  return call.Return(S_OK);
}

HRESULT FakeFilterGraph::SetWindowPosition(__LONG32 left, __LONG32 top, __LONG32 width,
                                           __LONG32 height) {
  FakeCall call =
      Begin("SetWindowPosition", std::to_string(left) + ", " + std::to_string(top) + ", " +
                                     std::to_string(width) + ", " + std::to_string(height));
  if (HRESULT refused = WindowCall(call); refused != S_OK) return refused;
  window.position = RECT{left, top, width, height};
  return call.Return(S_OK);
}

HRESULT FakeFilterGraph::put_Visible(__LONG32 visible) {
  FakeCall call = Begin("put_Visible", std::to_string(visible));
  if (HRESULT refused = WindowCall(call); refused != S_OK) return refused;
  window.visible = visible;
  return call.Return(S_OK);
}

HRESULT FakeFilterGraph::put_MessageDrain(OAHWND drain) {
  FakeCall call = Begin("put_MessageDrain", Hex(static_cast<unsigned long long>(drain)));
  if (HRESULT refused = WindowCall(call); refused != S_OK) return refused;
  window.messageDrain = drain;
  return call.Return(S_OK);
}

void FakeFilterGraph::OnFinalRelease() {
  // The real graph lets go of every filter when it goes.
  std::vector<std::pair<std::wstring, FakeFilterBase*>> held;
  held.swap(filters);
  for (auto& entry : held) {
    entry.second->Join(nullptr, std::wstring());
    entry.second->ReleaseInternal();
  }
}

}  // namespace lumigrab::fake
