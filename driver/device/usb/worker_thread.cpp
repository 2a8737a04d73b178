#include "driver/device/usb/worker_thread.h"

namespace tarvel::usb {

bool UsbWorkerThread::Thread_Start() {
  if (thread_.Running()) return false;
  stop_ = false;
  // The driver's threads take part in the virtual time (platform/clock.h).
  return thread_.Start([this] { Thread_Entry(); }, true);
}

void UsbWorkerThread::Thread_Entry() {
  if (priority_ != platform::kThreadPriorityDefault) platform::SetCurrentThreadPriority(priority_);
  thread_priority_ = platform::CurrentThreadPriority();
  Run();
}

bool UsbWorkerThread::Thread_Stop() {
  if (!thread_.Running()) return true;
  stop_ = true;
  Wake();
  return thread_.Join();
}

}  // namespace tarvel::usb
