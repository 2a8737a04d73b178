#include "simulator/model/access_trace.h"

namespace sim {

void AccessTrace::Record(const RegisterAccess& access) {
  if (!enabled_) return;
  if (accesses_.size() >= limit_)
    accesses_.erase(accesses_.begin(), accesses_.begin() + static_cast<long>(accesses_.size() / 2));
  accesses_.push_back(access);
}

std::vector<RegisterAccess> AccessTrace::Of(int reg, bool writes_only) const {
  std::vector<RegisterAccess> out;
  for (const RegisterAccess& a : accesses_)
    if (a.reg == reg && (a.write || !writes_only)) out.push_back(a);
  return out;
}

}  // namespace sim
