#pragma once
#include <atomic>
#include <cstdint>

#include "platform/sync.h"

// `UsbWorkerThread`: the base of an object that runs a loop in its own
// thread. The thread sets its own priority when it starts, unless the
// priority is 10000 (keep the system's default).
namespace tarvel::usb {

class UsbWorkerThread {
 public:
  virtual ~UsbWorkerThread() { Thread_Stop(); }
  bool Thread_Start();
  bool Thread_Stop();
  void SetPriority(int priority) { priority_ = priority; }
  bool ThreadRunning() const { return thread_.Running(); }
  // The priority the running thread set for itself (10000 until one ran).
  int ThreadPriority() const { return thread_priority_; }

 protected:
  virtual void Run() = 0;
  virtual void Wake() = 0;
  bool StopRequested() const { return stop_; }
  void RequestStop() { stop_ = true; }

 private:
  void Thread_Entry();
  platform::Thread thread_;
  int priority_ = platform::kThreadPriorityDefault;
  std::atomic<int> thread_priority_{platform::kThreadPriorityDefault};
  std::atomic<bool> stop_{false};
};

}  // namespace tarvel::usb
