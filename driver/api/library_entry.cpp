// Library start-up and unload: the library's state (library.h) and the trace
// calls of the library entry.
#include "driver/api/library.h"
#include "driver/config/log_channel.h"

namespace {

__attribute__((constructor)) void LibraryLoaded() {
  tarvel::Library();
  tarvel::TraceStart(1, 256, 6, "_tarveldll.log");
}

__attribute__((destructor)) void LibraryUnloaded() { tarvel::TraceEnd(); }

}  // namespace
