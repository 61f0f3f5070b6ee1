// The capture filters' own settings pages, and placement of the graph's video window.
#include "engine/capture_engine.h"
#include "platform/com_ptr.h"

namespace lumigrab {

int CaptureEngine::ShowVideoSourcePages(HWND parentWindow) {
  return ShowSourcePages(videoSource, parentWindow);
}

int CaptureEngine::ShowAudioSourcePages(HWND parentWindow) {
  return ShowSourcePages(audioSource, parentWindow);
}

int CaptureEngine::ShowSourcePages(IBaseFilter* filter, HWND parentWindow) {
  if (filter == nullptr) return 0;
  ComPtr<ISpecifyPropertyPages> pageSource;
  if (FAILED(filter->QueryInterface(IID_ISpecifyPropertyPages, pageSource.ReceiveVoid())) ||
      !pageSource) {
    return 0;
  }

  // What a failed call did not fill is not passed on, nor released or freed later.
  FILTER_INFO info = {};
  if (FAILED(filter->QueryFilterInfo(&info))) info = FILTER_INFO{};
  CAUUID pages = {};
  if (FAILED(pageSource->GetPages(&pages))) pages = CAUUID{};
  pageSource.Reset();

  IUnknown* objects[] = {filter};
  // Modal: returns when the user closes the frame, however it was closed.
  platform_.OleCreatePropertyFrame(parentWindow, 0, 0, info.achName, 1, objects, pages.cElems,
                                   pages.pElems, 0, 0, nullptr);
  CoTaskMemFree(pages.pElems);
  if (info.pGraph != nullptr) info.pGraph->Release();
  return 1;
}

int CaptureEngine::SetMessageDrain(HWND drainWindow) {
  if (videoWindow == nullptr) return 0;
  videoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(drainWindow));
  return 1;
}

int CaptureEngine::SetVideoWindowPosition(HWND ownerWindow, const RECT* position) {
  if (videoWindow == nullptr) return 0;
  RECT place = {};
  bool placeKnown = false;
  if (ownerWindow != nullptr) {
    videoWindow->put_Owner(reinterpret_cast<OAHWND>(ownerWindow));
    placeKnown = platform_.GetClientRect(ownerWindow, &place) != FALSE;
  }
  // A caller's record wins over the owner's client area; it reads as left, top, width, height.
  if (position != nullptr) {
    place = *position;
    placeKnown = true;
  }
  // With nothing to place the window by, it stays where it is.
  if (placeKnown) {
    videoWindow->SetWindowPosition(place.left, place.top, place.right, place.bottom);
  }
  return 1;
}

}  // namespace lumigrab
