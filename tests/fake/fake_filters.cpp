#include "fake_filters.h"

namespace lumigrab::fake {

void* FakeVideoRenderer::Interface(REFIID iid) {
  if (void* found = BaseFilterInterface(iid)) return found;
  if (IsEqualIID(iid, IID_IDirectDrawVideo) && offersDirectDrawVideo) {
    return static_cast<IDirectDrawVideo*>(this);
  }
  return nullptr;
}

HRESULT FakeVideoRenderer::SetSwitches(DWORD value) {
  FakeCall call = Begin("SetSwitches", Hex(value));
  if (call.Failed()) return call.Fail();
  switches.push_back(value);
  return call.Return(setSwitchesResult);
}

void* FakeAviMux::Interface(REFIID iid) {
  if (void* found = BaseFilterInterface(iid)) return found;
  if (IsEqualIID(iid, IID_IConfigAviMux) && offersConfigAviMux) {
    return static_cast<IConfigAviMux*>(this);
  }
  return nullptr;
}

HRESULT FakeAviMux::SetMasterStream(LONG stream) {
  FakeCall call = Begin("SetMasterStream", std::to_string(stream));
  if (call.Failed()) return call.Fail();
  masterStreams.push_back(stream);
  return call.Return(setMasterStreamResult);
}

void* FakeFileWriter::Interface(REFIID iid) {
  if (void* found = BaseFilterInterface(iid)) return found;
  if (IsEqualIID(iid, IID_IFileSinkFilter)) return static_cast<IFileSinkFilter*>(this);
  return nullptr;
}

HRESULT FakeFileWriter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) {
  FakeCall call = Begin("SetFileName", Quote(name));
  if (name == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  fileName = name;
  return call.Return(S_OK);
}

}  // namespace lumigrab::fake
