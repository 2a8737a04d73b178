#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

#include "simulator/i2c_bus.h"
#include "simulator/model/access_trace.h"
#include "simulator/model/clock_word.h"
#include "simulator/model/fpga.h"
#include "simulator/model/high_voltage.h"
#include "simulator/model/i2c_devices.h"
#include "simulator/model/line_counter.h"
#include "simulator/model/memory_ring.h"
#include "simulator/model/model_time.h"
#include "simulator/model/register_file.h"
#include "simulator/model/scan_engine.h"
#include "simulator/model/transport.h"
#include "simulator/scenario.h"

// The simulated scanner's hardware, independent of the interface it is
// reached through. Scanner is the bus the front ends and tests reach it by:
// it takes the lock, moves the model's time on, and hands each register to
// the part that answers it (simulator/model/: register file, memory ring,
// I2C devices, FPGA, high voltage, transport, line counter, clock word, scan
// engine, trace). simulator/README.md describes the behaviour.
namespace sim {

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
  // A bulk transfer's read of the data port: none (no bus access, 0) while
  // no word waits, else as ReadMemory.
  size_t ReadWaitingMemory(uint32_t* words, size_t max_words, bool* refused);
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
  uint32_t WordsWaiting() const;
  uint32_t MemoryWords() const;  // ring size
  uint32_t LineCounter() const;
  bool TransportRunning();
  std::vector<uint8_t> IdProm() const;
  std::vector<uint8_t> PromBytes(uint8_t address) const;

  // ---- test control ----
  void SetLaserTemperature(double celsius);
  void SetAmbient(uint16_t per_sample);
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

  // What the scanner was built from, with the test controls' changes.
  const Scenario& scenario() const { return scenario_; }

 private:
  template <typename Get>
  auto Locked(Get get) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return get();
  }
  void Access();  // one bus access: time and catch-up
  void CatchUp(uint64_t until_us);
  void LineTick();
  void UpdateHighVoltage(uint64_t until_us);
  uint8_t ConvertAdc(int channel);
  uint32_t ReadWide(int reg, int width);
  uint8_t ReadByte(int reg);
  void WriteByte(int reg, uint8_t value);
  void Trace(bool write, int reg, int width, uint32_t value, bool ok);
  void ResetPulse();

  Scenario scenario_;
  mutable std::recursive_mutex mutex_;
  ModelTime time_;
  uint64_t next_line_us_;
  RegisterFile registers_;
  AccessTrace trace_;
  I2cDevices i2c_;
  MemoryRing memory_;
  Fpga fpga_;
  sim::HighVoltage hv_;
  Transport transport_;
  sim::LineCounter line_counter_;
  ClockWordRegister clock_word_;
  ScanEngine engine_;
};

}  // namespace sim
