// Failing platform calls inside an engine or router operation are raised as an HResultError and
// caught at the end of the same operation, which then answers 0: one error path per operation.
#pragma once

#include <winerror.h>

namespace lumigrab {

struct HResultError {
  HRESULT result;
};

// Raises when the call failed (a negative result); S_FALSE and other positive codes are success.
inline HRESULT ThrowIfFailed(HRESULT result) {
  if (FAILED(result)) throw HResultError{result};
  return result;
}

// Raises on any result but S_OK: some call sites count S_FALSE as failure too.
inline void ThrowIfNotOk(HRESULT result) {
  if (result != S_OK) throw HResultError{result};
}

}  // namespace lumigrab
