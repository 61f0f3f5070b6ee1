#include "fake_crossbar.h"

namespace lumigrab::fake {

namespace {

template <typename Key>
HRESULT Lookup(const std::map<Key, HRESULT>& answers, const Key& key) {
  auto found = answers.find(key);
  return found == answers.end() ? S_OK : found->second;
}

std::string Pair(LONG output, LONG input) {
  return "output=" + std::to_string(output) + ", input=" + std::to_string(input);
}

}  // namespace

void* FakeCrossbar::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAMCrossbar)) {
    return static_cast<IAMCrossbar*>(this);
  }
  return nullptr;
}

HRESULT FakeCrossbar::get_PinCounts(LONG* outputs, LONG* inputs) {
  FakeCall call = Begin("get_PinCounts", "");
  if (outputs == nullptr || inputs == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  if (FAILED(script.pinCountsResult)) return call.Return(script.pinCountsResult);
  *outputs = static_cast<LONG>(script.outputs.size());
  *inputs = static_cast<LONG>(script.inputs.size());
  return call.Return(S_OK);
}

HRESULT FakeCrossbar::CanRoute(LONG output, LONG input) {
  FakeCall call = Begin("CanRoute", Pair(output, input));
  if (call.Failed()) return call.Fail();
  if (output < 0 || static_cast<size_t>(output) >= script.outputs.size() || input < 0 ||
      static_cast<size_t>(input) >= script.inputs.size()) {
    return call.Return(E_INVALIDARG);
  }
  return call.Return(Lookup(script.canRoute, std::make_pair(output, input)));
}

HRESULT FakeCrossbar::Route(LONG output, LONG input) {
  FakeCall call = Begin("Route", Pair(output, input));
  if (call.Failed()) return call.Fail();
  if (output < 0 || static_cast<size_t>(output) >= script.outputs.size() || input < -1 ||
      input >= static_cast<LONG>(script.inputs.size())) {
    return call.Return(E_INVALIDARG);
  }
  const HRESULT result = Lookup(script.routeResult, std::make_pair(output, input));
  if (SUCCEEDED(result)) {
    script.routedTo[output] = input;
    routes.emplace_back(output, input);
  }
  return call.Return(result);
}

HRESULT FakeCrossbar::get_IsRoutedTo(LONG output, LONG* input) {
  FakeCall call = Begin("get_IsRoutedTo", "output=" + std::to_string(output));
  if (input == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  if (output < 0 || static_cast<size_t>(output) >= script.outputs.size()) {
    return call.Return(E_INVALIDARG);
  }
  const HRESULT scripted = Lookup(script.isRoutedToResult, output);
  if (FAILED(scripted)) return call.Return(scripted);
  auto routed = script.routedTo.find(output);
  *input = routed == script.routedTo.end() ? -1 : routed->second;
  return call.Return(scripted);
}

HRESULT FakeCrossbar::get_CrossbarPinInfo(WINBOOL isInput, LONG index, LONG* related,
                                          LONG* physicalType) {
  FakeCall call = Begin("get_CrossbarPinInfo",
                        std::string(isInput ? "input " : "output ") + std::to_string(index));
  if (related == nullptr || physicalType == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  const std::vector<CrossbarPin>& pins = isInput ? script.inputs : script.outputs;
  if (index < 0 || static_cast<size_t>(index) >= pins.size()) return call.Return(E_INVALIDARG);
  const CrossbarPin& pin = pins[static_cast<size_t>(index)];
  if (FAILED(pin.infoResult)) return call.Return(pin.infoResult);
  *related = pin.relatedPin;
  *physicalType = pin.physicalType;
  return call.Return(S_OK);
}

}  // namespace lumigrab::fake
