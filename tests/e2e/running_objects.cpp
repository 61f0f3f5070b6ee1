#include "running_objects.h"

#include <objbase.h>
#include <windows.h>
#include <wchar.h>

std::vector<std::wstring> RunningObjectNames() {
  std::vector<std::wstring> names;
  IRunningObjectTable* table = nullptr;
  if (FAILED(GetRunningObjectTable(0, &table))) return names;
  IEnumMoniker* monikers = nullptr;
  IBindCtx* context = nullptr;
  if (SUCCEEDED(table->EnumRunning(&monikers)) && SUCCEEDED(CreateBindCtx(0, &context))) {
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
      LPOLESTR name = nullptr;
      if (SUCCEEDED(moniker->GetDisplayName(context, nullptr, &name)) && name != nullptr) {
        names.emplace_back(name);
        CoTaskMemFree(name);
      }
      moniker->Release();
    }
  }
  if (context) context->Release();
  if (monikers) monikers->Release();
  table->Release();
  return names;
}

std::vector<std::wstring> FilterGraphsOfThisProcess() {
  wchar_t pid[32];
  swprintf(pid, 32, L" pid %08lx", static_cast<unsigned long>(GetCurrentProcessId()));
  std::vector<std::wstring> graphs;
  for (const std::wstring& name : RunningObjectNames()) {
    if (name.find(L"FilterGraph ") != std::wstring::npos && name.find(pid) != std::wstring::npos) {
      graphs.push_back(name);
    }
  }
  return graphs;
}
