#include "module.h"

#include <cwchar>

namespace lumigrab_tc {
namespace {

HINSTANCE g_instance = nullptr;
volatile LONG g_objects = 0;
volatile LONG g_locks = 0;

}  // namespace

HINSTANCE ModuleInstance() { return g_instance; }

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }
void LockModule(bool lock) {
  if (lock) {
    InterlockedIncrement(&g_locks);
  } else {
    InterlockedDecrement(&g_locks);
  }
}
bool ModuleInUse() { return g_objects != 0 || g_locks != 0; }

HRESULT CoTaskStrDup(const wchar_t* text, LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*out == nullptr) return E_OUTOFMEMORY;
  memcpy(*out, text, bytes);
  return S_OK;
}

}  // namespace lumigrab_tc

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    lumigrab_tc::g_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
