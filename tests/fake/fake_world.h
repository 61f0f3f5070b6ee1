// The fake DirectShow world: every fake COM object a test creates, directly or through the engine,
// belongs to one FakeWorld. The world keeps the journal of calls the engine made, answers injected
// failures, and keeps every object's memory until the world ends, so that reference counting
// mistakes are reported instead of crashing the test.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/directshow.h"

namespace lumigrab::fake {

class FakeWorld;
class FakePlatform;
class FakeDevice;
class FakeCrossbar;
struct DeviceScript;
struct CrossbarScript;

// One call the engine made on the fake world, as it was answered.
struct JournalEntry {
  int number = 0;                 // position among all journaled calls, counted from 1
  std::string text;               // e.g. Graph.AddFilter(Video0, "Video Capture")
  std::vector<std::string> keys;  // the names FailCall and CountCalls match against
  std::string result;             // e.g. S_OK, TRUE, 0x80004005
  bool injected = false;          // the answer came from FailCall or FailNthCall
};

// Handle of one journaled call while the fake answers it.
class FakeCall {
 public:
  FakeCall(FakeWorld& world, size_t entry, std::optional<HRESULT> injected)
      : world_(&world), entry_(entry), injected_(injected) {}

  // An injected failure: the fake must not act and answers Fail().
  bool Failed() const { return injected_.has_value() && FAILED(*injected_); }
  HRESULT Fail();
  // Records the answer; an injected success code (S_FALSE...) replaces it.
  HRESULT Return(HRESULT result);
  // For calls whose answer is not an HRESULT.
  void Note(const std::string& resultText);

 private:
  FakeWorld* world_;
  size_t entry_;
  std::optional<HRESULT> injected_;
};

// Base of every fake COM object. References are counted here; reaching zero never frees the
// memory (the world does that at its end), so a released object can still be inspected.
class FakeObject {
 public:
  FakeObject(FakeWorld& world, std::string kind, std::string name);
  virtual ~FakeObject() = default;
  FakeObject(const FakeObject&) = delete;
  FakeObject& operator=(const FakeObject&) = delete;

  const std::string& Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  long References() const { return references_; }
  FakeWorld& World() const { return world_; }

  // The interface pointer for `iid`, without a reference, or null when not offered.
  virtual void* Interface(REFIID iid) = 0;

  // References taken and dropped by other fakes (a graph holding its filters...): not journaled.
  void AddRefInternal() { ++references_; }
  void ReleaseInternal() { DoRelease(); }
  // Hands out the interface `iid` with a new reference; E_NOINTERFACE when not offered.
  HRESULT HandOut(REFIID iid, void** object);

 protected:
  HRESULT DoQueryInterface(REFIID iid, void** object);
  ULONG DoAddRef() { return static_cast<ULONG>(++references_); }
  ULONG DoRelease();
  // A Release through a COM interface: noted in the world's release log, then counted.
  ULONG CallerRelease();
  // Called once the last reference is gone: drop what this object holds on others.
  virtual void OnFinalRelease() {}

  FakeCall Begin(const std::string& method, const std::string& arguments,
                 const std::string& qualifier = std::string());
  // Journals a call of a method the engine is not expected to use.
  HRESULT NotImplemented(const char* method);

  FakeWorld& world_;

 private:
  friend class FakeWorld;
  std::string kind_;
  std::string name_;
  long references_ = 0;
  long heldByTest_ = 0;
};

// The three IUnknown methods of a fake, routed to FakeObject.
#define LUMIGRAB_FAKE_IUNKNOWN                                                   \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override { \
    return DoQueryInterface(iid, object);                                        \
  }                                                                              \
  ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }               \
  ULONG STDMETHODCALLTYPE Release() override { return CallerRelease(); }

// A method the engine does not use: journaled, answers E_NOTIMPL.
#define LUMIGRAB_FAKE_NOTIMPL(method, parameters) \
  HRESULT STDMETHODCALLTYPE method parameters override { return NotImplemented(#method); }

// World-wide behaviour of the video renderer that RenderStream adds for a null renderer.
struct RendererScript {
  std::wstring name = L"Video Renderer";  // empty: added without a name ("0001"...)
  bool offersDirectDrawVideo = true;
  HRESULT setSwitchesResult = S_OK;
};

// World-wide behaviour of the AVI multiplexer SetOutputFileName makes.
struct MuxScript {
  bool offersConfigAviMux = true;
  HRESULT setMasterStreamResult = S_OK;
};

// One answer of ISampleGrabber::GetCurrentBuffer (once connected and buffering).
struct GrabberAnswer {
  static GrabberAnswer NoSampleYet();                             // VFW_E_WRONG_STATE
  static GrabberAnswer Sample(std::vector<unsigned char> bytes);  // the real grabber's semantics
  static GrabberAnswer Result(HRESULT result, std::optional<long> size = std::nullopt);

  enum class Kind { NoSampleYet, Sample, Result } kind = Kind::NoSampleYet;
  std::vector<unsigned char> bytes;
  HRESULT result = S_OK;
  std::optional<long> size;
};

// Answers of GetCurrentBuffer for every grabber of the world, in order: each call takes the next
// answer, the last one stays. With no answer scripted the grabber never has a sample.
struct GrabberScript {
  std::vector<GrabberAnswer> answers;
  size_t next = 0;
  const GrabberAnswer* Take();
};

class FakeWorld {
 public:
  FakeWorld();
  ~FakeWorld();
  FakeWorld(const FakeWorld&) = delete;
  FakeWorld& operator=(const FakeWorld&) = delete;

  FakePlatform& Platform() { return *platform_; }

  // Devices, listed in the order they are added.
  FakeDevice& AddVideoDevice(DeviceScript script);
  FakeDevice& AddAudioDevice(DeviceScript script);
  const std::vector<FakeDevice*>& VideoDevices() const { return videoDevices_; }
  const std::vector<FakeDevice*>& AudioDevices() const { return audioDevices_; }
  FakeCrossbar& AddCrossbar(CrossbarScript script);

  // Behaviour of the objects the engine creates.
  RendererScript renderer;
  MuxScript mux;
  GrabberScript grabber;

  // Every fake of type T made so far, in creation order.
  template <typename T>
  std::vector<T*> ObjectsOf() const {
    std::vector<T*> found;
    for (const auto& object : objects_) {
      if (T* typed = dynamic_cast<T*>(object.get())) found.push_back(typed);
    }
    return found;
  }

  // The fake whose memory holds `interfacePointer` (any of its interfaces), or null.
  FakeObject* ObjectAt(const void* interfacePointer) const;
  template <typename T>
  T* FakeAt(const void* interfacePointer) const {
    return dynamic_cast<T*>(ObjectAt(interfacePointer));
  }
  // "null", the fake's name, or "foreign@<address>".
  std::string NameOf(const void* interfacePointer) const;

  // The journal.
  const std::vector<JournalEntry>& Journal() const { return journal_; }
  std::string JournalText() const;
  int CallCount() const { return static_cast<int>(journal_.size()); }
  // Calls that matched `key` (see FailCall for the forms of a key).
  int CountCalls(const std::string& key) const;
  std::vector<std::string> CallsTo(const std::string& key) const;
  // Journal lines containing `fragment`.
  std::vector<std::string> LinesWith(const std::string& fragment) const;

  // Failure injection. A key is "Kind.Method" (every object of that kind: "Graph.AddFilter"),
  // "Name.Method" (one object: "Video0#2.QueryFilterInfo"), or either with the qualifier some
  // calls carry: "Graph.QueryInterface(IVideoWindow)", "Platform.CreateInstance(FilterGraph)".
  // The k-th matching call (from 1; 0 = every one) answers `result`. A failure code means the
  // fake does nothing else; a success code (S_FALSE...) is answered after the call took effect.
  void FailCall(const std::string& key, int k, HRESULT result);
  // The n-th journaled call overall (from 1) answers `result`; calls that cannot fail ignore it.
  void FailNthCall(int n, HRESULT result);

  // Names (with counts) of objects still referenced beyond what the test holds itself.
  std::vector<std::string> LiveObjects() const;
  // Over-releases and calls on objects whose last reference was gone.
  const std::vector<std::string>& Problems() const { return problems_; }
  void ReportProblem(const std::string& problem) { problems_.push_back(problem); }
  // A reference the test keeps for itself (not counted by LiveObjects until dropped).
  void HoldForTest(IUnknown* object);
  void DropForTest(IUnknown* object);
  // Names of the objects released through their COM interfaces, one per Release call, in order
  // (references fakes drop among themselves are not in it).
  const std::vector<std::string>& Releases() const { return releases_; }
  // The text of every journaled call from position `from` (0-based, as CallCount() counts) on.
  std::vector<std::string> CallsSince(int from) const;

  // Makes a fake owned by the world.
  template <typename T, typename... Args>
  T& Make(Args&&... args) {
    auto object = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& made = *object;
    Register(std::move(object), dynamic_cast<const void*>(&made), sizeof(T));
    return made;
  }
  std::string UniqueName(const std::string& base);

  // Starts a journaled call; used by the fakes.
  FakeCall BeginCall(const FakeObject* target, const std::string& kind, const std::string& instance,
                     const std::string& method, const std::string& qualifier,
                     const std::string& arguments);
  void Finish(size_t entry, const std::string& resultText);

 private:
  friend class FakeObject;  // notes its releases
  struct Range {
    const unsigned char* start;
    size_t size;
    FakeObject* object;
  };
  struct Injection {
    std::string key;
    int k;
    HRESULT result;
  };
  void Register(std::unique_ptr<FakeObject> object, const void* start, size_t size);

  std::unique_ptr<FakePlatform> platform_;
  std::vector<std::unique_ptr<FakeObject>> objects_;
  std::vector<Range> ranges_;
  std::vector<std::unique_ptr<FakeDevice>> devices_;
  std::vector<FakeDevice*> videoDevices_;
  std::vector<FakeDevice*> audioDevices_;
  std::vector<JournalEntry> journal_;
  std::map<std::string, int> keyCounts_;
  std::vector<Injection> injections_;
  std::map<int, HRESULT> nthInjections_;
  std::map<std::string, int> nameCounts_;
  std::vector<std::string> problems_;
  std::vector<std::string> releases_;
};

// Readable text for journal arguments.
std::string Narrow(const wchar_t* text);
std::string Quote(const wchar_t* text);  // "text" or null
std::string Hex(unsigned long long value);
std::string ResultName(HRESULT result);
std::string GuidName(const GUID& guid);
std::string GuidName(const GUID* guid);  // null for a null pointer

}  // namespace lumigrab::fake
