#include "fake_world.h"

#include <algorithm>
#include <sstream>

#include "fake_crossbar.h"
#include "fake_devices.h"
#include "fake_platform.h"

namespace lumigrab::fake {

// --- FakeCall ---------------------------------------------------------------------------------

HRESULT FakeCall::Fail() {
  world_->Finish(entry_, ResultName(*injected_));
  return *injected_;
}

HRESULT FakeCall::Return(HRESULT result) {
  if (injected_.has_value()) result = *injected_;
  world_->Finish(entry_, ResultName(result));
  return result;
}

void FakeCall::Note(const std::string& resultText) { world_->Finish(entry_, resultText); }

// --- FakeObject -------------------------------------------------------------------------------

FakeObject::FakeObject(FakeWorld& world, std::string kind, std::string name)
    : world_(world), kind_(std::move(kind)), name_(std::move(name)) {}

HRESULT FakeObject::HandOut(REFIID iid, void** object) {
  void* found = Interface(iid);
  if (found == nullptr) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ++references_;
  *object = found;
  return S_OK;
}

HRESULT FakeObject::DoQueryInterface(REFIID iid, void** object) {
  FakeCall call = Begin("QueryInterface", GuidName(iid), GuidName(iid));
  if (object == nullptr) return call.Return(E_POINTER);
  if (call.Failed()) {
    *object = nullptr;
    return call.Fail();
  }
  return call.Return(HandOut(iid, object));
}

ULONG FakeObject::DoRelease() {
  if (references_ <= 0) {
    world_.ReportProblem(name_ + " released once more than it was referenced");
    return 0;
  }
  if (--references_ == 0) OnFinalRelease();
  return static_cast<ULONG>(references_);
}

ULONG FakeObject::CallerRelease() {
  world_.releases_.push_back(name_);
  return DoRelease();
}

FakeCall FakeObject::Begin(const std::string& method, const std::string& arguments,
                           const std::string& qualifier) {
  return world_.BeginCall(this, kind_, name_, method, qualifier, arguments);
}

HRESULT FakeObject::NotImplemented(const char* method) {
  return Begin(method, "").Return(E_NOTIMPL);
}

// --- GrabberScript ----------------------------------------------------------------------------

GrabberAnswer GrabberAnswer::NoSampleYet() { return GrabberAnswer{}; }

GrabberAnswer GrabberAnswer::Sample(std::vector<unsigned char> bytes) {
  GrabberAnswer answer;
  answer.kind = Kind::Sample;
  answer.bytes = std::move(bytes);
  return answer;
}

GrabberAnswer GrabberAnswer::Result(HRESULT result, std::optional<long> size) {
  GrabberAnswer answer;
  answer.kind = Kind::Result;
  answer.result = result;
  answer.size = size;
  return answer;
}

const GrabberAnswer* GrabberScript::Take() {
  if (answers.empty()) return nullptr;
  const GrabberAnswer* answer = &answers[std::min(next, answers.size() - 1)];
  if (next < answers.size()) ++next;
  return answer;
}

// --- FakeWorld --------------------------------------------------------------------------------

// The platform makes its Running Object Table, so it comes once every member exists.
FakeWorld::FakeWorld() { platform_ = std::make_unique<FakePlatform>(*this); }

FakeWorld::~FakeWorld() {
  // Objects point at each other; none may touch another while the world ends.
  platform_.reset();
  objects_.clear();
}

FakeDevice& FakeWorld::AddVideoDevice(DeviceScript script) {
  const std::string id = "Video" + std::to_string(videoDevices_.size());
  devices_.push_back(std::make_unique<FakeDevice>(*this, id, true, std::move(script)));
  videoDevices_.push_back(devices_.back().get());
  return *devices_.back();
}

FakeDevice& FakeWorld::AddAudioDevice(DeviceScript script) {
  const std::string id = "Audio" + std::to_string(audioDevices_.size());
  devices_.push_back(std::make_unique<FakeDevice>(*this, id, false, std::move(script)));
  audioDevices_.push_back(devices_.back().get());
  return *devices_.back();
}

FakeCrossbar& FakeWorld::AddCrossbar(CrossbarScript script) {
  return Make<FakeCrossbar>(UniqueName("Crossbar"), std::move(script));
}

void FakeWorld::Register(std::unique_ptr<FakeObject> object, const void* start, size_t size) {
  ranges_.push_back(Range{static_cast<const unsigned char*>(start), size, object.get()});
  objects_.push_back(std::move(object));
}

std::string FakeWorld::UniqueName(const std::string& base) {
  const int seen = ++nameCounts_[base];
  return seen == 1 ? base : base + "#" + std::to_string(seen);
}

FakeObject* FakeWorld::ObjectAt(const void* interfacePointer) const {
  if (interfacePointer == nullptr) return nullptr;
  const auto* address = static_cast<const unsigned char*>(interfacePointer);
  for (const Range& range : ranges_) {
    if (address >= range.start && address < range.start + range.size) return range.object;
  }
  return nullptr;
}

std::string FakeWorld::NameOf(const void* interfacePointer) const {
  if (interfacePointer == nullptr) return "null";
  if (const FakeObject* object = ObjectAt(interfacePointer)) return object->Name();
  return "foreign@" + Hex(reinterpret_cast<uintptr_t>(interfacePointer));
}

std::string FakeWorld::JournalText() const {
  std::ostringstream text;
  for (const JournalEntry& entry : journal_) {
    text << entry.number << ": " << entry.text << " = " << entry.result
         << (entry.injected ? "  [injected]" : "") << "\n";
  }
  return text.str();
}

int FakeWorld::CountCalls(const std::string& key) const {
  int count = 0;
  for (const JournalEntry& entry : journal_) {
    if (std::find(entry.keys.begin(), entry.keys.end(), key) != entry.keys.end()) ++count;
  }
  return count;
}

std::vector<std::string> FakeWorld::CallsTo(const std::string& key) const {
  std::vector<std::string> calls;
  for (const JournalEntry& entry : journal_) {
    if (std::find(entry.keys.begin(), entry.keys.end(), key) != entry.keys.end()) {
      calls.push_back(entry.text);
    }
  }
  return calls;
}

std::vector<std::string> FakeWorld::LinesWith(const std::string& fragment) const {
  std::vector<std::string> lines;
  for (const JournalEntry& entry : journal_) {
    if (entry.text.find(fragment) != std::string::npos) lines.push_back(entry.text);
  }
  return lines;
}

void FakeWorld::FailCall(const std::string& key, int k, HRESULT result) {
  injections_.push_back(Injection{key, k, result});
}

void FakeWorld::FailNthCall(int n, HRESULT result) { nthInjections_[n] = result; }

FakeCall FakeWorld::BeginCall(const FakeObject* target, const std::string& kind,
                              const std::string& instance, const std::string& method,
                              const std::string& qualifier, const std::string& arguments) {
  JournalEntry entry;
  entry.number = static_cast<int>(journal_.size()) + 1;
  entry.text = instance + "." + method + "(" + arguments + ")";
  entry.keys.push_back(kind + "." + method);
  if (instance != kind) entry.keys.push_back(instance + "." + method);
  if (!qualifier.empty()) {
    entry.keys.push_back(kind + "." + method + "(" + qualifier + ")");
    if (instance != kind) entry.keys.push_back(instance + "." + method + "(" + qualifier + ")");
  }
  if (target != nullptr && target->References() <= 0) {
    problems_.push_back(entry.text + " called on " + instance +
                        " after its last reference was released");
  }

  std::optional<HRESULT> injected;
  for (const std::string& key : entry.keys) {
    const int seen = ++keyCounts_[key];
    for (const Injection& injection : injections_) {
      if (injection.key == key && (injection.k == 0 || injection.k == seen)) {
        injected = injection.result;
      }
    }
  }
  auto nth = nthInjections_.find(entry.number);
  if (nth != nthInjections_.end()) injected = nth->second;
  entry.injected = injected.has_value();

  journal_.push_back(std::move(entry));
  return FakeCall(*this, journal_.size() - 1, injected);
}

void FakeWorld::Finish(size_t entry, const std::string& resultText) {
  journal_[entry].result = resultText;
}

std::vector<std::string> FakeWorld::LiveObjects() const {
  std::vector<std::string> live;
  for (const auto& object : objects_) {
    const long references = object->references_ - object->heldByTest_;
    if (references != 0) {
      live.push_back(object->Name() + " (" + std::to_string(references) + " reference" +
                     (references == 1 ? "" : "s") + ")");
    }
  }
  return live;
}

void FakeWorld::HoldForTest(IUnknown* object) {
  FakeObject* fake = ObjectAt(object);
  if (fake == nullptr) {
    ReportProblem("HoldForTest on " + NameOf(object));
    return;
  }
  fake->AddRefInternal();
  ++fake->heldByTest_;
}

void FakeWorld::DropForTest(IUnknown* object) {
  FakeObject* fake = ObjectAt(object);
  if (fake == nullptr || fake->heldByTest_ == 0) {
    ReportProblem("DropForTest on " + NameOf(object) + " which the test does not hold");
    return;
  }
  --fake->heldByTest_;
  fake->ReleaseInternal();
}

// --- Text helpers -----------------------------------------------------------------------------

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string narrow(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], size, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(size - 1));
  return narrow;
}

std::string Quote(const wchar_t* text) {
  return text == nullptr ? "null" : "\"" + Narrow(text) + "\"";
}

std::string Hex(unsigned long long value) {
  std::ostringstream text;
  text << "0x" << std::hex << value;
  return text.str();
}

std::string ResultName(HRESULT result) {
  static const std::map<HRESULT, const char*> names = {
      {S_OK, "S_OK"},
      {S_FALSE, "S_FALSE"},
      {E_FAIL, "E_FAIL"},
      {E_POINTER, "E_POINTER"},
      {E_NOINTERFACE, "E_NOINTERFACE"},
      {E_INVALIDARG, "E_INVALIDARG"},
      {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
      {E_NOTIMPL, "E_NOTIMPL"},
      {E_UNEXPECTED, "E_UNEXPECTED"},
      {E_ACCESSDENIED, "E_ACCESSDENIED"},
      {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
      {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
      {VFW_E_NOT_CONNECTED, "VFW_E_NOT_CONNECTED"},
      {VFW_E_WRONG_STATE, "VFW_E_WRONG_STATE"},
      {VFW_E_CANNOT_CONNECT, "VFW_E_CANNOT_CONNECT"},
      {VFW_E_NOT_FOUND, "VFW_E_NOT_FOUND"},
      {VFW_E_NOT_IN_GRAPH, "VFW_E_NOT_IN_GRAPH"},
      {VFW_E_ALREADY_CONNECTED, "VFW_E_ALREADY_CONNECTED"},
      {VFW_E_INVALIDMEDIATYPE, "VFW_E_INVALIDMEDIATYPE"},
      {VFW_S_NOPREVIEWPIN, "VFW_S_NOPREVIEWPIN"},
      {VFW_S_DUPLICATE_NAME, "VFW_S_DUPLICATE_NAME"},
      {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)"},
  };
  auto found = names.find(result);
  if (found != names.end()) return found->second;
  return Hex(static_cast<unsigned long>(result));
}

std::vector<std::string> FakeWorld::CallsSince(int from) const {
  std::vector<std::string> calls;
  for (size_t i = static_cast<size_t>(from < 0 ? 0 : from); i < journal_.size(); ++i) {
    calls.push_back(journal_[i].text);
  }
  return calls;
}

}  // namespace lumigrab::fake
