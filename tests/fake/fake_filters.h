// The filters the capture graph builder adds on its own: the default video renderer (with
// IDirectDrawVideo), the AVI multiplexer (with IConfigAviMux) and the file writer
// (IFileSinkFilter).
#pragma once

#include <string>
#include <vector>

#include "fake_filter.h"

namespace lumigrab::fake {

class FakeVideoRenderer final : public FakeBaseFilter<IDirectDrawVideo> {
 public:
  explicit FakeVideoRenderer(FakeWorld& world)
      : FakeBaseFilter(world, "Renderer", world.UniqueName("Renderer")),
        offersDirectDrawVideo(world.renderer.offersDirectDrawVideo),
        setSwitchesResult(world.renderer.setSwitchesResult) {}
  void* Interface(REFIID iid) override;

  LUMIGRAB_FAKE_NOTIMPL(GetSwitches, (DWORD*))
  HRESULT STDMETHODCALLTYPE SetSwitches(DWORD switches) override;
  LUMIGRAB_FAKE_NOTIMPL(GetCaps, (DDCAPS*))
  LUMIGRAB_FAKE_NOTIMPL(GetEmulatedCaps, (DDCAPS*))
  LUMIGRAB_FAKE_NOTIMPL(GetSurfaceDesc, (DDSURFACEDESC*))
  LUMIGRAB_FAKE_NOTIMPL(GetFourCCCodes, (DWORD*, DWORD*))
  LUMIGRAB_FAKE_NOTIMPL(SetDirectDraw, (IDirectDraw*))
  LUMIGRAB_FAKE_NOTIMPL(GetDirectDraw, (IDirectDraw**))
  LUMIGRAB_FAKE_NOTIMPL(GetSurfaceType, (DWORD*))
  LUMIGRAB_FAKE_NOTIMPL(SetDefault, ())
  LUMIGRAB_FAKE_NOTIMPL(UseScanLine, (LONG))
  LUMIGRAB_FAKE_NOTIMPL(CanUseScanLine, (LONG*))
  LUMIGRAB_FAKE_NOTIMPL(UseOverlayStretch, (LONG))
  LUMIGRAB_FAKE_NOTIMPL(CanUseOverlayStretch, (LONG*))
  LUMIGRAB_FAKE_NOTIMPL(UseWhenFullScreen, (LONG))
  LUMIGRAB_FAKE_NOTIMPL(WillUseFullScreen, (LONG*))

  const bool offersDirectDrawVideo;
  const HRESULT setSwitchesResult;
  std::vector<DWORD> switches;  // every SetSwitches value
};

// One stream RenderStream connected to the multiplexer.
struct MuxInput {
  std::string source;
  std::string type;
};

class FakeAviMux final : public FakeBaseFilter<IConfigAviMux> {
 public:
  explicit FakeAviMux(FakeWorld& world)
      : FakeBaseFilter(world, "AviMux", world.UniqueName("AviMux")),
        offersConfigAviMux(world.mux.offersConfigAviMux),
        setMasterStreamResult(world.mux.setMasterStreamResult) {}
  void* Interface(REFIID iid) override;

  HRESULT STDMETHODCALLTYPE SetMasterStream(LONG stream) override;
  LUMIGRAB_FAKE_NOTIMPL(GetMasterStream, (LONG*))
  LUMIGRAB_FAKE_NOTIMPL(SetOutputCompatibilityIndex, (WINBOOL))
  LUMIGRAB_FAKE_NOTIMPL(GetOutputCompatibilityIndex, (WINBOOL*))

  const bool offersConfigAviMux;
  const HRESULT setMasterStreamResult;
  std::vector<LONG> masterStreams;
  std::vector<MuxInput> inputs;  // in connection order: input k is stream k
};

class FakeFileWriter final : public FakeBaseFilter<IFileSinkFilter> {
 public:
  FakeFileWriter(FakeWorld& world, std::wstring fileName)
      : FakeBaseFilter(world, "FileWriter", world.UniqueName("FileWriter")),
        fileName(std::move(fileName)) {}
  void* Interface(REFIID iid) override;

  HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* mediaType) override;
  LUMIGRAB_FAKE_NOTIMPL(GetCurFile, (LPOLESTR*, AM_MEDIA_TYPE*))

  std::wstring fileName;
};

}  // namespace lumigrab::fake
