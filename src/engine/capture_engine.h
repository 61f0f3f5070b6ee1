// The capture engine: the one object behind the exported functions. It owns the device catalogue
// (names and monikers of the video and audio input devices), the DirectShow objects of the current
// graph, the format of the grabbed frames with the BMP file header template, and the freeze state
// with its frame buffer.
//
// Each interface pointer member is null or holds exactly one reference the engine owns; releasing
// one always sets it back to null. Platform services are reached only through `platform_`.
#pragma once

#include "platform/directshow.h"
#include "platform/platform.h"

#ifndef LUMIGRAB_RECORDING
#error "LUMIGRAB_RECORDING must be defined as 1 (recording configuration) or 0 (preview)"
#endif

namespace lumigrab {

#if LUMIGRAB_RECORDING
class CrossbarRouter;
#endif

constexpr int kMaxDevices = 16;

// Bytes of a VIDEOINFOHEADER without colour table or masks: one capability record.
constexpr int kCapabilityRecordSize = 88;

// The 14-byte file header and the 40-byte info header that start every BMP file image.
constexpr int kBmpHeadersSize = 54;

class CaptureEngine {
 public:
  // Lists the video and audio input devices of the system.
  CaptureEngine();
  // The same, with the platform given: tests pass a fake one.
  explicit CaptureEngine(Platform& platform);

  CaptureEngine(const CaptureEngine&) = delete;
  CaptureEngine& operator=(const CaptureEngine&) = delete;

  // The operations, in their fixed slot order.
  virtual ~CaptureEngine();                                                    // 0
  virtual int GetVideoDeviceName(int index, char* name, int length);           // 1
  virtual int GetVideoDeviceCount();                                           // 2
  virtual int ShowVideoSourcePages(HWND parentWindow);                         // 3
  virtual int GetBitmap(int* size, unsigned char* buffer);                     // 4
  virtual int Pause(int freeze);                                               // 5
  virtual void Stop();                                                         // 6
  virtual int StartPreview(HWND window, int deviceIndex, int width, int height,
                           int addGrabber, int disableDirectDraw);             // 7
  virtual int SetMessageDrain(HWND drainWindow);                               // 8
  virtual int SetVideoWindowPosition(HWND ownerWindow, const RECT* position);  // 9
  virtual int GetStreamCapabilities(int deviceIndex, VIDEOINFOHEADER* records);  // 10
  virtual int StartCapture(const char* fileName, int videoDeviceIndex, int audioDeviceIndex,
                           int width, int height, HWND window, int disableDirectDraw);  // 11
  virtual int ControlCaptureStream(int record);                                // 12
  virtual int ShowAudioSourcePages(HWND parentWindow);                         // 13
  virtual int GetAudioDeviceCount();                                           // 14
  virtual int GetAudioDeviceName(int index, char* name, int length);           // 15
  virtual int SelectFormat(int width, int height, int bitCount);               // 16
  virtual int EnumerateDevices();                                              // 17
  virtual int AddSampleGrabber();                                              // 18
  virtual HRESULT AddToRot(IUnknown* graphObject, DWORD* cookie);              // 19
  virtual void RemoveFromRot(DWORD cookie);                                    // 20
  virtual void FreeMediaType(AM_MEDIA_TYPE& mediaType);                        // 21
  virtual void DeleteMediaType(AM_MEDIA_TYPE* mediaType);                      // 22
  virtual int DisableDirectDraw();                                             // 23

  // GetStreamCapabilities with the room of `records` given, in records: never writes more.
  int GetStreamCapabilities(int deviceIndex, VIDEOINFOHEADER* records, int capacity);

 private:
  // Steps shared by the operations; each lives beside the operations that use it. The graph
  // building steps raise HResultError and are called inside a start's error handling.
  void CreateGraph();
  void CreateCaptureBuilder();
  void AddVideoSource(int deviceIndex);
  void TakeVideoWindow(HWND window);
  void RunGraph();
  void ListCategory(IEnumMoniker* monikers, char** names, IMoniker** deviceMonikers, int& count);
  bool SelectFormatInTrialOrder(int width, int height);
  HRESULT CreateSampleGrabber();
  HRESULT RecordFrameFormat();
  void AttachVideoWindow(HWND window);
  int ShowSourcePages(IBaseFilter* filter, HWND parentWindow);
#if LUMIGRAB_RECORDING
  void RouteCrossbar();
  void ConnectRecordingStreams(const char* fileName);
#else
  void ConnectPreviewStreams();
#endif

 public:
  // Members, in their fixed declaration order. Public so that tests can observe the state the
  // operations leave; nothing outside the engine writes them.
  char* videoDeviceNames[kMaxDevices];
  int videoDeviceCount;
  BITMAPINFOHEADER bitmapInfoHeader;
  BITMAPFILEHEADER bitmapFileHeader;
  IMoniker* videoDeviceMonikers[kMaxDevices];
  IGraphBuilder* graph;
  IBaseFilter* videoSource;
  ICaptureGraphBuilder2* captureBuilder;
  IVideoWindow* videoWindow;
  IMediaControl* mediaControl;
  IBaseFilter* grabberFilter;
  ISampleGrabber* sampleGrabber;
  int frozen;
  unsigned char* frameBuffer;
  int audioDeviceCount;
  char* audioDeviceNames[kMaxDevices];
  IMoniker* audioDeviceMonikers[kMaxDevices];
  IFileSinkFilter* fileSink;
  IBaseFilter* aviMux;
  IBaseFilter* audioSource;
  IConfigAviMux* aviMuxConfig;
#if LUMIGRAB_RECORDING
  CrossbarRouter* crossbarRouter;
#else
  void* crossbarRouter;  // never set in the preview configuration
#endif
  DWORD rotCookie;

 private:
  Platform& platform_;
  // Whether frameBuffer holds a complete image taken by a freeze; a frozen picture without one
  // gives no still frames rather than bytes no frame wrote.
  bool heldImageComplete_ = false;
};

}  // namespace lumigrab
