// The one place that includes the platform's DirectShow, COM and Win32 headers, so every source of
// the library sees them with the same settings.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <olectl.h>
#include <dshow.h>
#include <amvideo.h>
#include <qedit.h>

namespace lumigrab {

// The SDK declares ISampleGrabber but, in some toolchains, not the class identifier of the filter
// that implements it.
extern const CLSID kClsidSampleGrabber;

}  // namespace lumigrab
