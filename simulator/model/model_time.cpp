#include "simulator/model/model_time.h"

#include "platform/clock.h"

namespace sim {

ModelTime::ModelTime(const Scenario& scenario) : scenario_(scenario), now_us_(platform::NowMs() * 1000) {}

void ModelTime::Access() {
  uint64_t clock_us = platform::NowMs() * 1000 + offset_us_;
  if (clock_us + 1000000 < now_us_) {  // the clock was set back: keep our time monotonic
    offset_us_ += now_us_ - clock_us;
    clock_us = now_us_;
  }
  if (now_us_ < clock_us) now_us_ = clock_us;
  if (platform::IsVirtualClock()) {
    now_us_ += scenario_.access_cost_us;
    uint64_t want_ms = (now_us_ - offset_us_) / 1000;
    uint64_t have_ms = platform::NowMs();
    if (want_ms > have_ms) platform::AdvanceClock(want_ms - have_ms);
  }
}

void ModelTime::Follow() {
  uint64_t clock_us = platform::NowMs() * 1000 + offset_us_;
  if (now_us_ < clock_us) now_us_ = clock_us;
}

}  // namespace sim
