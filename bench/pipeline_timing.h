#pragma once
// The acquisition pipeline run over a whole stream in memory, for the
// benchmarks of the scan-data path.
#include <chrono>
#include <cstdint>
#include <vector>

#include "bench/timing.h"
#include "driver/acquisition/acquisition.h"
#include "driver/acquisition/stream_poll.h"
#include "driver/tests/acquisition/piece_device.h"

namespace benchtiming {

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
