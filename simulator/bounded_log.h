#pragma once
#include <cstddef>
#include <vector>

// The simulator's observation logs (register trace, I2C transactions, USB
// requests) keep the most recent entries: when a log holds its limit, its
// older half is dropped before the next entry goes in.
namespace sim {

template <typename T>
void AppendBounded(std::vector<T>& log, const T& entry, size_t limit) {
  if (log.size() >= limit) log.erase(log.begin(), log.begin() + static_cast<long>(log.size() / 2));
  log.push_back(entry);
}

// A limit as the logs take it: at least 2, so that halving keeps one entry.
inline size_t LogLimit(size_t limit) { return limit < 2 ? 2 : limit; }

}  // namespace sim
