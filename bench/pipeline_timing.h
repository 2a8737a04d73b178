#pragma once
// Timing helpers shared by the benchmarks of the scan-data path: robust
// statistics, the acquisition pipeline run over a whole stream in memory and
// the folder the benchmarks write in.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/acquisition/acquisition.h"
#include "driver/acquisition/stream_poll.h"
#include "driver/tests/acquisition/piece_device.h"

namespace benchtiming {

// Where the benchmarks make their scratch folders: VORNIX_BENCH_DIR, else
// the temporary folder ("").
inline std::string BenchParent() {
  const char* dir = std::getenv("VORNIX_BENCH_DIR");
  return dir && *dir ? dir : "";
}

inline double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Activates `acq` and polls the whole stream through it as the session
// polls, in whole pieces; the seconds it took.
inline double TimePipeline(tarvel::Acquisition& acq, const std::vector<uint8_t>& stream) {
  const auto t0 = std::chrono::steady_clock::now();
  acq.Activate();
  acqtest::PieceDevice device(stream.data(), stream.size(), [](size_t) { return tarvel::kPieceBytes; });
  tarvel::StreamPoller poller(acq, device);
  acqtest::PollToEnd(poller, device);
  return Seconds(std::chrono::steady_clock::now() - t0);
}

}  // namespace benchtiming
