// The camera's streaming thread: paces frames at the capability's interval and pushes them to
// the downstream input pin while the filter runs.
#pragma once

#include "camera_settings.h"
#include "com_ref.h"
#include "module.h"
#include "platform_headers.h"

namespace lumigrab_tc {

class FramePump {
 public:
  FramePump();
  ~FramePump();
  FramePump(const FramePump&) = delete;
  FramePump& operator=(const FramePump&) = delete;

  // Stopped -> paused: commits the allocator and starts the thread, which waits for Run.
  HRESULT Start(IMemAllocator* allocator, IMemInputPin* input, const Capability& format,
                DWORD seed);
  // Stream time 0 is `start` on `clock` (which may be null: timestamps then count frames).
  void Run(REFERENCE_TIME start, IReferenceClock* clock);
  void Pause();
  // Decommits first so that a thread blocked in GetBuffer wakes up, then joins it.
  void Stop();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Loop();
  // Produces one frame and hands it downstream.
  void DeliverOne();
  LONGLONG Now() const;

  Lock lock_;
  HANDLE thread_ = nullptr;
  HANDLE wake_ = nullptr;
  // Set by Start before the thread exists and cleared by Stop after it ended: the thread reads
  // them without the lock.
  ComRef<IMemAllocator> allocator_;
  ComRef<IMemInputPin> input_;
  Capability format_;
  DWORD seed_ = 0;
  LONGLONG ticks_per_second_ = 1;
  LONGLONG interval_ticks_ = 1;

  // Guarded by lock_.
  ComRef<IReferenceClock> clock_;
  REFERENCE_TIME start_time_ = 0;
  bool running_ = false;
  bool quit_ = false;
  bool refused_ = false;          // downstream answered Receive with anything but S_OK
  bool discontinuity_ = false;    // first sample after Run
  DWORD frame_number_ = 0;
  DWORD frames_since_run_ = 0;
  LONGLONG next_due_ = 0;
};

}  // namespace lumigrab_tc
