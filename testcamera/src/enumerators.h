// IEnumPins and IEnumMediaTypes over snapshots taken when the enumerator is made: the camera's
// pins and types never change while a graph could be walking them, so no resync is needed.
#pragma once

#include <vector>

#include "camera_settings.h"
#include "com_ref.h"
#include "module.h"
#include "platform_headers.h"

namespace lumigrab_tc {

class PinEnumerator final : public IEnumPins {
 public:
  // Takes its own reference on every pin (and so on their filters).
  static HRESULT Create(const std::vector<IPin*>& pins, size_t position, IEnumPins** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** out) override;

 private:
  PinEnumerator(const std::vector<IPin*>& pins, size_t position);
  ~PinEnumerator();

  ModuleObjectToken token_;
  volatile LONG refs_ = 1;
  std::vector<IPin*> pins_;
  size_t position_;
  Lock lock_;
};

class MediaTypeEnumerator final : public IEnumMediaTypes {
 public:
  static HRESULT Create(const std::vector<Capability>& types, size_t position,
                        IEnumMediaTypes** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** out) override;

 private:
  MediaTypeEnumerator(const std::vector<Capability>& types, size_t position)
      : types_(types), position_(position) {}

  ModuleObjectToken token_;
  volatile LONG refs_ = 1;
  std::vector<Capability> types_;
  size_t position_;
  Lock lock_;
};

}  // namespace lumigrab_tc
