// The filter graph: IGraphBuilder with IMediaControl and IVideoWindow on the same object, as the
// real Filter Graph Manager offers them. It holds a reference on each filter added and drops them
// all when its own last reference goes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fake_filter.h"

namespace lumigrab::fake {

// What the engine told the graph's video window.
struct VideoWindowState {
  std::optional<OAHWND> owner;
  std::optional<long> style;
  std::optional<RECT> position;  // left, top, width, height as SetWindowPosition received them
  std::optional<long> visible;
  std::optional<OAHWND> messageDrain;
};

class FakeFilterGraph final : public FakeObject,
                              public IGraphBuilder,
                              public IMediaControl,
                              public IVideoWindow {
 public:
  explicit FakeFilterGraph(FakeWorld& world)
      : FakeObject(world, "Graph", world.UniqueName("Graph")) {}
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;

  // Adds a filter the way AddFilter does, for the fakes (not journaled).
  HRESULT Add(FakeFilterBase& filter, LPCWSTR name);
  bool Holds(const FakeFilterBase* filter) const;
  FakeFilterBase* FilterNamed(const std::wstring& name) const;
  bool HasVideoRenderer() const;

  // IFilterGraph
  HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) override;
  LUMIGRAB_FAKE_NOTIMPL(EnumFilters, (IEnumFilters**))
  HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
  LUMIGRAB_FAKE_NOTIMPL(ConnectDirect, (IPin*, IPin*, const AM_MEDIA_TYPE*))
  LUMIGRAB_FAKE_NOTIMPL(Reconnect, (IPin*))
  LUMIGRAB_FAKE_NOTIMPL(Disconnect, (IPin*))
  LUMIGRAB_FAKE_NOTIMPL(SetDefaultSyncSource, ())
  // IGraphBuilder
  LUMIGRAB_FAKE_NOTIMPL(Connect, (IPin*, IPin*))
  LUMIGRAB_FAKE_NOTIMPL(Render, (IPin*))
  LUMIGRAB_FAKE_NOTIMPL(RenderFile, (LPCWSTR, LPCWSTR))
  LUMIGRAB_FAKE_NOTIMPL(AddSourceFilter, (LPCWSTR, LPCWSTR, IBaseFilter**))
  LUMIGRAB_FAKE_NOTIMPL(SetLogFile, (DWORD_PTR))
  LUMIGRAB_FAKE_NOTIMPL(Abort, ())
  LUMIGRAB_FAKE_NOTIMPL(ShouldOperationContinue, ())

  // IDispatch (shared by IMediaControl and IVideoWindow)
  LUMIGRAB_FAKE_NOTIMPL(GetTypeInfoCount, (UINT*))
  LUMIGRAB_FAKE_NOTIMPL(GetTypeInfo, (UINT, LCID, ITypeInfo**))
  LUMIGRAB_FAKE_NOTIMPL(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
  LUMIGRAB_FAKE_NOTIMPL(Invoke,
                        (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))

  // IMediaControl
  HRESULT STDMETHODCALLTYPE Run() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE GetState(LONG timeout, OAFilterState* state) override;
  LUMIGRAB_FAKE_NOTIMPL(RenderFile, (BSTR))
  LUMIGRAB_FAKE_NOTIMPL(AddSourceFilter, (BSTR, IDispatch**))
  LUMIGRAB_FAKE_NOTIMPL(get_FilterCollection, (IDispatch**))
  LUMIGRAB_FAKE_NOTIMPL(get_RegFilterCollection, (IDispatch**))
  LUMIGRAB_FAKE_NOTIMPL(StopWhenReady, ())

  // IVideoWindow
  LUMIGRAB_FAKE_NOTIMPL(put_Caption, (BSTR))
  LUMIGRAB_FAKE_NOTIMPL(get_Caption, (BSTR*))
  HRESULT STDMETHODCALLTYPE put_WindowStyle(__LONG32 style) override;
  LUMIGRAB_FAKE_NOTIMPL(get_WindowStyle, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_WindowStyleEx, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_WindowStyleEx, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_AutoShow, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_AutoShow, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_WindowState, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_WindowState, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_BackgroundPalette, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_BackgroundPalette, (__LONG32*))
  HRESULT STDMETHODCALLTYPE put_Visible(__LONG32 visible) override;
  LUMIGRAB_FAKE_NOTIMPL(get_Visible, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_Left, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_Left, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_Width, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_Width, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_Top, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_Top, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_Height, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_Height, (__LONG32*))
  HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) override;
  LUMIGRAB_FAKE_NOTIMPL(get_Owner, (OAHWND*))
  HRESULT STDMETHODCALLTYPE put_MessageDrain(OAHWND drain) override;
  LUMIGRAB_FAKE_NOTIMPL(get_MessageDrain, (OAHWND*))
  LUMIGRAB_FAKE_NOTIMPL(get_BorderColor, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_BorderColor, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(get_FullScreenMode, (__LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(put_FullScreenMode, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(SetWindowForeground, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(NotifyOwnerMessage, (OAHWND, __LONG32, LONG_PTR, LONG_PTR))
  HRESULT STDMETHODCALLTYPE SetWindowPosition(__LONG32 left, __LONG32 top, __LONG32 width,
                                              __LONG32 height) override;
  LUMIGRAB_FAKE_NOTIMPL(GetWindowPosition, (__LONG32*, __LONG32*, __LONG32*, __LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(GetMinIdealImageSize, (__LONG32*, __LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(GetMaxIdealImageSize, (__LONG32*, __LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(GetRestorePosition, (__LONG32*, __LONG32*, __LONG32*, __LONG32*))
  LUMIGRAB_FAKE_NOTIMPL(HideCursor, (__LONG32))
  LUMIGRAB_FAKE_NOTIMPL(IsCursorHidden, (__LONG32*))

  std::vector<std::pair<std::wstring, FakeFilterBase*>> filters;  // in the order added
  OAFilterState state = State_Stopped;
  VideoWindowState window;

 protected:
  void OnFinalRelease() override;

 private:
  HRESULT SetState(const char* method, OAFilterState newState);
  // The video window forwards to the renderer; without one every call answers E_NOINTERFACE.
  HRESULT WindowCall(FakeCall& call);
  int generatedNames_ = 0;
};

}  // namespace lumigrab::fake
