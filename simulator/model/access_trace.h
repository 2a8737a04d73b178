#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "simulator/bounded_log.h"

// The register trace: every register access as the hardware saw it, the
// most recent ones kept.
namespace sim {

// One register access as the hardware saw it.
struct RegisterAccess {
  uint64_t time_us = 0;
  bool write = false;
  uint8_t reg = 0;
  uint8_t width = 8;  // 8, 16 or 32
  uint32_t value = 0;  // written, or returned
  bool ok = true;  // false: refused (FPGA not configured)
};

class AccessTrace {
 public:
  // Nothing is recorded while tracing is off. When the trace holds its
  // limit, its older half is dropped first.
  void Record(const RegisterAccess& access);
  const std::vector<RegisterAccess>& All() const { return accesses_; }
  // Accesses of one register (optionally only writes).
  std::vector<RegisterAccess> Of(int reg, bool writes_only) const;
  void Clear() { accesses_.clear(); }
  void SetEnabled(bool on) { enabled_ = on; }
  void SetLimit(size_t accesses) { limit_ = LogLimit(accesses); }

 private:
  std::vector<RegisterAccess> accesses_;
  bool enabled_ = true;
  size_t limit_ = size_t{1} << 22;
};

}  // namespace sim
