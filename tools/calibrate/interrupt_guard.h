#pragma once
// Ends the program cleanly on SIGINT, SIGTERM, SIGHUP and SIGQUIT.
#include <functional>

namespace calibrate {

// Blocks the four signals in the calling thread (and so in every thread
// started after it) and waits for them on a thread of its own. When one
// comes, `on_signal` runs there as ordinary code, the console is put back,
// and the program ends by that signal. Call once, before other threads start.
void StartInterruptGuard(std::function<void()> on_signal);

}  // namespace calibrate
