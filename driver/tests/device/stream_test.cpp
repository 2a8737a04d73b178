// End to end: a plate in the simulated scanner comes back through the
// device object's block reads as scan-data lines holding its pixels.
#include <map>

#include "driver/tests/device/sim_fixture.h"

using devtest::SimDeviceTest;

namespace {

class Stream : public SimDeviceTest {
 protected:
  // Reads blocks of at most `piece` bytes until the transport has stopped
  // and nothing waits; returns the 16-bit words.
  std::vector<uint16_t> Collect(uint32_t piece) {
    std::vector<uint16_t> words;
    std::vector<uint8_t> buffer(piece);
    bool seen_running = false;
    for (int polls = 0; polls < 100000; ++polls) {
      bool running = device->Scan_TransportRunning();
      seen_running = seen_running || running;
      uint32_t count = 0;
      EXPECT_EQ(device->Transport().Dev_ReadBlock(buffer.data(), piece, &count), 0);
      for (uint32_t i = 0; i + 1 < count; i += 2)
        words.push_back(static_cast<uint16_t>(buffer[i] | (buffer[i + 1] << 8)));
      if (count == 0) {
        if (seen_running && !running) break;
        platform::Sleep(1);
      }
    }
    return words;
  }
};

TEST_F(Stream, PlateComesBackThroughBlockReads) {
  const int start = 14583, pixels = 6320;
  sim::PlateImage image = sim::NoisePlate(300, 120, 2000, 40000, 11);
  sim::Plate plate;
  plate.slot = 1;
  plate.at_ms = 30;
  plate.position = start + 1000;
  plate.image = image;
  scenario.plates.push_back(plate);
  scenario.lead_lines = 25;
  Start();
  ASSERT_EQ(device->Scan_SetGeometry(12, 500, start, pixels, 4965), 0);
  device->Dev_PulseReset();
  device->Scan_SetHighVoltage(1);
  device->Scan_SetMotorMode(2);
  device->Scan_SetLaserMode(2);
  device->Scan_SetRun(2);

  for (uint32_t piece : {40960u, 4u, 1000u}) {
    SCOPED_TRACE(piece);
    if (piece != 40960u) {  // the same plate again, read in other pieces
      device->Scan_SetRun(0);
      device->Dev_PulseReset();
      plate.at_ms = 0;
      scanner->AddPlate(plate);
      device->Scan_SetRun(2);
    }
    std::vector<uint16_t> words = Collect(piece);
    // Walk the stream: x from 0, skips add, line ends restart x.
    std::map<int, std::map<int, uint16_t>> lines;  // line -> x -> value
    int line = 0, x = 0;
    for (size_t j = 0; j + 1 < words.size(); j += 2) {
      uint16_t a = words[j], b = words[j + 1];
      if (a <= 0xFFF0) {
        lines[line][x] = a;
        lines[line][x + 1] = b;
        x += 2;
      } else if (a == 0xFFFE) {
        ++line;
        x = b;
      } else {
        x += b;
      }
    }
    ASSERT_EQ(lines.size(), 120u);
    int row = 0;
    for (const auto& [l, values] : lines) {
      ASSERT_EQ(values.size(), 300u) << "line " << l;
      EXPECT_EQ(values.begin()->first, 1000);
      for (int c = 0; c < 300; ++c) ASSERT_EQ(values.at(1000 + c), image.At(c, row)) << l << " " << c;
      ++row;
    }
    EXPECT_EQ(device->Transport().TransferErrors(), 0);
  }
}

}  // namespace
