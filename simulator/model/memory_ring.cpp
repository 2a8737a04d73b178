#include "simulator/model/memory_ring.h"

#include <algorithm>

namespace sim {
namespace {

constexpr uint32_t kPageWords = 4096;

}  // namespace

uint32_t MemoryRing::WordsFor(const std::vector<uint8_t>& spd) {
  uint64_t size = 0;
  if (spd[3] < 32 && spd[4] < 32)
    size = (uint64_t{1} << spd[3]) * (uint64_t{1} << spd[4]) * spd[6] * spd[5] * spd[17] / 8;
  return static_cast<uint32_t>(std::clamp<uint64_t>(size / 4, 1024, uint64_t{1} << 28));
}

MemoryRing::MemoryRing(uint32_t words, int bad_checksum_reads)
    : words_(words), bad_checksum_reads_(bad_checksum_reads) {}

uint32_t MemoryRing::At(uint32_t index) const {
  auto it = pages_.find(index / kPageWords);
  return it == pages_.end() ? 0 : it->second[index % kPageWords];
}

void MemoryRing::Put(uint32_t index, uint32_t value) {
  std::vector<uint32_t>& page = pages_[index / kPageWords];
  if (page.empty()) page.assign(kPageWords, 0);
  page[index % kPageWords] = value;
}

void MemoryRing::Append(uint32_t word) {
  if (Waiting() >= words_ - 1) {
    ++dropped_;
    return;
  }
  Put(write_, word);
  write_ = (write_ + 1) % words_;
}

size_t MemoryRing::Read(uint32_t* words, size_t max_words) {
  size_t n = std::min<size_t>(max_words, Waiting());
  for (size_t i = 0; i < n; ++i) {
    uint32_t w = At(read_);
    checksum_ = static_cast<uint16_t>(checksum_ + (w & 0xFFFF) + (w >> 16));
    words[i] = w;
    read_ = (read_ + 1) % words_;
  }
  if (n > 0 && bad_checksum_reads_ != 0) {
    words[n / 2] ^= 0x00000001;  // a bit lost on the way; the checksum register saw the true word
    if (bad_checksum_reads_ > 0) --bad_checksum_reads_;
  }
  return n;
}

}  // namespace sim
