#pragma once
// A recorded scan-data stream served in pieces, as a scanner whose transport
// runs while bytes remain and stops when all are read; and polling it to the
// end through the stream poller.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>

#include "driver/acquisition/stream_poll.h"

namespace acqtest {

class PieceDevice : public tarvel::StreamDevice {
 public:
  // Bytes of the piece that starts at a stream offset (at least 1 is served).
  using PieceSize = std::function<size_t(size_t at)>;

  PieceDevice(const uint8_t* data, size_t size, PieceSize piece) : data_(data), size_(size), piece_(std::move(piece)) {}

  int ReadStatus(ScanStatus* status) override {
    *status = ScanStatus{};
    if (at_ < size_) {
      status->flags = 1;  // transport running
      status->line_counter = INT32_MAX;  // always ahead of the parser
      status->words_waiting = static_cast<int32_t>((size_ - at_ + 3) / 4);
    }
    return 0;
  }
  int ReadBlock(uint8_t* buffer, uint32_t capacity, uint32_t* count) override {
    size_t n = std::min({std::max<size_t>(piece_(at_), 1), size_t{capacity}, size_ - at_});
    if (n) std::memcpy(buffer, data_ + at_, n);
    at_ += n;
    *count = static_cast<uint32_t>(n);
    return 0;
  }
  void MarkReadPosition() override { ++marks; }

  bool Drained() const { return at_ >= size_; }
  int marks = 0;

 private:
  const uint8_t* data_;
  size_t size_;
  PieceSize piece_;
  size_t at_ = 0;
};

// Polls until the stream is read and the stopped transport was seen.
// `after_poll` runs after every poll.
inline void PollToEnd(tarvel::StreamPoller& poller, const PieceDevice& device,
                      const std::function<void()>& after_poll = {}) {
  tarvel::PollResult r;
  do {
    poller.Poll(&r);
    if (after_poll) after_poll();
  } while (!device.Drained());
  poller.Poll(&r);
  if (after_poll) after_poll();
}

}  // namespace acqtest
