// The fake of lumigrab::Platform: object creation by class, a Running Object Table with item
// monikers, a property frame that records instead of showing, scriptable windows, temporary
// folder and file system, and the time, debug output and process calls.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "fake_devices.h"
#include "platform/platform.h"

namespace lumigrab::fake {

class FakeItemMoniker final : public FakeMonikerBase {
 public:
  FakeItemMoniker(FakeWorld& world, std::wstring delimiter, std::wstring item)
      : FakeMonikerBase(world, "ItemMoniker", world.UniqueName("ItemMoniker")),
        delimiter(std::move(delimiter)),
        item(std::move(item)) {}
  HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* context, IMoniker* left,
                                           LPOLESTR* name) override;

  // The display name starts with the delimiter, as the real item moniker's does.
  std::wstring DisplayName() const { return delimiter + item; }

  const std::wstring delimiter;
  const std::wstring item;
};

struct RotRegistration {
  DWORD cookie = 0;
  DWORD flags = 0;
  std::wstring displayName;  // from the item moniker; empty for another moniker
  std::string object;        // the registered object's name
  IUnknown* held = nullptr;  // the reference the table keeps
};

class FakeRunningObjectTable final : public FakeObject, public IRunningObjectTable {
 public:
  explicit FakeRunningObjectTable(FakeWorld& world) : FakeObject(world, "ROT", "ROT") {}
  LUMIGRAB_FAKE_IUNKNOWN
  void* Interface(REFIID iid) override;

  HRESULT STDMETHODCALLTYPE Register(DWORD flags, IUnknown* object, IMoniker* name,
                                     DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Revoke(DWORD cookie) override;
  LUMIGRAB_FAKE_NOTIMPL(IsRunning, (IMoniker*))
  LUMIGRAB_FAKE_NOTIMPL(GetObject, (IMoniker*, IUnknown**))
  LUMIGRAB_FAKE_NOTIMPL(NoteChangeTime, (DWORD, FILETIME*))
  LUMIGRAB_FAKE_NOTIMPL(GetTimeOfLastChange, (IMoniker*, FILETIME*))
  LUMIGRAB_FAKE_NOTIMPL(EnumRunning, (IEnumMoniker**))

  // Drops every registration the engine left behind (not journaled), for a test's own clean-up.
  void RevokeAll();

  std::vector<RotRegistration> registrations;  // live ones
  std::vector<RotRegistration> everRegistered;
  DWORD nextCookie = 0x101;
};

struct PropertyFrameRecord {
  HWND owner = nullptr;
  UINT x = 0;
  UINT y = 0;
  bool hasCaption = false;
  std::wstring caption;
  ULONG objectCount = 0;
  std::vector<std::string> objects;         // names of the objects passed
  std::vector<const void*> objectPointers;  // the pointers themselves
  std::vector<long> objectReferences;       // each object's references while the frame is up
  ULONG pageCount = 0;
  bool hasPages = false;
  std::vector<CLSID> pages;
  LCID locale = 0;
  DWORD reserved = 0;
  void* reservedPointer = nullptr;
};

struct FakeFile {
  bool directory = false;
  bool undeletable = false;
};

class FakePlatform final : public lumigrab::Platform {
 public:
  explicit FakePlatform(FakeWorld& world);

  // Scripting.
  void AddWindow(HWND window, LONG width, LONG height);
  void RemoveWindow(HWND window) { windows_.erase(window); }
  std::string tempPath = "C:\\Users\\tester\\AppData\\Local\\Temp\\";
  void AddFile(const std::string& path, bool undeletable = false);
  void AddDirectory(const std::string& path);
  bool FileExists(const std::string& path) const;
  DWORD processId = 0x1234;
  HRESULT propertyFrameResult = S_OK;

  // Records.
  FakeRunningObjectTable& Rot() { return rot_; }
  std::vector<PropertyFrameRecord> propertyFrames;
  std::vector<std::string> fileAttributeQueries;
  std::vector<std::string> deletedFiles;
  std::vector<DWORD> sleeps;
  std::vector<std::string> debugOutput;  // the exact bytes of each message
  std::vector<FakeItemMoniker*> itemMonikers;

  // lumigrab::Platform
  HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) override;
  HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** table) override;
  HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker) override;
  HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                                 IUnknown** objects, ULONG pageCount, CLSID* pages, LCID locale,
                                 DWORD reserved, void* reservedPointer) override;
  BOOL IsWindow(HWND window) override;
  BOOL GetClientRect(HWND window, RECT* rect) override;
  DWORD GetTempPathA(DWORD bufferLength, char* buffer) override;
  DWORD GetFileAttributesA(const char* path) override;
  BOOL DeleteFileA(const char* path) override;
  void Sleep(DWORD milliseconds) override;
  void OutputDebugStringA(const char* text) override;
  DWORD GetCurrentProcessId() override;

 private:
  FakeCall Begin(const std::string& method, const std::string& arguments,
                 const std::string& qualifier = std::string());
  static std::string Key(const std::string& path);

  FakeWorld& world_;
  FakeRunningObjectTable& rot_;
  std::map<HWND, SIZE> windows_;
  std::map<std::string, FakeFile> files_;  // by lower-case path
};

}  // namespace lumigrab::fake
