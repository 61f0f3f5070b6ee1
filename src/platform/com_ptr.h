// A minimal owner of one COM reference, for locals of an operation: whatever path the operation
// leaves by, the reference is released exactly once.
#pragma once

#include <unknwn.h>

namespace lumigrab {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* Get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // For out-parameters: releases what was held and hands out the slot.
  T** Receive() {
    Reset();
    return &pointer_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  // Gives the reference to a caller that takes over owning it.
  T* Detach() {
    T* pointer = pointer_;
    pointer_ = nullptr;
    return pointer;
  }

  void Reset() {
    if (pointer_ != nullptr) {
      T* pointer = pointer_;
      pointer_ = nullptr;
      pointer->Release();
    }
  }

 private:
  T* pointer_ = nullptr;
};

// Releases an owning raw interface pointer and sets it back to null.
template <typename T>
void ReleaseAndClear(T*& pointer) {
  if (pointer != nullptr) {
    T* released = pointer;
    pointer = nullptr;
    released->Release();
  }
}

}  // namespace lumigrab
