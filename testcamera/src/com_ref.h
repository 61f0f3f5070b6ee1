// Owning COM reference for the camera's members and locals: one Release per AddRef, whatever
// path a method leaves by.
#pragma once

#include <unknwn.h>

namespace lumigrab_tc {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  // Takes a new reference on an interface the caller keeps owning.
  static ComRef Share(T* pointer) {
    ComRef ref;
    ref.pointer_ = pointer;
    if (pointer != nullptr) pointer->AddRef();
    return ref;
  }
  ComRef(ComRef&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = other.pointer_;
      other.pointer_ = nullptr;
    }
    return *this;
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() { Reset(); }

  T* Get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  T** Receive() {
    Reset();
    return &pointer_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  // Hands the reference to a caller that will release it (out-parameters of COM methods).
  T* Detach() {
    T* pointer = pointer_;
    pointer_ = nullptr;
    return pointer;
  }

  void Reset() {
    if (pointer_ != nullptr) {
      T* released = pointer_;
      pointer_ = nullptr;  // cleared first: Release may re-enter the owner
      released->Release();
    }
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace lumigrab_tc
