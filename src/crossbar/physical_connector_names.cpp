#include "crossbar/crossbar_router.h"

namespace lumigrab {

namespace {

struct ConnectorName {
  LONG physicalType;
  const char* name;
};

// The names of the PhysicalConnectorType values, without their common "PhysConn_" prefix. The
// video rows stop at the decoder and encoder connectors.
constexpr ConnectorName kConnectorNames[] = {
    {1, "Video_Tuner"},
    {2, "Video_Composite"},
    {3, "Video_SVideo"},
    {4, "Video_RGB"},
    {5, "Video_YRYBY"},
    {6, "Video_SerialDigital"},
    {7, "Video_ParallelDigital"},
    {8, "Video_SCSI"},
    {9, "Video_AUX"},
    {10, "Video_1394"},
    {11, "Video_USB"},
    {12, "Video_VideoDecoder"},
    {13, "Video_VideoEncoder"},
    {0x1000, "Audio_Tuner"},
    {0x1001, "Audio_Line"},
    {0x1002, "Audio_Mic"},
    {0x1003, "Audio_AESDigital"},
    {0x1004, "Audio_SPDIFDigital"},
    {0x1005, "Audio_SCSI"},
    {0x1006, "Audio_AUX"},
    {0x1007, "Audio_1394"},
    {0x1008, "Audio_USB"},
    {0x1009, "Audio_AudioDecoder"},
};

}  // namespace

const char* PhysicalConnectorName(LONG physicalType) {
  for (const ConnectorName& entry : kConnectorNames) {
    if (entry.physicalType == physicalType) return entry.name;
  }
  return "Unknown Type";
}

}  // namespace lumigrab
