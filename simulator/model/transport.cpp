#include "simulator/model/transport.h"

#include <algorithm>

#include "platform/scanner_register_map.h"

namespace sim {

namespace reg = platform::reg;

Transport::Transport(const Scenario& scenario, const RegisterFile& registers)
    : scenario_(scenario), registers_(registers) {
  for (const Plate& p : scenario.plates) plates_.push_back(PlateInTransport{p});
}

int Transport::MotorBits() const {
  uint8_t code = registers_.Byte(reg::kMotorMode);
  if ((code & 0x70) != 0x70) return 0;
  return code & 0x03;
}

int Transport::RowUnderScanLine(const PlateInTransport& p) const {
  if (!p.inserted) return -1;
  int64_t row = p.travelled - scenario_.lead_lines;
  return (row >= 0 && row < p.plate.image.height) ? static_cast<int>(row) : -1;
}

void Transport::Tick(uint64_t line_us) {
  int bits = MotorBits();
  if (bits == 3 && !armed_once_) {
    armed_once_ = true;
    armed_at_us_ = line_us;
    for (PlateInTransport& p : plates_) p.due_us = armed_at_us_ + uint64_t{p.plate.at_ms} * 1000;
  }
  for (PlateInTransport& p : plates_)
    if (armed_once_ && !p.inserted && line_us >= p.due_us) p.inserted = true;
  auto unfinished = [this](const PlateInTransport& p) {
    return p.inserted && p.travelled < int64_t{scenario_.lead_lines} + p.plate.image.height + scenario_.stop_lines;
  };
  bool any = std::any_of(plates_.begin(), plates_.end(), unfinished);
  // Code bits 10 (motor mode 4) run the transport out: plates already drawn
  // in pass on; a plate that has not moved yet waits at the inlet.
  bool drawn_in = std::any_of(plates_.begin(), plates_.end(),
                              [&](const PlateInTransport& p) { return unfinished(p) && p.travelled > 0; });
  bool moving = (bits == 3 && any) || bits == 1 || (bits == 2 && drawn_in);
  if (moving)
    for (PlateInTransport& p : plates_)
      if (unfinished(p) && (bits != 2 || p.travelled > 0)) ++p.travelled;
  bool was_running = running_;
  running_ = moving;
  if (was_running && !moving) event_ |= reg::kEventWaiting;
  uint8_t sensors = Sensors();
  if (sensors & ~last_sensors_) event_ |= reg::kEventWaiting;
  last_sensors_ = sensors;
}

void Transport::AddPlate(Plate plate, uint64_t from_us) {
  PlateInTransport p{std::move(plate)};
  if (armed_once_) p.due_us = from_us + uint64_t{p.plate.at_ms} * 1000;
  plates_.push_back(std::move(p));
}

uint8_t Transport::Status() const { return static_cast<uint8_t>((running_ ? reg::kTransportRunning : 0) | event_); }

void Transport::AcknowledgeEvent() { event_ &= static_cast<uint8_t>(~reg::kEventWaiting); }

uint8_t Transport::Sensors() const {
  uint8_t sensors = 0;
  for (const PlateInTransport& p : plates_)
    if (p.inserted && p.travelled < p.plate.image.height) sensors |= static_cast<uint8_t>(1u << (p.plate.slot & 3));
  return sensors;
}

}  // namespace sim
