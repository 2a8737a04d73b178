#pragma once
#include <cstdint>

#include "simulator/scenario.h"

// The model's own microsecond time. It follows the platform clock; under the
// virtual clock each bus access costs `access_cost_us` and moves the platform
// clock on whenever a whole millisecond has passed. It never runs backwards,
// even when the clock is set back.
namespace sim {

class ModelTime {
 public:
  explicit ModelTime(const Scenario& scenario);
  // One bus access.
  void Access();
  // Catches up with the clock without costing an access.
  void Follow();
  uint64_t Now() const { return now_us_; }

 private:
  const Scenario& scenario_;
  uint64_t now_us_ = 0;
  uint64_t offset_us_ = 0;  // model time minus platform clock time
};

}  // namespace sim
