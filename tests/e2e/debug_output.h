// Records what this process sends with OutputDebugStringA while a recorder exists: the call
// raises DBG_PRINTEXCEPTION_C, which a vectored exception handler sees before anyone else,
// with the byte length (terminator included) and the ANSI text as its two parameters.
#pragma once

#include <string>
#include <vector>

class DebugOutputRecorder {
 public:
  DebugOutputRecorder();
  ~DebugOutputRecorder();
  DebugOutputRecorder(const DebugOutputRecorder&) = delete;
  DebugOutputRecorder& operator=(const DebugOutputRecorder&) = delete;

  // Every message so far, as the exact bytes sent (no terminator).
  std::vector<std::string> Messages() const;

 private:
  void* handler_ = nullptr;
};
