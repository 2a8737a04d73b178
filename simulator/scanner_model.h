#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "simulator/i2c_bus.h"
#include "simulator/scenario.h"

// The simulated scanner's hardware, independent of the interface it is
// reached through: register file, scanner memory ring, I2C bus and devices,
// FPGA configuration, high voltage, temperature, light, motors, transport,
// plate sensors, line counter and the scan engine. simulator/README.md
// describes the behaviour.
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

// FPGA status word bits (0x222020, 0x222024, 0x222028 answers).
constexpr uint32_t kFpgaConfiguredBit = 0x10;

// Our design format, checked by the FPGA: "VXFPGA01", u32 payload length,
// u32 sum of the payload bytes, the payload; anything after it must be zero.
bool IsAcceptableDesign(const uint8_t* bytes, size_t size);

class Scanner {
 public:
  explicit Scanner(Scenario scenario);

  // ---- bus (every call is one bus access and moves time on) ----
  // False when refused: the FPGA is not configured.
  bool ReadRegister(int reg, int width, uint32_t* value);
  bool WriteRegister(int reg, int width, uint32_t value);
  // The memory data port: up to max_words words from the read pointer (only
  // words waiting are delivered); advances the pointer and adds the 16-bit
  // halves to the checksum register. Returns the words delivered; *refused
  // (when given) is set when the FPGA is not configured (nothing delivered).
  size_t ReadMemory(uint32_t* words, size_t max_words, bool* refused = nullptr);
  // FPGA: status; starting a configuration (clears the FPGA; returns the
  // status after); a download (returns the status after).
  uint32_t FpgaStatus();
  uint32_t FpgaBeginConfiguration();
  uint32_t FpgaDownload(const uint8_t* bytes, size_t size);

  // ---- the scanner's firmware (the USB front end): one bus access each ----
  // I2C through the firmware's own master (no register-128 traffic); writes
  // to the ID PROM need no write enable. False: not acknowledged.
  bool FirmwareI2c(uint8_t address, const std::vector<uint8_t>& write, size_t read_count, std::vector<uint8_t>* read);
  // The running line counter (24 bits), read whole.
  uint32_t FirmwareLineCount();

  // ---- observation, for tests (no bus access, no time) ----
  std::vector<RegisterAccess> Trace() const;
  // Accesses of one register (optionally only writes).
  std::vector<RegisterAccess> TraceOf(int reg, bool writes_only = false) const;
  void ClearTrace();
  std::vector<I2cTransaction> I2cTransactions() const;
  void ClearI2cTransactions();
  // The byte state of a register as last written (or computed for status
  // registers), without a trace entry.
  uint8_t RegisterByte(int reg) const;
  uint32_t ClockWord() const;  // last latched 13-bit word
  int ClockWordLatches() const;
  bool FpgaConfigured() const;
  int FpgaDownloads() const;
  double HighVoltage();  // volts, now
  uint8_t DacCode() const;
  int16_t TempLimit() const;  // over-temperature limit, 8.8
  int16_t TempHysteresis() const;
  uint8_t TempConfiguration() const;
  uint32_t ReadPointer() const;
  uint32_t WritePointer() const;
  uint32_t Mark() const;
  uint32_t WordsWaiting() const;
  uint32_t MemoryWords() const;  // ring size
  uint32_t LineCounter() const;
  uint8_t PlateSensors();
  bool TransportRunning();
  std::vector<uint8_t> IdProm() const;
  std::vector<uint8_t> PromBytes(uint8_t address) const;
  uint64_t NowUs() const { return now_us_; }

  // ---- test control ----
  void SetLaserTemperature(double celsius);
  void SetAmbient(uint16_t per_sample);
  void SetTempSensorAbsent(bool absent);
  void SetI2cAbsent(uint8_t address, bool absent);
  void NackNext(uint8_t address, int count);
  void SetIdPromWriteCycleMs(uint32_t ms);
  void SetBadChecksumReads(int count);  // -1: every read
  void SetStatus52(uint8_t value);
  void SetTracing(bool on);
  // The register trace and the I2C log keep the most recent entries: when
  // one holds its limit, its older half is dropped (defaults 4194304
  // accesses and 262144 transactions), so a long session stays bounded.
  void SetTraceLimits(size_t accesses, size_t transactions);
  // Adds a plate (at_ms counts from when the transport was armed; when it
  // is armed already, from now).
  void AddPlate(Plate plate);
  // Words into the memory at the write pointer (as if scanned).
  void AppendMemory(const std::vector<uint32_t>& words);
  // Lets the model catch up with the clock without a bus access.
  void Update();

  Scenario& scenario() { return scenario_; }
  std::recursive_mutex& mutex() const { return mutex_; }

 private:
  struct PlateState {
    Plate plate;
    bool inserted = false;
    uint64_t due_us = 0;  // insertion time once the transport is armed
    int64_t travelled = 0;  // lines moved since insertion
  };

  void Access();  // one bus access: time and catch-up
  void CatchUp(uint64_t until_us);
  void LineTick();
  void SampleLine();
  // The current line's converter sums under the programmed geometry (every
  // pixel, before the threshold) into line_values_.
  void MeasureLine();
  // Register 196 := 1: the memory is emptied; the first such write arms the
  // capture, the next one writes the current line whole (every pair, no
  // threshold), left open like a scanned line.
  void TestLineTrigger();
  // Register 5 := 1: `transfer_test_words` counting words at the write pointer.
  void WriteTransferTestWords();
  // Sends one scanned line of pixel values: the previous line's end marker
  // (with this line's first lit pixel), skips and sample pairs of the lit
  // pairs (value above the threshold).
  void EncodeLine(const std::vector<uint16_t>& values, int pixels, uint16_t threshold);
  int PlateRow(const PlateState& p) const;
  void EmitWord(uint32_t word);
  uint32_t ReadWide(int reg, int width);
  uint8_t ReadByte(int reg);
  void WriteByte(int reg, uint8_t value);
  void Trace(bool write, int reg, int width, uint32_t value, bool ok);
  void ResetPulse();
  void UpdateHighVoltage(uint64_t until_us);
  double HvGain() const;
  // The converter sum without a plate (dark and ambient, minus the offset).
  int64_t BaseLevel() const;
  bool TransportArmed() const;
  int MotorBits() const;
  void UpdateTransport();
  uint32_t MemRead(uint32_t index) const;
  void MemWrite(uint32_t index, uint32_t value);
  void LoadOldData();
  uint8_t ConvertAdc(int channel);
  uint8_t LineCounterByte(int reg);
  // The 16-bit value of registers low and low + 1.
  uint16_t Word(int low) const { return static_cast<uint16_t>(regs_[low] | (regs_[low + 1] << 8)); }

  Scenario scenario_;
  mutable std::recursive_mutex mutex_;
  uint64_t now_us_ = 0;
  uint64_t next_line_us_ = 0;
  uint8_t regs_[256] = {};
  std::vector<RegisterAccess> trace_;
  bool tracing_ = true;
  size_t trace_limit_ = size_t{1} << 22;
  uint64_t offset_us_ = 0;  // model time minus platform clock time

  // memory ring (sparse pages of 32-bit words)
  uint32_t mem_words_ = 0;
  std::unordered_map<uint32_t, std::vector<uint32_t>> pages_;
  uint32_t read_ptr_ = 0, write_ptr_ = 0, mark_ = 0;
  uint16_t checksum_ = 0;
  uint64_t dropped_words_ = 0;
  int bad_checksum_reads_ = 0;

  // line counter with the latch that keeps multi-byte reads whole
  uint32_t line_counter_ = 0;
  uint32_t counter_hold_ = 0;
  bool hold_valid_ = false;
  bool hold_read16_ = false, hold_read18_ = false;

  // scan engine
  bool line_open_ = false;  // a line's data sent, its end marker not yet
  bool open_line_full_ = false;  // that line was lit across every pair
  int position_ = 0;  // pixel index the stream stands at
  std::vector<uint16_t> line_values_;
  uint32_t transfer_word_ = 0;  // next word of the transfer-test count
  bool test_line_armed_ = false;  // register 196 was set to 1 once

  // transport and plates
  std::vector<PlateState> plates_;
  bool armed_once_ = false;
  uint64_t armed_at_us_ = 0;
  bool transport_running_ = false;
  uint8_t status_flags_ = 0;  // register 248 bit 3 (event)
  uint8_t last_sensors_ = 0;

  // high voltage, converter
  double hv_ = 0;
  uint64_t hv_time_us_ = 0;
  uint16_t sample_latch_ = 0;

  // clock word shift register
  uint32_t clock_shift_ = 0;
  uint32_t clock_word_ = 0;
  int clock_latches_ = 0;
  uint8_t clock_last_ = 0;

  bool firmware_i2c_ = false;  // the firmware writes the ID PROM without enable

  // FPGA
  bool fpga_configured_ = false;
  int fpga_downloads_ = 0;

  // I2C
  I2cBus bus_;
  std::shared_ptr<Prom> id_prom_, spd_;
  std::map<uint8_t, std::shared_ptr<Prom>> data_proms_;
  std::shared_ptr<DacAdc> dac_adc_;
  std::shared_ptr<TempSensor> temp_;
};

}  // namespace sim
