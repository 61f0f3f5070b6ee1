// Registration of the graph in the Running Object Table, so that an outside graph viewer can
// attach to the running graph.
#include <cstdint>
#include <string>

#include "engine/capture_engine.h"
#include "platform/com_ptr.h"

namespace lumigrab {

namespace {

// `digits` lower-case hexadecimal digits of `value`, zero-padded.
std::wstring Hex(uint64_t value, int digits) {
  std::wstring text(static_cast<size_t>(digits), L'0');
  for (int i = digits - 1; i >= 0 && value != 0; --i, value >>= 4) {
    text[static_cast<size_t>(i)] = L"0123456789abcdef"[value & 0xF];
  }
  return text;
}

// "FilterGraph <pointer> pid <process id>": the pointer shows all its digits, 8 in a 32-bit
// process and 16 in a 64-bit one, so that two graphs never share a name.
std::wstring DisplayName(const void* graphObject, DWORD processId) {
  return L"FilterGraph " +
         Hex(reinterpret_cast<uintptr_t>(graphObject), static_cast<int>(sizeof(void*) * 2)) +
         L" pid " + Hex(processId, 8);
}

}  // namespace

HRESULT CaptureEngine::AddToRot(IUnknown* graphObject, DWORD* cookie) {
  ComPtr<IRunningObjectTable> table;
  if (FAILED(platform_.GetRunningObjectTable(0, table.Receive())) || !table) return E_FAIL;

  const std::wstring displayName = DisplayName(graphObject, platform_.GetCurrentProcessId());
  ComPtr<IMoniker> moniker;
  HRESULT result = platform_.CreateItemMoniker(L"!", displayName.c_str(), moniker.Receive());
  if (FAILED(result)) return result;

  return table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graphObject, moniker.Get(), cookie);
}

void CaptureEngine::RemoveFromRot(DWORD cookie) {
  ComPtr<IRunningObjectTable> table;
  if (SUCCEEDED(platform_.GetRunningObjectTable(0, table.Receive())) && table) {
    table->Revoke(cookie);
  }
}

}  // namespace lumigrab
