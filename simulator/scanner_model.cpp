#include "simulator/scanner_model.h"

#include <algorithm>

#include "platform/scanner_register_map.h"

namespace sim {

namespace reg = platform::reg;

Scanner::Scanner(Scenario scenario)
    : scenario_(std::move(scenario)),
      time_(scenario_),
      next_line_us_(time_.Now()),
      i2c_(
          scenario_, registers_, [this] { return time_.Now() / 1000; },
          [this](int channel) { return ConvertAdc(channel); }),
      memory_(MemoryRing::WordsFor(i2c_.Spd()), scenario_.faults.bad_checksum_reads),
      fpga_(scenario_.faults, scenario_.fpga_configured || scenario_.old_data.has_value()),
      hv_(scenario_, registers_, time_.Now()),
      transport_(scenario_, registers_),
      engine_(scenario_, registers_, hv_, transport_, memory_) {
  if (scenario_.old_data) engine_.LoadOldData(*scenario_.old_data);
}

// ---- time ----

void Scanner::Access() {
  time_.Access();
  CatchUp(time_.Now());
}

void Scanner::Update() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  time_.Follow();
  CatchUp(time_.Now());
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

void Scanner::LineTick() {
  transport_.Tick(next_line_us_);
  bool run = registers_.Byte(reg::kRun) == 1 && (registers_.Byte(reg::kLaser) >> 6) != 0;
  if (!run) return;
  engine_.ScanLine();
  line_counter_.Count();
}

void Scanner::UpdateHighVoltage(uint64_t until_us) { hv_.Update(until_us, i2c_.DacCode()); }

uint8_t Scanner::ConvertAdc(int channel) {
  UpdateHighVoltage(time_.Now());
  return hv_.Reading(channel);
}

// ---- registers ----

void Scanner::Trace(bool write, int reg, int width, uint32_t value, bool ok) {
  trace_.Record(RegisterAccess{time_.Now(), write, static_cast<uint8_t>(reg), static_cast<uint8_t>(width), value, ok});
}

uint8_t Scanner::ReadByte(int reg) {
  switch (reg) {
    case reg::kLineCounterLow:
    case reg::kLineCounterMiddle:
    case reg::kLineCounterHigh: return line_counter_.ReadByte(reg);
    case reg::kFurtherStatus: return scenario_.status52;
    case reg::kI2cBus: return i2c_.Bus().HostRead();
    case reg::kSlots: return transport_.Sensors();
    case reg::kStatus: engine_.LatchSampleSum(); return transport_.Status();
    default: return registers_.Byte(reg);
  }
}

uint32_t Scanner::ReadWide(int reg, int width) {
  if (width == 32) {
    if (reg == reg::kReadPointer) return memory_.ReadPointer();
    if (reg == reg::kWordsWaiting) return memory_.Waiting();
    if (reg == reg::kReadMark) return memory_.Mark();
  } else if (width == 16) {
    if (reg == reg::kBlockChecksum) return memory_.Checksum();
    if (reg == reg::kSampleSum) return engine_.SampleSum();
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
  if (!fpga_.Configured() || reg < 0 || reg > 255) {
    *value = 0;
    Trace(false, reg, width, 0, false);
    return false;
  }
  *value = ReadWide(reg, width);
  Trace(false, reg, width, *value, true);
  return true;
}

void Scanner::ResetPulse() {
  line_counter_.Reset();
  memory_.Empty();
  engine_.Restart();
}

void Scanner::WriteByte(int reg, uint8_t v) {
  uint8_t old = registers_.Byte(reg);
  switch (reg) {
    case reg::kBlockChecksum: memory_.ClearChecksum(); break;
    case reg::kReadMark: memory_.MarkReadPointer(); break;
    case reg::kI2cBus: i2c_.Bus().HostWrite(v); break;
    case reg::kClockShift: clock_word_.Write(v); break;
    case reg::kHighVoltage:
      UpdateHighVoltage(time_.Now());
      if ((v & reg::kResetPulse) && !(old & reg::kResetPulse)) ResetPulse();
      break;
    case reg::kStatus:
      if (v & reg::kEventWaiting) transport_.AcknowledgeEvent();
      break;
    case reg::kTestLineTrigger:
      if (v == 1)
        engine_.TriggerTestLine();
      else
        engine_.DisarmTestLine();
      break;
    case reg::kActivate:
      if (v == 1) engine_.WriteTransferTestWords();
      break;
    default: break;
  }
  registers_.Set(reg, v);
  if (reg == reg::kHighVoltage) UpdateHighVoltage(time_.Now() + 1);
}

bool Scanner::WriteRegister(int reg, int width, uint32_t value) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  if (!fpga_.Configured() || reg < 0 || reg > 255) {
    Trace(true, reg, width, value, false);
    return false;
  }
  Trace(true, reg, width, value, true);
  if (width == 32 && reg == reg::kReadPointer) {
    memory_.SetReadPointer(value);
  } else if (width == 8) {
    WriteByte(reg, static_cast<uint8_t>(value));
  } else {
    for (int i = 0; i < width / 8; ++i) WriteByte((reg + i) & 0xFF, static_cast<uint8_t>(value >> (8 * i)));
  }
  return true;
}

// ---- memory data port ----

size_t Scanner::ReadMemory(uint32_t* words, size_t max_words, bool* refused) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  if (refused) *refused = !fpga_.Configured();
  if (!fpga_.Configured()) {
    Trace(false, reg::kMemoryData, 32, 0, false);
    return 0;
  }
  size_t n = memory_.Read(words, max_words);
  Trace(false, reg::kMemoryData, 32, static_cast<uint32_t>(n), true);
  return n;
}

size_t Scanner::ReadWaitingMemory(uint32_t* words, size_t max_words, bool* refused) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  *refused = false;
  return memory_.Waiting() == 0 ? 0 : ReadMemory(words, max_words, refused);
}

void Scanner::AppendMemory(const std::vector<uint32_t>& words) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (uint32_t w : words) memory_.Append(w);
}

// ---- FPGA ----

uint32_t Scanner::FpgaStatus() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  return fpga_.Status();
}

uint32_t Scanner::FpgaBeginConfiguration() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  return fpga_.BeginConfiguration();
}

uint32_t Scanner::FpgaDownload(const uint8_t* bytes, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  return fpga_.Download(bytes, size);
}

// ---- firmware ----

bool Scanner::FirmwareI2c(uint8_t address, const std::vector<uint8_t>& write, size_t read_count,
                          std::vector<uint8_t>* read) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  return i2c_.FirmwareTransfer(address, write, read_count, read);
}

uint32_t Scanner::FirmwareLineCount() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Access();
  return line_counter_.Value() & 0xFFFFFF;
}

// ---- observation and control ----

std::vector<RegisterAccess> Scanner::Trace() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return trace_.All();
}

std::vector<RegisterAccess> Scanner::TraceOf(int reg, bool writes_only) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return trace_.Of(reg, writes_only);
}

void Scanner::ClearTrace() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  trace_.Clear();
}

void Scanner::SetTracing(bool on) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  trace_.SetEnabled(on);
}

void Scanner::SetTraceLimits(size_t accesses, size_t transactions) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  trace_.SetLimit(accesses);
  i2c_.Bus().SetLogLimit(transactions);
}

std::vector<I2cTransaction> Scanner::I2cTransactions() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return i2c_.Bus().Transactions();
}

void Scanner::ClearI2cTransactions() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  i2c_.Bus().ClearTransactions();
}

uint8_t Scanner::RegisterByte(int reg) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return registers_.Byte(reg);
}

// The getters take the model's lock as the bus does: the USB front end's bus
// thread and the tests read them while other threads drive the model (lock
// order: a front end's own lock first, then this one).
uint32_t Scanner::ClockWord() const { return Locked([&] { return clock_word_.Word(); }); }
int Scanner::ClockWordLatches() const { return Locked([&] { return clock_word_.Latches(); }); }
bool Scanner::FpgaConfigured() const { return Locked([&] { return fpga_.Configured(); }); }
int Scanner::FpgaDownloads() const { return Locked([&] { return fpga_.Downloads(); }); }
double Scanner::HighVoltage() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Update();
  return hv_.Volts();
}
uint8_t Scanner::DacCode() const { return Locked([&] { return i2c_.DacCode(); }); }
int16_t Scanner::TempLimit() const { return Locked([&] { return i2c_.Temperature().Limit(); }); }
int16_t Scanner::TempHysteresis() const { return Locked([&] { return i2c_.Temperature().Hysteresis(); }); }
uint8_t Scanner::TempConfiguration() const { return Locked([&] { return i2c_.Temperature().Configuration(); }); }
uint32_t Scanner::ReadPointer() const { return Locked([&] { return memory_.ReadPointer(); }); }
uint32_t Scanner::WritePointer() const { return Locked([&] { return memory_.WritePointer(); }); }
uint32_t Scanner::WordsWaiting() const { return Locked([&] { return memory_.Waiting(); }); }
uint32_t Scanner::MemoryWords() const { return Locked([&] { return memory_.Words(); }); }
uint32_t Scanner::LineCounter() const { return Locked([&] { return line_counter_.Value(); }); }
bool Scanner::TransportRunning() { return Locked([&] { return transport_.Running(); }); }

std::vector<uint8_t> Scanner::IdProm() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return i2c_.IdProm();
}

std::vector<uint8_t> Scanner::PromBytes(uint8_t address) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return i2c_.PromBytes(address);
}

void Scanner::SetLaserTemperature(double celsius) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  scenario_.laser_temp = celsius;
}
void Scanner::SetAmbient(uint16_t per_sample) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  scenario_.ambient = per_sample;
}
void Scanner::SetI2cAbsent(uint8_t address, bool absent) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  i2c_.Bus().SetAbsent(address, absent);
}
void Scanner::NackNext(uint8_t address, int count) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  i2c_.Bus().NackNext(address, count);
}
void Scanner::SetIdPromWriteCycleMs(uint32_t ms) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  i2c_.SetIdPromWriteCycleMs(ms);
}
void Scanner::SetBadChecksumReads(int count) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  memory_.SetBadChecksumReads(count);
}
void Scanner::SetStatus52(uint8_t value) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  scenario_.status52 = value;
}

void Scanner::AddPlate(Plate plate) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  transport_.AddPlate(std::move(plate), std::max(time_.Now(), next_line_us_));
}

}  // namespace sim
