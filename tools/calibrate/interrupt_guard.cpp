#include "tools/calibrate/interrupt_guard.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "platform/console.h"

namespace calibrate {

void StartInterruptGuard(std::function<void()> on_signal) {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, sig);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([set, on_signal = std::move(on_signal)] {
    int sig = 0;
    while (sigwait(&set, &sig) != 0) {}
    if (on_signal) on_signal();
    platform::RestoreConsole();
    std::signal(sig, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(sig);
    _exit(128 + sig);
  }).detach();
}

}  // namespace calibrate
