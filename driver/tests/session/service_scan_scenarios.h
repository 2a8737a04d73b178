#pragma once
// The service scan's scenarios on the simulated scanner (a plate passing
// slot 1, and the ways the scan fails) with the state each leaves, shared by
// the session's test and the service command's.
#include <functional>
#include <vector>

#include "driver/tests/session/session_fixture.h"

namespace sessiontest {

constexpr int kServiceScanPitchNm = 50000;
constexpr int kServiceScanSeconds = 20;

class ServiceScanScenarios : public SessionTest {
 protected:
  // Scan-line position of the first sampled pixel for slot 1 (k = 2):
  // Strt_Pix - 75 S - offset with S 12 and offset -28125.
  static constexpr int kSampleStart = 14583 - 900 + 28125;
  // Plate values scale with HV / 600 V (HV as the 8-bit DAC sets it): the
  // mean stays below 2700 x 12 up to DAC code 199; the halving search stops
  // at 976 V (code 199).
  static constexpr int kFoundVolts = 976;

  struct Rest {
    uint8_t slot_outputs, high_voltage, laser_run, motor;
  };
  struct Failure {
    const char* what;
    std::function<void()> arrange;  // the scenario, before the open
    std::function<void()> before;  // on the open session, before the scan
    int result;
    Rest rest;
  };

  sim::Plate SlotOnePlate(int height) const {
    sim::Plate p;
    p.slot = 1;
    p.at_ms = 100;
    p.position = kSampleStart - 10;
    p.image = sim::FlatPlate(200, height, 20000);
    return p;
  }
  // The plate whose voltage the scan finds (kFoundVolts).
  void ArrangeFoundVoltage() {
    scenario.nominal_hv = 600;
    scenario.plates = {SlotOnePlate(6000)};
  }
  Rest State() const {
    return {scanner->RegisterByte(144), static_cast<uint8_t>(scanner->RegisterByte(240) & 0x08),
            static_cast<uint8_t>(scanner->RegisterByte(176) & 0xF0),
            static_cast<uint8_t>(scanner->RegisterByte(163) & 0x73)};
  }
  void ExpectRest(const Rest& want) const {
    const Rest r = State();
    EXPECT_EQ(r.slot_outputs, want.slot_outputs);
    EXPECT_EQ(r.high_voltage, want.high_voltage);
    EXPECT_EQ(r.laser_run, want.laser_run);
    EXPECT_EQ(r.motor, want.motor);
  }

  std::vector<Failure> Failures() {
    return {
        {"plate already in slot 1",
         [this] {
           sim::Plate p = SlotOnePlate(3000);
           p.at_ms = 0;
           scenario.plates = {p};
         },
         [this] {
           ASSERT_EQ(Aktivate_Scanner(), 0);
           PollUntil([](int s) { return (s & 0x0200) != 0; }, 1000);
           ASSERT_EQ(Deaktivate_Scanner(), 0);
         },
         -1009,
         {0x55 & 0x3C, 0, 0, 0}},
        {"too bright down to 500 V", [this] { scenario.ambient = 1000; }, nullptr, -10000, {0x55 & 0x3C, 0, 0, 0}},
        {"no plate in time", nullptr, nullptr, -1011, {0, 0, 0, 0x73}},
        {"transport stops while lines are awaited",
         [this] { scenario.plates = {SlotOnePlate(60)}; },
         nullptr,
         -1011,
         {0xAA & 0x3C, 0, 0, 0}},
    };
  }
};

}  // namespace sessiontest
