#include "simulator/model/access_trace.h"

#include "simulator/bounded_log.h"

namespace sim {

void AccessTrace::Record(const RegisterAccess& access) {
  if (!enabled_) return;
  AppendBounded(accesses_, access, limit_);
}

std::vector<RegisterAccess> AccessTrace::Of(int reg, bool writes_only) const {
  std::vector<RegisterAccess> out;
  for (const RegisterAccess& a : accesses_)
    if (a.reg == reg && (a.write || !writes_only)) out.push_back(a);
  return out;
}

}  // namespace sim
