#include "simulator/model/scan_engine.h"

#include <algorithm>

#include "platform/scanner_register_map.h"

namespace sim {

namespace reg = platform::reg;

namespace {

constexpr uint16_t kLineEnd = 0xFFFE;
constexpr uint16_t kSkip = 0xFFF1;
constexpr uint16_t kMaxSample = 0xFFF0;

uint32_t Unit(uint16_t first, uint16_t second) { return first | (static_cast<uint32_t>(second) << 16); }

}  // namespace

ScanEngine::ScanEngine(const Scenario& scenario, const RegisterFile& registers, const HighVoltage& hv,
                       const Transport& transport, MemoryRing& memory)
    : scenario_(scenario), registers_(registers), hv_(hv), transport_(transport), memory_(memory) {}

int64_t ScanEngine::BaseLevel() const {
  int s = (registers_.Byte(reg::kSamplesPerPixel) & 0x1F) + 1;
  double gain = hv_.Gain();
  double level = static_cast<double>(scenario_.dark) * s;
  if (gain > 0) level += static_cast<double>(scenario_.ambient) * s * gain;
  if (s > 16) level /= 2;
  int64_t offset = registers_.Word(reg::kAdcOffsetLow);
  return static_cast<int64_t>(level) - offset;
}

void ScanEngine::LatchSampleSum() {
  sample_latch_ = static_cast<uint16_t>(std::clamp<int64_t>(BaseLevel(), 0, 0xFFFF));
}

void ScanEngine::MeasureLine() {
  int start = registers_.Word(reg::kCollectStartLow) + 5;
  int pixels = registers_.Word(reg::kPixelsLow);
  double gain = hv_.Gain();
  bool laser = (registers_.Byte(reg::kLaser) & reg::kLaserModeBits) != 0;
  int64_t base = BaseLevel();

  line_values_.assign(static_cast<size_t>(pixels), static_cast<uint16_t>(std::clamp<int64_t>(base, 0, kMaxSample)));
  if (laser && gain > 0) {
    for (const PlateInTransport& p : transport_.Plates()) {
      int row = transport_.RowUnderScanLine(p);
      if (row < 0) continue;
      const PlateImage& img = p.plate.image;
      int first = std::max(0, p.plate.position - start);
      int last = std::min(pixels - 1, p.plate.position - start + img.width - 1);
      for (int i = first; i <= last; ++i) {
        int64_t plate = img.At(i + start - p.plate.position, row);
        if (gain != 1.0) plate = static_cast<int64_t>(plate * gain);
        line_values_[i] = static_cast<uint16_t>(std::clamp<int64_t>(base + plate, 0, kMaxSample));
      }
    }
  }
}

void ScanEngine::ScanLine() {
  MeasureLine();
  EncodeLine(line_values_, registers_.Word(reg::kPixelsLow), registers_.Word(reg::kThresholdLow));
}

void ScanEngine::Restart() {
  line_open_ = false;
  open_line_full_ = false;
  position_ = 0;
}

void ScanEngine::TriggerTestLine() {
  memory_.Empty();
  Restart();
  test_line_armed_ = !test_line_armed_;
  if (test_line_armed_) return;
  MeasureLine();
  for (size_t j = 0; j + 1 < line_values_.size(); j += 2) memory_.Append(Unit(line_values_[j], line_values_[j + 1]));
  position_ = static_cast<int>(line_values_.size() & ~size_t{1});
  line_open_ = true;
}

void ScanEngine::WriteTransferTestWords() {
  for (uint32_t i = 0; i < scenario_.transfer_test_words; ++i) memory_.Append(transfer_word_++);
}

void ScanEngine::EncodeLine(const std::vector<uint16_t>& v, int pixels, uint16_t threshold) {
  int pairs = pixels / 2;
  std::vector<std::pair<int, int>> runs;  // first and last pair
  for (int j = 0; j < pairs; ++j) {
    bool lit = v[2 * j] > threshold || v[2 * j + 1] > threshold;
    if (!lit) continue;
    if (!runs.empty() && runs.back().second == j - 1)
      runs.back().second = j;
    else
      runs.emplace_back(j, j);
  }
  bool full = pairs > 0 && runs.size() == 1 && runs[0].first == 0 && runs[0].second == pairs - 1;
  int first_pixel = runs.empty() ? pixels : 2 * runs[0].first;
  if (line_open_) {
    if (open_line_full_ && full) {
      position_ = 0;  // lit lines in a row run on without line ends
    } else {
      memory_.Append(Unit(kLineEnd, static_cast<uint16_t>(first_pixel)));
      position_ = first_pixel;
    }
  }
  for (auto [first, last] : runs) {
    int at = 2 * first;
    if (at > position_) memory_.Append(Unit(kSkip, static_cast<uint16_t>(at - position_)));
    for (int j = first; j <= last; ++j) memory_.Append(Unit(v[2 * j], v[2 * j + 1]));
    position_ = 2 * (last + 1);
  }
  line_open_ = true;
  open_line_full_ = full;
}

void ScanEngine::LoadOldData(const OldData& old) {
  int lines = old.lines;
  if (lines <= 0) {
    int last = 0;
    for (const Plate& p : old.plates) last = std::max(last, static_cast<int>(p.at_ms) + p.image.height);
    lines = last + 4;
  }
  Restart();
  std::vector<uint16_t> values;
  for (int line = 0; line < lines; ++line) {
    values.assign(static_cast<size_t>(std::max(0, old.pixels)), 0);
    for (const Plate& p : old.plates) {
      int row = line - static_cast<int>(p.at_ms);
      if (row < 0 || row >= p.image.height) continue;
      for (int x = 0; x < p.image.width; ++x) {
        int i = p.position - old.start + x;
        if (i >= 0 && i < old.pixels) values[i] = std::min(p.image.At(x, row), kMaxSample);
      }
    }
    EncodeLine(values, old.pixels, old.threshold);
  }
  if (line_open_) memory_.Append(Unit(kLineEnd, static_cast<uint16_t>(old.pixels)));
  Restart();
  // The mark stays at the start of the data; the read pointer goes into it.
  memory_.SetReadPointer(std::min(old.read_offset_words, memory_.WritePointer()));
}

}  // namespace sim
