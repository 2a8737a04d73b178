#include "simulator/scanner_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/clock.h"
#include "simulator/register_map.h"

namespace sim {
namespace {

constexpr uint32_t kPageWords = 4096;
constexpr uint16_t kLineEnd = 0xFFFE;
constexpr uint16_t kSkip = 0xFFF1;
constexpr uint16_t kMaxSample = 0xFFF0;
constexpr double kDacVoltsPerCode = 1.0 / 0.2047921359819783;

uint32_t Unit(uint16_t first, uint16_t second) { return first | (static_cast<uint32_t>(second) << 16); }

}  // namespace

bool IsAcceptableDesign(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < 16 || std::memcmp(bytes, "VXFPGA01", 8) != 0) return false;
  uint32_t length = 0, sum = 0;
  std::memcpy(&length, bytes + 8, 4);
  std::memcpy(&sum, bytes + 12, 4);
  if (length > size - 16) return false;
  uint32_t actual = 0;
  for (size_t i = 0; i < length; ++i) actual += bytes[16 + i];
  if (actual != sum) return false;
  for (size_t i = 16 + length; i < size; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

Scanner::Scanner(Scenario scenario) : scenario_(std::move(scenario)) {
  now_us_ = platform::NowMs() * 1000;
  next_line_us_ = now_us_;
  hv_time_us_ = now_us_;
  hv_ = scenario_.hv_initial;

  // memory module
  const MemoryModule& m = scenario_.memory;
  std::vector<uint8_t> spd(256, 0);
  if (m.spd) {
    std::copy_n(m.spd->begin(), std::min<size_t>(256, m.spd->size()), spd.begin());
  } else {
    spd[0] = 128;
    spd[1] = 8;
    spd[2] = m.type;
    spd[3] = m.rows;
    spd[4] = m.columns;
    spd[5] = m.module_banks;
    spd[6] = m.width;
    spd[17] = m.device_banks;
  }
  uint64_t size = 0;
  if (spd[3] < 32 && spd[4] < 32)
    size = (uint64_t{1} << spd[3]) * (uint64_t{1} << spd[4]) * spd[6] * spd[5] * spd[17] / 8;
  mem_words_ = static_cast<uint32_t>(std::clamp<uint64_t>(size / 4, 1024, uint64_t{1} << 28));

  auto now_ms = [this] { return now_us_ / 1000; };
  spd_ = std::make_shared<Prom>(
      256, 1, [] { return false; }, now_ms);
  spd_->Bytes() = spd;

  id_prom_ = std::make_shared<Prom>(
      256, 1, [this] { return regs_[reg::kIdPromWriteEnable] == 10 || firmware_i2c_; }, now_ms);
  std::vector<uint8_t>& id = id_prom_->Bytes();
  if (scenario_.id_prom) {
    std::fill(id.begin(), id.end(), 0xFF);
    std::copy_n(scenario_.id_prom->begin(), std::min<size_t>(256, scenario_.id_prom->size()), id.begin());
  } else {
    std::fill(id.begin(), id.begin() + 31, 0);
    std::copy_n(scenario_.serial.begin(), std::min<size_t>(30, scenario_.serial.size()), id.begin());
    id[31] = scenario_.data_prom_type;
    for (auto& [mode, volts] : scenario_.pmt_words) {
      size_t at = static_cast<size_t>((4 * (mode + 50)) & 0xFF);
      id[at] = static_cast<uint8_t>(volts & 0xFF);
      id[(at + 1) & 0xFF] = static_cast<uint8_t>(volts >> 8);
    }
  }
  for (uint8_t address : {uint8_t{0xA2}, uint8_t{0xA4}, uint8_t{0xAA}}) {
    auto prom = std::make_shared<Prom>(65536, 2, nullptr, now_ms);
    auto it = scenario_.data_proms.find(address);
    if (it != scenario_.data_proms.end())
      std::copy_n(it->second.begin(), std::min<size_t>(65536, it->second.size()), prom->Bytes().begin());
    data_proms_[address] = prom;
    bus_.Attach(address, prom);
  }
  dac_adc_ = std::make_shared<DacAdc>([this](int channel) { return ConvertAdc(channel); });
  temp_ = std::make_shared<TempSensor>(
      [this] { return static_cast<int16_t>(std::lround(std::clamp(scenario_.laser_temp, -127.0, 127.0) * 256)); });
  bus_.Attach(0x90, dac_adc_);
  bus_.Attach(0x92, temp_);
  bus_.Attach(0xA0, spd_);
  bus_.Attach(0xA8, id_prom_);
  for (uint8_t address : scenario_.faults.i2c_absent) bus_.SetAbsent(address, true);
  for (auto& [address, count] : scenario_.faults.i2c_nack_first) bus_.NackNext(address, count);
  bad_checksum_reads_ = scenario_.faults.bad_checksum_reads;
  id_prom_->SetWriteCycleMs(scenario_.faults.idprom_write_cycle_ms);

  fpga_configured_ = scenario_.fpga_configured || scenario_.old_data.has_value();
  for (const Plate& p : scenario_.plates) plates_.push_back(PlateState{p});
  if (scenario_.old_data) LoadOldData();
}

// ---- time ----

void Scanner::Access() {
  uint64_t clock_us = platform::NowMs() * 1000 + offset_us_;
  if (clock_us + 1000000 < now_us_) {  // the clock was set back: keep our time monotonic
    offset_us_ += now_us_ - clock_us;
    clock_us = now_us_;
  }
  if (now_us_ < clock_us) now_us_ = clock_us;
  if (platform::IsVirtualClock()) {
    now_us_ += scenario_.access_cost_us;
    uint64_t want_ms = (now_us_ - offset_us_) / 1000;
    uint64_t have_ms = platform::NowMs();
    if (want_ms > have_ms) platform::AdvanceClock(want_ms - have_ms);
  }
  CatchUp(now_us_);
}

void Scanner::Update() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  uint64_t clock_us = platform::NowMs() * 1000 + offset_us_;
  if (now_us_ < clock_us) now_us_ = clock_us;
  CatchUp(now_us_);
}

void Scanner::CatchUp(uint64_t until_us) {
  uint32_t period = std::max<uint32_t>(1, scenario_.line_period_us);
  while (next_line_us_ <= until_us) {
    UpdateHighVoltage(next_line_us_);
    LineTick();
    next_line_us_ += period;
  }
  UpdateHighVoltage(until_us);
}

void Scanner::UpdateHighVoltage(uint64_t until_us) {
  if (until_us <= hv_time_us_) return;
  double dt = static_cast<double>(until_us - hv_time_us_) / 1e6;
  hv_time_us_ = until_us;
  if (regs_[reg::kHighVoltage] & reg::kHighVoltageOn) {
    hv_ = dac_adc_->Dac() * kDacVoltsPerCode;
  } else if (scenario_.hv_decay_volts_per_s > 0) {
    hv_ = std::max(0.0, hv_ - scenario_.hv_decay_volts_per_s * dt);
  }
}

double Scanner::HvGain() const {
  if (scenario_.nominal_hv > 0) return hv_ / scenario_.nominal_hv;
  return (regs_[reg::kHighVoltage] & reg::kHighVoltageOn) ? 1.0 : 0.0;
}

uint8_t Scanner::ConvertAdc(int channel) {
  UpdateHighVoltage(now_us_);
  double v = 0;
  switch (channel) {
    case 0: v = hv_ / 4.883; break;
    case 1: v = scenario_.supply_3v3 / 0.01953; break;
    case 2: v = scenario_.supply_5v / 0.02929; break;
    default: v = scenario_.supply_24v / 0.12793; break;
  }
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// ---- transport, plates, scan engine ----

int Scanner::MotorBits() const {
  uint8_t code = regs_[reg::kMotorMode];
  if ((code & 0x70) != 0x70) return 0;
  return code & 0x03;
}

bool Scanner::TransportArmed() const { return MotorBits() == 3; }

int Scanner::PlateRow(const PlateState& p) const {
  if (!p.inserted) return -1;
  int64_t row = p.travelled - scenario_.lead_lines;
  return (row >= 0 && row < p.plate.image.height) ? static_cast<int>(row) : -1;
}

void Scanner::UpdateTransport() {
  int bits = MotorBits();
  if (bits == 3 && !armed_once_) {
    armed_once_ = true;
    armed_at_us_ = next_line_us_;
    for (PlateState& p : plates_) p.due_us = armed_at_us_ + uint64_t{p.plate.at_ms} * 1000;
  }
  for (PlateState& p : plates_)
    if (armed_once_ && !p.inserted && next_line_us_ >= p.due_us) p.inserted = true;
  auto unfinished = [this](const PlateState& p) {
    return p.inserted && p.travelled < int64_t{scenario_.lead_lines} + p.plate.image.height + scenario_.stop_lines;
  };
  bool any = std::any_of(plates_.begin(), plates_.end(), unfinished);
  // Code bits 10 (motor mode 4) run the transport out: plates already drawn
  // in pass on; a plate that has not moved yet waits at the inlet.
  bool drawn_in = std::any_of(plates_.begin(), plates_.end(),
                              [&](const PlateState& p) { return unfinished(p) && p.travelled > 0; });
  bool moving = (bits == 3 && any) || bits == 1 || (bits == 2 && drawn_in);
  if (moving)
    for (PlateState& p : plates_)
      if (unfinished(p) && (bits != 2 || p.travelled > 0)) ++p.travelled;
  bool was_running = transport_running_;
  transport_running_ = moving;
  if (was_running && !moving) status_flags_ |= reg::kEventWaiting;
  uint8_t sensors = PlateSensors();
  if (sensors & ~last_sensors_) status_flags_ |= reg::kEventWaiting;
  last_sensors_ = sensors;
}

uint8_t Scanner::PlateSensors() {
  uint8_t sensors = 0;
  for (const PlateState& p : plates_)
    if (p.inserted && p.travelled < p.plate.image.height) sensors |= static_cast<uint8_t>(1u << (p.plate.slot & 3));
  return sensors;
}

bool Scanner::TransportRunning() { return transport_running_; }

void Scanner::LineTick() {
  UpdateTransport();
  bool run = regs_[reg::kRun] == 1 && (regs_[reg::kLaser] >> 6) != 0;
  if (!run) return;
  SampleLine();
  line_counter_ = (line_counter_ + 1) & 0xFFFFFF;
}

int64_t Scanner::BaseLevel() const {
  int s = (regs_[reg::kSamplesPerPixel] & 0x1F) + 1;
  double gain = HvGain();
  double level = static_cast<double>(scenario_.dark) * s;
  if (gain > 0) level += static_cast<double>(scenario_.ambient) * s * gain;
  if (s > 16) level /= 2;
  int64_t offset = Word(reg::kAdcOffsetLow);
  return static_cast<int64_t>(level) - offset;
}

void Scanner::MeasureLine() {
  int start = Word(reg::kCollectStartLow) + 5;
  int pixels = Word(reg::kPixelsLow);
  double gain = HvGain();
  bool laser = (regs_[reg::kLaser] & reg::kLaserModeBits) != 0;
  int64_t base = BaseLevel();

  line_values_.assign(static_cast<size_t>(pixels), static_cast<uint16_t>(std::clamp<int64_t>(base, 0, kMaxSample)));
  if (laser && gain > 0) {
    for (const PlateState& p : plates_) {
      int row = PlateRow(p);
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

void Scanner::SampleLine() {
  MeasureLine();
  EncodeLine(line_values_, Word(reg::kPixelsLow), Word(reg::kThresholdLow));
}

void Scanner::TestLineTrigger() {
  read_ptr_ = write_ptr_ = mark_ = 0;
  line_open_ = false;
  open_line_full_ = false;
  position_ = 0;
  test_line_armed_ = !test_line_armed_;
  if (test_line_armed_) return;
  MeasureLine();
  for (size_t j = 0; j + 1 < line_values_.size(); j += 2) EmitWord(Unit(line_values_[j], line_values_[j + 1]));
  position_ = static_cast<int>(line_values_.size() & ~size_t{1});
  line_open_ = true;
}

void Scanner::WriteTransferTestWords() {
  for (uint32_t i = 0; i < scenario_.transfer_test_words; ++i) EmitWord(transfer_word_++);
}

void Scanner::EncodeLine(const std::vector<uint16_t>& v, int pixels, uint16_t threshold) {
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
      EmitWord(Unit(kLineEnd, static_cast<uint16_t>(first_pixel)));
      position_ = first_pixel;
    }
  }
  for (auto [first, last] : runs) {
    int at = 2 * first;
    if (at > position_) EmitWord(Unit(kSkip, static_cast<uint16_t>(at - position_)));
    for (int j = first; j <= last; ++j) EmitWord(Unit(v[2 * j], v[2 * j + 1]));
    position_ = 2 * (last + 1);
  }
  line_open_ = true;
  open_line_full_ = full;
}

// ---- memory ----

uint32_t Scanner::MemRead(uint32_t index) const {
  auto it = pages_.find(index / kPageWords);
  return it == pages_.end() ? 0 : it->second[index % kPageWords];
}

void Scanner::MemWrite(uint32_t index, uint32_t value) {
  std::vector<uint32_t>& page = pages_[index / kPageWords];
  if (page.empty()) page.assign(kPageWords, 0);
  page[index % kPageWords] = value;
}

void Scanner::EmitWord(uint32_t word) {
  if (WordsWaiting() >= mem_words_ - 1) {
    ++dropped_words_;
    return;
  }
  MemWrite(write_ptr_, word);
  write_ptr_ = (write_ptr_ + 1) % mem_words_;
}

uint32_t Scanner::WordsWaiting() const { return (write_ptr_ + mem_words_ - read_ptr_) % mem_words_; }

void Scanner::LoadOldData() {
  const OldData& old = *scenario_.old_data;
  int lines = old.lines;
  if (lines <= 0) {
    int last = 0;
    for (const Plate& p : old.plates) last = std::max(last, static_cast<int>(p.at_ms) + p.image.height);
    lines = last + 4;
  }
  position_ = 0;
  line_open_ = false;
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
  if (line_open_) EmitWord(Unit(kLineEnd, static_cast<uint16_t>(old.pixels)));
  line_open_ = false;
  position_ = 0;
  mark_ = 0;
  read_ptr_ = std::min(old.read_offset_words, write_ptr_);
}

void Scanner::AppendMemory(const std::vector<uint32_t>& words) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (uint32_t w : words) EmitWord(w);
}

size_t Scanner::ReadMemory(uint32_t* words, size_t max_words, bool* refused) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  if (refused) *refused = !fpga_configured_;
  if (!fpga_configured_) {
    Trace(false, reg::kMemoryData, 32, 0, false);
    return 0;
  }
  size_t n = std::min<size_t>(max_words, WordsWaiting());
  for (size_t i = 0; i < n; ++i) {
    uint32_t w = MemRead(read_ptr_);
    checksum_ = static_cast<uint16_t>(checksum_ + (w & 0xFFFF) + (w >> 16));
    words[i] = w;
    read_ptr_ = (read_ptr_ + 1) % mem_words_;
  }
  if (n > 0 && bad_checksum_reads_ != 0) {
    words[n / 2] ^= 0x00000001;  // a bit lost on the way; the checksum register saw the true word
    if (bad_checksum_reads_ > 0) --bad_checksum_reads_;
  }
  Trace(false, reg::kMemoryData, 32, static_cast<uint32_t>(n), true);
  return n;
}

// ---- registers ----

void Scanner::Trace(bool write, int reg, int width, uint32_t value, bool ok) {
  if (!tracing_) return;
  if (trace_.size() >= trace_limit_)
    trace_.erase(trace_.begin(), trace_.begin() + static_cast<long>(trace_.size() / 2));
  trace_.push_back(RegisterAccess{now_us_, write, static_cast<uint8_t>(reg), static_cast<uint8_t>(width), value, ok});
}

uint8_t Scanner::LineCounterByte(int reg) {
  if (reg == reg::kLineCounterLow || reg == reg::kLineCounterHigh) {
    bool& seen = reg == reg::kLineCounterLow ? hold_read16_ : hold_read18_;
    if (!hold_valid_ || seen) {
      counter_hold_ = line_counter_;
      hold_valid_ = true;
      hold_read16_ = hold_read18_ = false;
    }
    (reg == reg::kLineCounterLow ? hold_read16_ : hold_read18_) = true;
    uint8_t b = static_cast<uint8_t>(counter_hold_ >> (reg == reg::kLineCounterLow ? 0 : 16));
    if (hold_read16_ && hold_read18_) hold_valid_ = false;  // the next 16 or 18 takes a new snapshot
    return b;
  }
  return static_cast<uint8_t>((hold_valid_ ? counter_hold_ : line_counter_) >> 8);
}

uint8_t Scanner::ReadByte(int reg) {
  switch (reg) {
    case reg::kLineCounterLow:
    case reg::kLineCounterMiddle:
    case reg::kLineCounterHigh: return LineCounterByte(reg);
    case reg::kFurtherStatus: return scenario_.status52;
    case reg::kI2cBus: return bus_.HostRead();
    case reg::kSlots: return PlateSensors();
    case reg::kStatus:
      sample_latch_ = static_cast<uint16_t>(std::clamp<int64_t>(BaseLevel(), 0, 0xFFFF));
      return static_cast<uint8_t>((transport_running_ ? reg::kTransportRunning : 0) | status_flags_);
    default: return regs_[reg & 0xFF];
  }
}

uint32_t Scanner::ReadWide(int reg, int width) {
  if (width == 32) {
    if (reg == reg::kReadPointer) return read_ptr_;
    if (reg == reg::kWordsWaiting) return WordsWaiting();
    if (reg == reg::kReadMark) return mark_;
  } else if (width == 16) {
    if (reg == reg::kBlockChecksum) return checksum_;
    if (reg == reg::kSampleSum) return sample_latch_;
  } else {
    return ReadByte(reg);
  }
  uint32_t v = 0;
  for (int i = 0; i < width / 8; ++i) v |= static_cast<uint32_t>(ReadByte((reg + i) & 0xFF)) << (8 * i);
  return v;
}

bool Scanner::ReadRegister(int reg, int width, uint32_t* value) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  if (!fpga_configured_ || reg < 0 || reg > 255) {
    *value = 0;
    Trace(false, reg, width, 0, false);
    return false;
  }
  *value = ReadWide(reg, width);
  Trace(false, reg, width, *value, true);
  return true;
}

void Scanner::ResetPulse() {
  line_counter_ = 0;
  hold_valid_ = false;
  hold_read16_ = hold_read18_ = false;
  read_ptr_ = write_ptr_ = mark_ = 0;
  line_open_ = false;
  open_line_full_ = false;
  position_ = 0;
}

void Scanner::WriteByte(int reg, uint8_t v) {
  uint8_t old = regs_[reg];
  switch (reg) {
    case reg::kBlockChecksum: checksum_ = 0; break;
    case reg::kReadMark: mark_ = read_ptr_; break;
    case reg::kI2cBus: bus_.HostWrite(v); break;
    case reg::kClockShift:
      if ((v & 2) && !(clock_last_ & 2)) {
        if (v & 4) {
          clock_word_ = clock_shift_ & 0x1FFF;
          ++clock_latches_;
        } else {
          clock_shift_ = ((clock_shift_ << 1) | (v & 1)) & 0x1FFF;
        }
      }
      clock_last_ = v;
      break;
    case reg::kHighVoltage:
      UpdateHighVoltage(now_us_);
      if ((v & reg::kResetPulse) && !(old & reg::kResetPulse)) ResetPulse();
      break;
    case reg::kStatus:
      if (v & reg::kEventWaiting) status_flags_ &= static_cast<uint8_t>(~reg::kEventWaiting);
      break;
    case reg::kTestLineTrigger:
      if (v == 1)
        TestLineTrigger();
      else
        test_line_armed_ = false;
      break;
    case reg::kActivate:
      if (v == 1) WriteTransferTestWords();
      break;
    default: break;
  }
  regs_[reg] = v;
  if (reg == reg::kHighVoltage) UpdateHighVoltage(now_us_ + 1);
}

bool Scanner::WriteRegister(int reg, int width, uint32_t value) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  if (!fpga_configured_ || reg < 0 || reg > 255) {
    Trace(true, reg, width, value, false);
    return false;
  }
  Trace(true, reg, width, value, true);
  if (width == 32 && reg == reg::kReadPointer) {
    read_ptr_ = value % mem_words_;
  } else if (width == 8) {
    WriteByte(reg, static_cast<uint8_t>(value));
  } else {
    for (int i = 0; i < width / 8; ++i) WriteByte((reg + i) & 0xFF, static_cast<uint8_t>(value >> (8 * i)));
  }
  return true;
}

// ---- FPGA ----

uint32_t Scanner::FpgaStatus() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  return (fpga_configured_ || scenario_.faults.fpga_status_stuck) ? kFpgaConfiguredBit : 0;
}

uint32_t Scanner::FpgaBeginConfiguration() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  if (scenario_.faults.fpga_status_stuck) return kFpgaConfiguredBit;
  fpga_configured_ = false;
  return 0;
}

uint32_t Scanner::FpgaDownload(const uint8_t* bytes, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  ++fpga_downloads_;
  if (!scenario_.faults.fpga_reject && IsAcceptableDesign(bytes, size)) fpga_configured_ = true;
  return fpga_configured_ ? kFpgaConfiguredBit : 0;
}

bool Scanner::FirmwareI2c(uint8_t address, const std::vector<uint8_t>& write, size_t read_count,
                          std::vector<uint8_t>* read) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  firmware_i2c_ = true;
  bool ok = bus_.Transfer(address, write, read_count, read);
  firmware_i2c_ = false;
  return ok;
}

uint32_t Scanner::FirmwareLineCount() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  return line_counter_ & 0xFFFFFF;
}

// ---- observation and control ----

std::vector<RegisterAccess> Scanner::Trace() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return trace_;
}

std::vector<RegisterAccess> Scanner::TraceOf(int reg, bool writes_only) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<RegisterAccess> out;
  for (const RegisterAccess& a : trace_)
    if (a.reg == reg && (a.write || !writes_only)) out.push_back(a);
  return out;
}

void Scanner::ClearTrace() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  trace_.clear();
}

void Scanner::SetTracing(bool on) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  tracing_ = on;
}

void Scanner::SetTraceLimits(size_t accesses, size_t transactions) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  trace_limit_ = accesses < 2 ? 2 : accesses;
  bus_.SetLogLimit(transactions);
}

std::vector<I2cTransaction> Scanner::I2cTransactions() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return bus_.Transactions();
}

void Scanner::ClearI2cTransactions() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  bus_.ClearTransactions();
}

uint8_t Scanner::RegisterByte(int reg) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return regs_[reg & 0xFF];
}

uint32_t Scanner::ClockWord() const { return clock_word_; }
int Scanner::ClockWordLatches() const { return clock_latches_; }
bool Scanner::FpgaConfigured() const { return fpga_configured_; }
int Scanner::FpgaDownloads() const { return fpga_downloads_; }
double Scanner::HighVoltage() {
  Update();
  return hv_;
}
uint8_t Scanner::DacCode() const { return dac_adc_->Dac(); }
int16_t Scanner::TempLimit() const { return temp_->Limit(); }
int16_t Scanner::TempHysteresis() const { return temp_->Hysteresis(); }
uint8_t Scanner::TempConfiguration() const { return temp_->Configuration(); }
uint32_t Scanner::ReadPointer() const { return read_ptr_; }
uint32_t Scanner::WritePointer() const { return write_ptr_; }
uint32_t Scanner::Mark() const { return mark_; }
uint32_t Scanner::MemoryWords() const { return mem_words_; }
uint32_t Scanner::LineCounter() const { return line_counter_; }

std::vector<uint8_t> Scanner::IdProm() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return id_prom_->Bytes();
}

std::vector<uint8_t> Scanner::PromBytes(uint8_t address) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (address == 0xA8) return id_prom_->Bytes();
  if (address == 0xA0) return spd_->Bytes();
  auto it = data_proms_.find(address);
  return it == data_proms_.end() ? std::vector<uint8_t>{} : it->second->Bytes();
}

void Scanner::SetLaserTemperature(double celsius) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  scenario_.laser_temp = celsius;
}
void Scanner::SetAmbient(uint16_t per_sample) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  scenario_.ambient = per_sample;
}
void Scanner::SetTempSensorAbsent(bool absent) { SetI2cAbsent(0x92, absent); }
void Scanner::SetI2cAbsent(uint8_t address, bool absent) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  bus_.SetAbsent(address, absent);
}
void Scanner::NackNext(uint8_t address, int count) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  bus_.NackNext(address, count);
}
void Scanner::SetIdPromWriteCycleMs(uint32_t ms) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  id_prom_->SetWriteCycleMs(ms);
}
void Scanner::SetBadChecksumReads(int count) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  bad_checksum_reads_ = count;
}
void Scanner::SetStatus52(uint8_t value) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  scenario_.status52 = value;
}

void Scanner::AddPlate(Plate plate) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  PlateState p{std::move(plate)};
  if (armed_once_) p.due_us = std::max(now_us_, next_line_us_) + uint64_t{p.plate.at_ms} * 1000;
  plates_.push_back(std::move(p));
}

}  // namespace sim
