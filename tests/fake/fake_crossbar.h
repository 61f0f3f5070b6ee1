// A capture card's crossbar (IAMCrossbar) for the router: input and output pins with physical
// connector types, the current routing, and scripted CanRoute and Route answers.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "fake_world.h"

namespace lumigrab::fake {

struct CrossbarPin {
  LONG physicalType = 0;
  LONG relatedPin = -1;
  HRESULT infoResult = S_OK;  // a failure makes get_CrossbarPinInfo fail for this pin
};

struct CrossbarScript {
  std::vector<CrossbarPin> inputs;
  std::vector<CrossbarPin> outputs;
  HRESULT pinCountsResult = S_OK;
  std::map<LONG, LONG> routedTo;                         // output -> input; unlisted: -1
  std::map<LONG, HRESULT> isRoutedToResult;              // per output; unlisted: S_OK
  std::map<std::pair<LONG, LONG>, HRESULT> canRoute;     // (output, input); unlisted: S_OK
  std::map<std::pair<LONG, LONG>, HRESULT> routeResult;  // (output, input); unlisted: S_OK

  CrossbarScript& Input(LONG physicalType, LONG related = -1, HRESULT info = S_OK) {
    inputs.push_back(CrossbarPin{physicalType, related, info});
    return *this;
  }
  CrossbarScript& Output(LONG physicalType, LONG related = -1, HRESULT info = S_OK) {
    outputs.push_back(CrossbarPin{physicalType, related, info});
    return *this;
  }
  CrossbarScript& RoutedTo(LONG output, LONG input) {
    routedTo[output] = input;
    return *this;
  }
  CrossbarScript& CanRoute(LONG output, LONG input, HRESULT result) {
    canRoute[{output, input}] = result;
    return *this;
  }
  CrossbarScript& RouteAnswers(LONG output, LONG input, HRESULT result) {
    routeResult[{output, input}] = result;
    return *this;
  }
};

class FakeCrossbar final : public FakeObject, public IAMCrossbar {
 public:
  FakeCrossbar(FakeWorld& world, std::string name, CrossbarScript script)
      : FakeObject(world, "Crossbar", std::move(name)), script(std::move(script)) {}
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;

  HRESULT STDMETHODCALLTYPE get_PinCounts(LONG* outputs, LONG* inputs) override;
  HRESULT STDMETHODCALLTYPE CanRoute(LONG output, LONG input) override;
  HRESULT STDMETHODCALLTYPE Route(LONG output, LONG input) override;
  HRESULT STDMETHODCALLTYPE get_IsRoutedTo(LONG output, LONG* input) override;
  HRESULT STDMETHODCALLTYPE get_CrossbarPinInfo(WINBOOL isInput, LONG index, LONG* related,
                                                LONG* physicalType) override;

  CrossbarScript script;
  std::vector<std::pair<LONG, LONG>> routes;  // every successful Route (output, input)
};

}  // namespace lumigrab::fake
