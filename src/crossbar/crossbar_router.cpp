#include "crossbar/crossbar_router.h"

#include <cstring>
#include <new>

#include "platform/hresult_error.h"

namespace lumigrab {

// Every call site of the router counts any result but S_OK, S_FALSE included, as failure.

namespace {

// Appends the record of one pin; a pin whose information cannot be read is left out.
void AppendPin(IAMCrossbar* crossbar, BOOL isInput, LONG pinIndex, CrossbarPinList* list) {
  LONG relatedPinIndex = 0;
  LONG physicalType = 0;
  if (crossbar->get_CrossbarPinInfo(isInput, pinIndex, &relatedPinIndex, &physicalType) != S_OK) {
    return;
  }
  std::unique_ptr<CrossbarPinRecord> record(new (std::nothrow) CrossbarPinRecord);
  if (record) {
    record->pinIndex = pinIndex;
    record->relatedPinIndex = relatedPinIndex;
    record->physicalType = physicalType;
    std::strncpy(record->typeName, PhysicalConnectorName(physicalType),
                 sizeof record->typeName - 1);
    record->typeName[sizeof record->typeName - 1] = '\0';
  }
  list->push_back(std::move(record));
}

}  // namespace

CrossbarRouter::~CrossbarRouter() {
  if (initialised != 0 && crossbar != nullptr) {
    crossbar->Release();
    crossbar = nullptr;
  }
  initialised = 0;
  inputPins.clear();
  outputPins.clear();
}

int CrossbarRouter::Attach(ICaptureGraphBuilder2* builder, IBaseFilter* filter) {
  if (builder == nullptr || filter == nullptr) return 0;
  IAMCrossbar* found = nullptr;
  try {
    ThrowIfNotOk(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, filter, IID_IAMCrossbar,
                                         reinterpret_cast<void**>(&found)));
    if (found == nullptr) throw HResultError{E_NOINTERFACE};
  } catch (const HResultError&) {
    // A lookup that answered S_FALSE may still have handed out a reference.
    if (found != nullptr) found->Release();
    return 0;
  }
  if (crossbar != nullptr) crossbar->Release();
  crossbar = found;
  // Pin counts that cannot be read leave both lists empty; the crossbar is taken all the same.
  BuildPinLists(crossbar, &inputPins, &outputPins);
  initialised = 1;
  return 1;
}

int CrossbarRouter::BuildPinLists(IAMCrossbar* crossbarToList, CrossbarPinList* inputs,
                                  CrossbarPinList* outputs) {
  if (crossbarToList == nullptr || inputs == nullptr || outputs == nullptr) return 0;
  inputs->clear();
  outputs->clear();
  try {
    LONG outputCount = 0;
    LONG inputCount = 0;
    ThrowIfNotOk(crossbarToList->get_PinCounts(&outputCount, &inputCount));
    for (LONG i = 0; i < inputCount; ++i) AppendPin(crossbarToList, TRUE, i, inputs);
    for (LONG i = 0; i < outputCount; ++i) AppendPin(crossbarToList, FALSE, i, outputs);
    return 1;
  } catch (const HResultError&) {
    return 0;
  }
}

CrossbarPinRecord* CrossbarRouter::FindPinByType(const CrossbarPinList& list, LONG physicalType) {
  for (const auto& record : list) {
    if (record && record->physicalType == physicalType) return record.get();
  }
  return nullptr;
}

int CrossbarRouter::RouteOutput(LONG outputIndex, LONG physicalType) {
  if (outputIndex < 0 || outputIndex >= static_cast<LONG>(outputPins.size()) ||
      crossbar == nullptr) {
    return 0;
  }
  try {
    LONG currentInput = -1;
    ThrowIfNotOk(crossbar->get_IsRoutedTo(outputIndex, &currentInput));

    if (physicalType != -1) {
      const CrossbarPinRecord* input = FindPinByType(inputPins, physicalType);
      if (input == nullptr) return 1;
      ThrowIfNotOk(crossbar->Route(outputIndex, input->pinIndex));
      return 1;
    }

    if (currentInput != -1) return 1;  // routed already
    // Positions in the input list stand for the inputs, null entries included.
    const LONG inputCount = static_cast<LONG>(inputPins.size());
    for (LONG input = 0; input < inputCount; ++input) {
      if (crossbar->CanRoute(outputIndex, input) != S_OK) continue;
      ThrowIfNotOk(crossbar->Route(outputIndex, input));
      return 1;
    }
    return 0;
  } catch (const HResultError&) {
    return 0;
  }
}

}  // namespace lumigrab
