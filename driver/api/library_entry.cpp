// Library start-up and unload: the static objects (the log channel
// "KPUDLL", built with no output) and the trace calls of the library entry.
#include "driver/config/log_channel.h"

namespace {

__attribute__((constructor)) void LibraryLoaded() {
  tarvel::KpuDllLog();
  tarvel::TraceStart(1, 256, 6, "_tarveldll.log");
}

__attribute__((destructor)) void LibraryUnloaded() { tarvel::TraceEnd(); }

}  // namespace
