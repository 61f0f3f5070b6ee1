// Routing of a capture card's crossbar: the crossbar upstream of a capture source selects which
// physical connector (tuner, composite, S-Video, line input...) feeds each of its outputs. Before
// the capture graph is connected every output is routed to some input, so the card delivers a
// picture from whichever connector is live instead of a black frame.
#pragma once

#include <memory>
#include <vector>

#include "platform/directshow.h"

namespace lumigrab {

// One crossbar pin, as the crossbar describes it.
struct CrossbarPinRecord {
  LONG pinIndex;         // index on its side of the crossbar
  LONG relatedPinIndex;  // as reported; kept for inspection
  LONG physicalType;     // a PhysicalConnectorType value
  char typeName[256];    // name of physicalType from the connector name table
};

// The name of a physical connector type ("Video_Composite", "Audio_Line"...), "Unknown Type" for a
// value without a row.
const char* PhysicalConnectorName(LONG physicalType);

// A list of pin records in ascending pin order. An entry is null where a record could not be
// allocated, so that the list still has one entry for every pin that was read.
using CrossbarPinList = std::vector<std::unique_ptr<CrossbarPinRecord>>;

class CrossbarRouter {
 public:
  CrossbarRouter() = default;
  virtual ~CrossbarRouter();

  CrossbarRouter(const CrossbarRouter&) = delete;
  CrossbarRouter& operator=(const CrossbarRouter&) = delete;

  // Looks for a crossbar upstream of `filter` (may be null) and lists its pins. 1 when one was
  // found and taken; 0 leaves the router exactly as it was.
  int Attach(ICaptureGraphBuilder2* builder, IBaseFilter* filter);

  // Rebuilds both lists from the crossbar. 1 when the pin counts could be read.
  int BuildPinLists(IAMCrossbar* crossbar, CrossbarPinList* inputs, CrossbarPinList* outputs);

  // The first record of `list` with that physical type, or null.
  CrossbarPinRecord* FindPinByType(const CrossbarPinList& list, LONG physicalType);

  // Routes output `outputIndex` to an input of `physicalType`, or to the first input that can
  // feed it when `physicalType` is -1. 1 when routed now, routed already, or no input has the
  // wanted type; 0 on failure.
  int RouteOutput(LONG outputIndex, LONG physicalType);

  int OutputPinCount() const { return static_cast<int>(outputPins.size()); }

  int initialised = 0;
  CrossbarPinList inputPins;
  CrossbarPinList outputPins;
  IAMCrossbar* crossbar = nullptr;
};

}  // namespace lumigrab
