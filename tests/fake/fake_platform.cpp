#include "fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "fake_builder.h"
#include "fake_grabber.h"
#include "fake_graph.h"

namespace lumigrab::fake {

// --- Item moniker and Running Object Table ----------------------------------------------------

HRESULT FakeItemMoniker::GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) {
  FakeCall call = Begin("GetDisplayName", world_.NameOf(context) + ", " + world_.NameOf(left));
  if (name == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) return call.Fail();
  const std::wstring text = DisplayName();
  *name = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  std::memcpy(*name, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return call.Return(S_OK);
}

void* FakeRunningObjectTable::Interface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IRunningObjectTable)) {
    return static_cast<IRunningObjectTable*>(this);
  }
  return nullptr;
}

HRESULT FakeRunningObjectTable::Register(DWORD flags, IUnknown* object, IMoniker* name,
                                         DWORD* cookie) {
  std::string flagText =
      flags == ROTFLAGS_REGISTRATIONKEEPSALIVE ? "ROTFLAGS_REGISTRATIONKEEPSALIVE" : Hex(flags);
  FakeCall call =
      Begin("Register", flagText + ", " + world_.NameOf(object) + ", " + world_.NameOf(name));
  if (object == nullptr || name == nullptr || cookie == nullptr) return call.Return(E_INVALIDARG);
  if (call.Failed()) return call.Fail();
  FakeObject* registered = world_.ObjectAt(object);
  if (registered == nullptr) return call.Return(E_INVALIDARG);

  RotRegistration registration;
  registration.cookie = nextCookie++;
  registration.flags = flags;
  if (auto* item = world_.FakeAt<FakeItemMoniker>(name))
    registration.displayName = item->DisplayName();
  registration.object = registered->Name();
  // The table keeps the object alive until the registration is revoked.
  registered->AddRefInternal();
  registration.held = object;
  registrations.push_back(registration);
  everRegistered.push_back(registration);
  *cookie = registration.cookie;
  return call.Return(S_OK);
}

HRESULT FakeRunningObjectTable::Revoke(DWORD cookie) {
  FakeCall call = Begin("Revoke", Hex(cookie));
  if (call.Failed()) return call.Fail();
  for (auto entry = registrations.begin(); entry != registrations.end(); ++entry) {
    if (entry->cookie == cookie) {
      IUnknown* held = entry->held;
      registrations.erase(entry);
      world_.ObjectAt(held)->ReleaseInternal();
      return call.Return(S_OK);
    }
  }
  return call.Return(E_INVALIDARG);
}

void FakeRunningObjectTable::RevokeAll() {
  std::vector<RotRegistration> held;
  held.swap(registrations);
  for (const RotRegistration& registration : held)
    world_.ObjectAt(registration.held)->ReleaseInternal();
}

// --- Platform ---------------------------------------------------------------------------------

FakePlatform::FakePlatform(FakeWorld& world)
    : world_(world), rot_(world.Make<FakeRunningObjectTable>()) {}

FakeCall FakePlatform::Begin(const std::string& method, const std::string& arguments,
                             const std::string& qualifier) {
  return world_.BeginCall(nullptr, "Platform", "Platform", method, qualifier, arguments);
}

HRESULT FakePlatform::CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                     void** object) {
  std::string contextText = context == CLSCTX_INPROC_SERVER ? "CLSCTX_INPROC_SERVER"
                            : context == CLSCTX_INPROC      ? "CLSCTX_INPROC"
                                                            : Hex(context);
  FakeCall call = Begin("CreateInstance",
                        GuidName(clsid) + ", outer=" + world_.NameOf(outer) + ", " + contextText +
                            ", " + GuidName(iid),
                        GuidName(clsid));
  if (object == nullptr) return call.Return(E_POINTER);
  *object = nullptr;
  if (call.Failed()) return call.Fail();
  if (outer != nullptr) return call.Return(CLASS_E_NOAGGREGATION);

  FakeObject* made = nullptr;
  if (IsEqualCLSID(clsid, CLSID_SystemDeviceEnum)) {
    made = &world_.Make<FakeDeviceEnumerator>();
  } else if (IsEqualCLSID(clsid, CLSID_FilterGraph)) {
    made = &world_.Make<FakeFilterGraph>();
  } else if (IsEqualCLSID(clsid, CLSID_CaptureGraphBuilder2)) {
    made = &world_.Make<FakeCaptureGraphBuilder>();
  } else if (IsEqualCLSID(clsid, lumigrab::kClsidSampleGrabber)) {
    made = &world_.Make<FakeSampleGrabber>();
  } else {
    return call.Return(REGDB_E_CLASSNOTREG);
  }
  return call.Return(made->HandOut(iid, object));
}

HRESULT FakePlatform::GetRunningObjectTable(DWORD reserved, IRunningObjectTable** table) {
  FakeCall call = Begin("GetRunningObjectTable", std::to_string(reserved));
  if (table == nullptr) return call.Return(E_INVALIDARG);
  *table = nullptr;
  if (call.Failed()) return call.Fail();
  return call.Return(rot_.HandOut(IID_IRunningObjectTable, reinterpret_cast<void**>(table)));
}

HRESULT FakePlatform::CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker) {
  FakeCall call = Begin("CreateItemMoniker", Quote(delimiter) + ", " + Quote(item));
  if (moniker == nullptr) return call.Return(E_INVALIDARG);
  *moniker = nullptr;
  if (call.Failed()) return call.Fail();
  auto& made = world_.Make<FakeItemMoniker>(delimiter == nullptr ? L"" : delimiter,
                                            item == nullptr ? L"" : item);
  itemMonikers.push_back(&made);
  return call.Return(made.HandOut(IID_IMoniker, reinterpret_cast<void**>(moniker)));
}

HRESULT FakePlatform::OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption,
                                             ULONG objectCount, IUnknown** objects, ULONG pageCount,
                                             CLSID* pages, LCID locale, DWORD reserved,
                                             void* reservedPointer) {
  PropertyFrameRecord record;
  record.owner = owner;
  record.x = x;
  record.y = y;
  record.hasCaption = caption != nullptr;
  if (caption != nullptr) record.caption = caption;
  record.objectCount = objectCount;
  if (objects != nullptr) {
    for (ULONG i = 0; i < objectCount; ++i) {
      record.objects.push_back(world_.NameOf(objects[i]));
      record.objectPointers.push_back(objects[i]);
      const FakeObject* fake = world_.ObjectAt(objects[i]);
      record.objectReferences.push_back(fake != nullptr ? fake->References() : -1);
    }
  }
  record.pageCount = pageCount;
  record.hasPages = pages != nullptr;
  if (pages != nullptr) record.pages.assign(pages, pages + pageCount);
  record.locale = locale;
  record.reserved = reserved;
  record.reservedPointer = reservedPointer;

  std::string objectNames;
  for (const std::string& name : record.objects)
    objectNames += (objectNames.empty() ? "" : " ") + name;
  FakeCall call =
      Begin("OleCreatePropertyFrame",
            "owner=" + Hex(reinterpret_cast<uintptr_t>(owner)) + ", " + std::to_string(x) + ", " +
                std::to_string(y) + ", " + Quote(caption) +
                ", objects=" + std::to_string(objectCount) + " [" + objectNames +
                "], pages=" + std::to_string(pageCount) + ", locale=" + std::to_string(locale));
  propertyFrames.push_back(record);
  if (call.Failed()) return call.Fail();
  // The real frame refuses a null page array; nothing is ever shown here.
  if (pages == nullptr) return call.Return(E_POINTER);
  return call.Return(propertyFrameResult);
}

void FakePlatform::AddWindow(HWND window, LONG width, LONG height) {
  windows_[window] = SIZE{width, height};
}

BOOL FakePlatform::IsWindow(HWND window) {
  FakeCall call = Begin("IsWindow", Hex(reinterpret_cast<uintptr_t>(window)));
  const BOOL known = !call.Failed() && windows_.count(window) != 0;
  call.Note(known ? "TRUE" : "FALSE");
  return known;
}

BOOL FakePlatform::GetClientRect(HWND window, RECT* rect) {
  FakeCall call = Begin("GetClientRect", Hex(reinterpret_cast<uintptr_t>(window)));
  auto found = windows_.find(window);
  if (call.Failed() || rect == nullptr || found == windows_.end()) {
    call.Note("FALSE");
    return FALSE;
  }
  *rect = RECT{0, 0, found->second.cx, found->second.cy};
  call.Note("TRUE");
  return TRUE;
}

DWORD FakePlatform::GetTempPathA(DWORD bufferLength, char* buffer) {
  FakeCall call = Begin("GetTempPathA", std::to_string(bufferLength));
  if (call.Failed()) {
    call.Note("0");
    return 0;
  }
  const DWORD length = static_cast<DWORD>(tempPath.size());
  // Like the system call: the needed size (terminator included) when the buffer is too small.
  if (buffer == nullptr || bufferLength <= length) {
    call.Note(std::to_string(length + 1));
    return length + 1;
  }
  std::memcpy(buffer, tempPath.c_str(), length + 1);
  call.Note(std::to_string(length));
  return length;
}

std::string FakePlatform::Key(const std::string& path) {
  std::string key = path;
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return key;
}

void FakePlatform::AddFile(const std::string& path, bool undeletable) {
  files_[Key(path)] = FakeFile{false, undeletable};
}

void FakePlatform::AddDirectory(const std::string& path) {
  files_[Key(path)] = FakeFile{true, true};
}

bool FakePlatform::FileExists(const std::string& path) const {
  return files_.count(Key(path)) != 0;
}

DWORD FakePlatform::GetFileAttributesA(const char* path) {
  const std::string text = path == nullptr ? std::string() : path;
  FakeCall call = Begin("GetFileAttributesA", path == nullptr ? "null" : "\"" + text + "\"");
  fileAttributeQueries.push_back(text);
  auto found = files_.find(Key(text));
  if (call.Failed() || path == nullptr || found == files_.end()) {
    call.Note("INVALID_FILE_ATTRIBUTES");
    return INVALID_FILE_ATTRIBUTES;
  }
  const DWORD attributes =
      found->second.directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  call.Note(Hex(attributes));
  return attributes;
}

BOOL FakePlatform::DeleteFileA(const char* path) {
  const std::string text = path == nullptr ? std::string() : path;
  FakeCall call = Begin("DeleteFileA", path == nullptr ? "null" : "\"" + text + "\"");
  auto found = files_.find(Key(text));
  if (call.Failed() || found == files_.end() || found->second.directory ||
      found->second.undeletable) {
    call.Note("FALSE");
    return FALSE;
  }
  files_.erase(found);
  deletedFiles.push_back(text);
  call.Note("TRUE");
  return TRUE;
}

void FakePlatform::Sleep(DWORD milliseconds) {
  Begin("Sleep", std::to_string(milliseconds)).Note("-");
  sleeps.push_back(milliseconds);
}

void FakePlatform::OutputDebugStringA(const char* text) {
  const std::string bytes = text == nullptr ? std::string() : text;
  Begin("OutputDebugStringA", Hex(bytes.size()) + " bytes").Note("-");
  debugOutput.push_back(bytes);
}

DWORD FakePlatform::GetCurrentProcessId() {
  Begin("GetCurrentProcessId", "").Note(Hex(processId));
  return processId;
}

}  // namespace lumigrab::fake
