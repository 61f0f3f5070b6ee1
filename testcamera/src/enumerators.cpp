#include "enumerators.h"

#include <new>

#include "media_types.h"

namespace lumigrab_tc {

// ---- PinEnumerator ----

PinEnumerator::PinEnumerator(const std::vector<IPin*>& pins, size_t position)
    : pins_(pins), position_(position) {
  for (IPin* pin : pins_) pin->AddRef();
}

PinEnumerator::~PinEnumerator() {
  for (IPin* pin : pins_) pin->Release();
}

HRESULT PinEnumerator::Create(const std::vector<IPin*>& pins, size_t position, IEnumPins** out) {
  if (out == nullptr) return E_POINTER;
  *out = new (std::nothrow) PinEnumerator(pins, position);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PinEnumerator::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IEnumPins) {
    *out = static_cast<IEnumPins*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PinEnumerator::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) PinEnumerator::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  if (count > 1 && fetched == nullptr) return E_INVALIDARG;
  ScopedLock hold(lock_);
  ULONG given = 0;
  while (given < count && position_ < pins_.size()) {
    pins[given] = pins_[position_++];
    pins[given]->AddRef();
    ++given;
  }
  if (fetched != nullptr) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Skip(ULONG count) {
  ScopedLock hold(lock_);
  if (pins_.size() - position_ < count) {
    position_ = pins_.size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

STDMETHODIMP PinEnumerator::Reset() {
  ScopedLock hold(lock_);
  position_ = 0;
  return S_OK;
}

STDMETHODIMP PinEnumerator::Clone(IEnumPins** out) {
  ScopedLock hold(lock_);
  return Create(pins_, position_, out);
}

// ---- MediaTypeEnumerator ----

HRESULT MediaTypeEnumerator::Create(const std::vector<Capability>& types, size_t position,
                                    IEnumMediaTypes** out) {
  if (out == nullptr) return E_POINTER;
  *out = new (std::nothrow) MediaTypeEnumerator(types, position);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP MediaTypeEnumerator::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) {
    *out = static_cast<IEnumMediaTypes*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) MediaTypeEnumerator::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) MediaTypeEnumerator::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  if (count > 1 && fetched == nullptr) return E_INVALIDARG;
  ScopedLock hold(lock_);
  ULONG given = 0;
  while (given < count && position_ < types_.size()) {
    AM_MEDIA_TYPE* type = NewMediaType(types_[position_]);
    if (type == nullptr) {
      for (ULONG i = 0; i < given; ++i) {
        DeleteMediaType(types[i]);
        types[i] = nullptr;
      }
      if (fetched != nullptr) *fetched = 0;
      return E_OUTOFMEMORY;
    }
    types[given++] = type;
    ++position_;
  }
  if (fetched != nullptr) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Skip(ULONG count) {
  ScopedLock hold(lock_);
  if (types_.size() - position_ < count) {
    position_ = types_.size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Reset() {
  ScopedLock hold(lock_);
  position_ = 0;
  return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Clone(IEnumMediaTypes** out) {
  ScopedLock hold(lock_);
  return Create(types_, position_, out);
}

}  // namespace lumigrab_tc
