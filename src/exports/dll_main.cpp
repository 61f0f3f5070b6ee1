// Module attach and detach. The library keeps no per-module or per-thread state: the engine is
// created and destroyed only on the host's request, so attach and detach have nothing to do.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    // No thread notifications are needed; skipping them saves a call per thread of the host.
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}
