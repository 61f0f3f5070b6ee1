// The device catalogue: the video and audio input devices listed once, when the engine is made.
#include <cstring>
#include <cwchar>

#include "engine/capture_engine.h"
#include "platform/com_ptr.h"

namespace lumigrab {

namespace {

// Names are handed out from a work buffer of this size, terminator included.
constexpr int kNameWorkBufferSize = 128;

// The number of leading UTF-16 units of `name` whose ANSI form fits in `room` bytes, cut only
// between whole characters (never inside a surrogate pair or a multibyte character).
int UnitsThatFit(const wchar_t* name, int units, int room) {
  while (units > 0 &&
         WideCharToMultiByte(CP_ACP, 0, name, units, nullptr, 0, nullptr, nullptr) > room) {
    --units;
    if (units > 0 && IS_LOW_SURROGATE(name[units]) && IS_HIGH_SURROGATE(name[units - 1])) {
      --units;
    }
  }
  return units;
}

// The ANSI form of a device's friendly name, as a new heap string. A name that cannot be
// converted is listed as the empty string; a name longer than the work buffer is shortened.
char* CopyNameToHeap(const wchar_t* friendlyName) {
  char work[kNameWorkBufferSize] = {};
  if (friendlyName != nullptr) {
    const int needed =
        WideCharToMultiByte(CP_ACP, 0, friendlyName, -1, nullptr, 0, nullptr, nullptr);
    if (needed > 0 && needed <= kNameWorkBufferSize) {
      WideCharToMultiByte(CP_ACP, 0, friendlyName, -1, work, needed, nullptr, nullptr);
      work[needed - 1] = '\0';
    } else if (needed > kNameWorkBufferSize) {
      const int units = UnitsThatFit(friendlyName, static_cast<int>(wcslen(friendlyName)),
                                     kNameWorkBufferSize - 1);
      const int written = WideCharToMultiByte(CP_ACP, 0, friendlyName, units, work,
                                              kNameWorkBufferSize - 1, nullptr, nullptr);
      work[written > 0 ? written : 0] = '\0';
    }
  }
  const size_t length = std::strlen(work);
  char* copy = new char[length + 1];
  std::memcpy(copy, work, length + 1);
  return copy;
}

int CopyName(const char* storedName, char* name, int length) {
  if (length > 0) std::strncpy(name, storedName, static_cast<size_t>(length));
  return 1;
}

}  // namespace

int CaptureEngine::EnumerateDevices() {
  ComPtr<ICreateDevEnum> deviceEnumerator;
  if (platform_.CreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICreateDevEnum, deviceEnumerator.ReceiveVoid()) != S_OK) {
    return -1;
  }

  ComPtr<IEnumMoniker> videoMonikers;
  // S_FALSE, an empty category, counts as failure here: without a video device the audio
  // category is not listed either.
  if (deviceEnumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                              videoMonikers.Receive(), 0) != S_OK) {
    return -1;
  }
  ListCategory(videoMonikers.Get(), videoDeviceNames, videoDeviceMonikers, videoDeviceCount);
  videoMonikers.Reset();

  ComPtr<IEnumMoniker> audioMonikers;
  if (deviceEnumerator->CreateClassEnumerator(CLSID_AudioInputDeviceCategory,
                                              audioMonikers.Receive(), 0) == S_OK) {
    ListCategory(audioMonikers.Get(), audioDeviceNames, audioDeviceMonikers, audioDeviceCount);
  }
  return 0;
}

void CaptureEngine::ListCategory(IEnumMoniker* monikers, char** names, IMoniker** deviceMonikers,
                                 int& count) {
  if (monikers == nullptr) return;
  monikers->Reset();
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.Receive(), nullptr) != S_OK) break;
    // The tables hold kMaxDevices entries: a further device ends the listing.
    if (count >= kMaxDevices) break;

    ComPtr<IPropertyBag> properties;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      properties.ReceiveVoid()))) {
      // This device and every later one of the category stay unlisted.
      break;
    }

    VARIANT friendlyName;
    VariantInit(&friendlyName);
    friendlyName.vt = VT_BSTR;
    friendlyName.bstrVal = nullptr;
    const HRESULT read = properties->Read(L"FriendlyName", &friendlyName, nullptr);
    if (read == S_OK) {
      names[count] =
          CopyNameToHeap(friendlyName.vt == VT_BSTR ? friendlyName.bstrVal : nullptr);
      deviceMonikers[count] = moniker.Detach();  // the table owns this reference now
      ++count;
    }
    // A device whose name cannot be read is skipped; whatever the read left is freed either way.
    VariantClear(&friendlyName);
  }
}

int CaptureEngine::GetVideoDeviceCount() { return videoDeviceCount; }

int CaptureEngine::GetAudioDeviceCount() { return audioDeviceCount; }

int CaptureEngine::GetVideoDeviceName(int index, char* name, int length) {
  if (index < 0 || index >= videoDeviceCount) return 0;
  return CopyName(videoDeviceNames[index], name, length);
}

int CaptureEngine::GetAudioDeviceName(int index, char* name, int length) {
  if (index < 0 || index >= audioDeviceCount) return 0;
  return CopyName(audioDeviceNames[index], name, length);
}

}  // namespace lumigrab
