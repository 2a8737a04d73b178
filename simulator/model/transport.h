#pragma once
#include <cstdint>
#include <vector>

#include "simulator/model/register_file.h"
#include "simulator/scenario.h"

// Motors, transport and plate sensors. The motor code in register 163
// arms the transport, runs it or runs it out; plates are inserted once it is
// armed and move one line a line period while it runs. Sets the event bit of
// register 248 when a sensor comes on and when the transport stops.
namespace sim {

struct PlateInTransport {
  Plate plate;
  bool inserted = false;
  uint64_t due_us = 0;  // insertion time once the transport is armed
  int64_t travelled = 0;  // lines moved since insertion
};

class Transport {
 public:
  Transport(const Scenario& scenario, const RegisterFile& registers);

  // One line period, at the line's time.
  void Tick(uint64_t line_us);
  // A plate whose `at_ms` counts from `from_us` when the transport is armed
  // already, else from the arming.
  void AddPlate(Plate plate, uint64_t from_us);

  // Register 248's transport bits: running, event.
  uint8_t Status() const;
  void AcknowledgeEvent();
  uint8_t Sensors() const;  // bit i: slot i covered
  bool Running() const { return running_; }
  const std::vector<PlateInTransport>& Plates() const { return plates_; }
  // The plate's row under the scan line, or -1.
  int RowUnderScanLine(const PlateInTransport& p) const;

 private:
  int MotorBits() const;

  const Scenario& scenario_;
  const RegisterFile& registers_;
  std::vector<PlateInTransport> plates_;
  bool armed_once_ = false;
  uint64_t armed_at_us_ = 0;
  bool running_ = false;
  uint8_t event_ = 0;  // register 248 bit 3
  uint8_t last_sensors_ = 0;
};

}  // namespace sim
