#include "debug_output.h"

#include <windows.h>

#ifndef DBG_PRINTEXCEPTION_C
#define DBG_PRINTEXCEPTION_C 0x40010006L
#endif

namespace {

// The handler is process-wide and may run on a graph thread, so its record is too.
SRWLOCK recordLock = SRWLOCK_INIT;

struct Hold {
  Hold() { AcquireSRWLockExclusive(&recordLock); }
  ~Hold() { ReleaseSRWLockExclusive(&recordLock); }
};
std::vector<std::string>* record = nullptr;

LONG CALLBACK RecordDebugString(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD* raised = exception->ExceptionRecord;
  if (raised->ExceptionCode == static_cast<DWORD>(DBG_PRINTEXCEPTION_C) &&
      raised->NumberParameters >= 2) {
    const size_t length = static_cast<size_t>(raised->ExceptionInformation[0]);
    const char* text = reinterpret_cast<const char*>(raised->ExceptionInformation[1]);
    Hold hold;
    if (record != nullptr && text != nullptr && length > 0) {
      record->emplace_back(text, length - 1);
    }
  }
  // Let the system deliver it as usual: OutputDebugStringA handles its own exception.
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

DebugOutputRecorder::DebugOutputRecorder() {
  {
    Hold hold;
    record = new std::vector<std::string>();
  }
  handler_ = AddVectoredExceptionHandler(1, RecordDebugString);
}

DebugOutputRecorder::~DebugOutputRecorder() {
  if (handler_ != nullptr) RemoveVectoredExceptionHandler(handler_);
  Hold hold;
  delete record;
  record = nullptr;
}

std::vector<std::string> DebugOutputRecorder::Messages() const {
  Hold hold;
  return record != nullptr ? *record : std::vector<std::string>();
}
