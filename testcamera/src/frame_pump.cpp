#include "frame_pump.h"

#include "frame_writer.h"

namespace lumigrab_tc {

FramePump::FramePump() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  ticks_per_second_ = frequency.QuadPart;
  wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

FramePump::~FramePump() {
  Stop();
  if (wake_ != nullptr) CloseHandle(wake_);
}

LONGLONG FramePump::Now() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

HRESULT FramePump::Start(IMemAllocator* allocator, IMemInputPin* input, const Capability& format,
                         DWORD seed) {
  if (allocator == nullptr || input == nullptr) return E_POINTER;
  if (wake_ == nullptr) return E_OUTOFMEMORY;
  Stop();
  HRESULT hr = allocator->Commit();
  if (FAILED(hr)) return hr;
  allocator_ = ComRef<IMemAllocator>::Share(allocator);
  input_ = ComRef<IMemInputPin>::Share(input);
  format_ = format;
  seed_ = seed;
  interval_ticks_ = format.interval * ticks_per_second_ / 10000000;
  if (interval_ticks_ <= 0) interval_ticks_ = 1;
  {
    ScopedLock hold(lock_);
    quit_ = false;
    running_ = false;
    refused_ = false;
    // frame_number_ carries on across stops: a picture left over from an earlier run can then
    // never pass for a new one.
    frames_since_run_ = 0;
  }
  ResetEvent(wake_);
  thread_ = CreateThread(nullptr, 0, &FramePump::ThreadMain, this, 0, nullptr);
  if (thread_ == nullptr) {
    hr = HRESULT_FROM_WIN32(GetLastError());
    allocator_->Decommit();
    allocator_.Reset();
    input_.Reset();
    return hr;
  }
  return S_OK;
}

void FramePump::Run(REFERENCE_TIME start, IReferenceClock* clock) {
  ScopedLock hold(lock_);
  clock_ = ComRef<IReferenceClock>::Share(clock);
  start_time_ = start;
  running_ = true;
  discontinuity_ = true;
  frames_since_run_ = 0;
  next_due_ = Now();
  SetEvent(wake_);
}

void FramePump::Pause() {
  ScopedLock hold(lock_);
  running_ = false;
  SetEvent(wake_);
}

void FramePump::Stop() {
  HANDLE thread;
  {
    ScopedLock hold(lock_);
    thread = thread_;
    if (thread == nullptr) return;
    quit_ = true;
    running_ = false;
  }
  allocator_->Decommit();
  SetEvent(wake_);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  ScopedLock hold(lock_);
  thread_ = nullptr;
  clock_.Reset();
  input_.Reset();
  allocator_.Reset();
}

DWORD WINAPI FramePump::ThreadMain(void* self) {
  // The allocator and the downstream pin are free-threaded; COM is only needed for the
  // clock and sample calls to be legal from this thread.
  HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  static_cast<FramePump*>(self)->Loop();
  if (SUCCEEDED(init)) CoUninitialize();
  return 0;
}

void FramePump::Loop() {
  for (;;) {
    DWORD wait_ms = INFINITE;
    bool due = false;
    {
      ScopedLock hold(lock_);
      if (quit_) return;
      if (running_ && !refused_) {
        LONGLONG now = Now();
        if (now >= next_due_) {
          due = true;
        } else {
          wait_ms = static_cast<DWORD>((next_due_ - now) * 1000 / ticks_per_second_) + 1;
        }
      }
    }
    if (due) {
      DeliverOne();
    } else {
      WaitForSingleObject(wake_, wait_ms);
    }
  }
}

void FramePump::DeliverOne() {
  ComRef<IReferenceClock> clock;
  REFERENCE_TIME start_time;
  DWORD frame_number;
  DWORD frames_since_run;
  bool discontinuity;
  {
    ScopedLock hold(lock_);
    clock = ComRef<IReferenceClock>::Share(clock_.Get());
    start_time = start_time_;
    frame_number = frame_number_;
    frames_since_run = frames_since_run_;
    discontinuity = discontinuity_;
  }

  IMediaSample* sample = nullptr;
  HRESULT hr = allocator_->GetBuffer(&sample, nullptr, nullptr, 0);
  if (FAILED(hr) || sample == nullptr) {
    // Decommitted under us: Stop is on its way. Avoid spinning until it arrives.
    WaitForSingleObject(wake_, 10);
    return;
  }
  BYTE* data = nullptr;
  DWORD written = 0;
  if (SUCCEEDED(sample->GetPointer(&data))) {
    written = WriteFrame(data, static_cast<DWORD>(sample->GetSize()), format_, seed_, frame_number);
  }
  if (written == 0) {
    sample->Release();
    ScopedLock hold(lock_);
    refused_ = true;
    return;
  }

  REFERENCE_TIME begin = static_cast<REFERENCE_TIME>(frames_since_run) * format_.interval;
  REFERENCE_TIME now = 0;
  if (clock && SUCCEEDED(clock->GetTime(&now))) {
    // A live source stamps frames with when they were taken; before stream time 0 (the
    // graph's start-up lead) that is 0.
    begin = now - start_time;
    if (begin < 0) begin = 0;
  }
  REFERENCE_TIME end = begin + format_.interval;
  sample->SetTime(&begin, &end);
  sample->SetSyncPoint(TRUE);
  sample->SetPreroll(FALSE);
  sample->SetDiscontinuity(discontinuity ? TRUE : FALSE);
  sample->SetActualDataLength(static_cast<long>(written));

  hr = input_->Receive(sample);
  sample->Release();

  ScopedLock hold(lock_);
  ++frame_number_;
  ++frames_since_run_;
  discontinuity_ = false;
  if (hr != S_OK) refused_ = true;
  LONGLONG current = Now();
  next_due_ += interval_ticks_;
  // After a stall, skip the frames we missed instead of bursting to catch up.
  if (next_due_ < current - interval_ticks_) next_due_ = current + interval_ticks_;
}

}  // namespace lumigrab_tc
