// One place that decides how the Windows SDK headers are pulled in, so every file of the
// camera sees the same DirectShow declarations.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>
#include <dshow.h>
#include <amvideo.h>
#include <ks.h>
