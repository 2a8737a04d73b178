#pragma once
// What the benchmarks share: seconds of a steady-clock span, the median of
// runs, and the folder they write in.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace benchtiming {

// Where the benchmarks make their scratch folders: VORNIX_BENCH_DIR, else
// `otherwise` ("": the temporary folder).
inline std::string BenchParent(const std::string& otherwise = "") {
  const char* dir = std::getenv("VORNIX_BENCH_DIR");
  return dir && *dir ? dir : otherwise;
}

inline double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace benchtiming
