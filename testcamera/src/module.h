// Process-wide state of the DLL: its module handle and the counts behind DllCanUnloadNow.
#pragma once

#include "platform_headers.h"

namespace lumigrab_tc {

HINSTANCE ModuleInstance();

// Every live COM object of the DLL holds one of these, so the DLL is not unloaded under it.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
bool ModuleInUse();

// The RAII form for class members.
class ModuleObjectToken {
 public:
  ModuleObjectToken() { ObjectCreated(); }
  ~ModuleObjectToken() { ObjectDestroyed(); }
  ModuleObjectToken(const ModuleObjectToken&) = delete;
  ModuleObjectToken& operator=(const ModuleObjectToken&) = delete;
};

// Owns a CRITICAL_SECTION; ScopedLock enters it for a scope.
class Lock {
 public:
  Lock() { InitializeCriticalSection(&section_); }
  ~Lock() { DeleteCriticalSection(&section_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class ScopedLock {
 public:
  explicit ScopedLock(Lock& lock) : lock_(lock) { lock_.Enter(); }
  ~ScopedLock() { lock_.Leave(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  Lock& lock_;
};

// Copies a wide string into CoTaskMemAlloc'ed memory for COM out-parameters.
HRESULT CoTaskStrDup(const wchar_t* text, LPWSTR* out);

}  // namespace lumigrab_tc
