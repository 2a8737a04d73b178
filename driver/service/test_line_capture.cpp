#include "driver/service/test_line_capture.h"

#include "driver/service/data_in_transit.h"
#include "platform/clock.h"
#include "platform/little_endian.h"
#include "platform/scanner_register_map.h"

namespace tarvel {

namespace reg = platform::reg;

namespace {

constexpr int kSamplesPerPixel = 32;
constexpr int kPixels = 2856;
constexpr uint16_t kNoThreshold = 0xFFFF;
constexpr int kGap = 2048;
constexpr uint32_t kTriggerWaitMs = 20;
constexpr int kMaxReads = 32;
constexpr uint32_t kFirstReadBytes = 4692;
constexpr uint16_t kLargestSample = 65519;

// Laser and transport off, run stopped, slot outputs off, the stop pulse;
// then the lamp on.
void PutAtRest(ScannerRegisters& d) {
  d.Scan_SetLaserMode(0);
  d.Scan_SetMotorMode(0);
  d.Scan_SetRun(0);
  d.Scan_SetSlotOutputs(0);
  d.Mem_DiscardData();  // the stop pulse, and nothing earlier left on the host
  d.Scan_SetHighVoltage(1);
}

}  // namespace

std::vector<uint16_t> TestLine_Samples(const uint8_t* bytes, size_t length) {
  std::vector<uint16_t> samples;
  const size_t words = length / 2;
  for (size_t i = 0; i < words;) {
    const uint16_t v = static_cast<uint16_t>(platform::LoadLe(bytes + 2 * i, 2));
    if (v > kLargestSample) {
      i += 2;
      continue;
    }
    samples.push_back(v);
    ++i;
  }
  return samples;
}

int Service_CaptureTestLine(ScannerRegisters& d, const ScanMode& mode, int volts, std::vector<uint16_t>* samples) {
  samples->clear();
  if (volts > kHighestPmtVolts) return kErrOutOfRange;
  PutAtRest(d);
  d.Scan_SetPmtVoltage(volts);
  d.Scan_SetGeometry(kSamplesPerPixel, kNoThreshold, mode.Strt_Pix, kPixels, kGap);
  d.Scan_SetRun(1);
  d.Transport().Reg_Write8(reg::kTestLineTrigger, 1);
  platform::Sleep(kTriggerWaitMs);
  d.Transport().Reg_Write8(reg::kTestLineTrigger, 1);

  std::vector<uint8_t> buffer(2 * kTestLineWords, 0);
  uint32_t filled = 0;
  int result = 0;
  int waits = 0;
  for (int read = 0; read < kMaxReads && filled < buffer.size();) {
    const uint32_t ask = read == 0 ? kFirstReadBytes : static_cast<uint32_t>(buffer.size()) - filled;
    uint32_t got = 0;
    result = d.Transport().Dev_ReadBlock(buffer.data() + filled, ask, &got);
    if (result != 0) break;
    // An empty read while the line is still on its way is not one of the
    // reads: it waits for the data.
    if (got == 0 && waits < kInTransitReadLimit && ScanDataInTransit(d)) {
      ++waits;
      platform::Sleep(kInTransitWaitMs);
      continue;
    }
    filled += got;
    ++read;
  }

  // The run stops with the line taken: no further lines (and nothing of
  // what came after the line) are left for the next reader.
  d.Scan_SetRun(0);
  d.Mem_DiscardData();
  *samples = TestLine_Samples(buffer.data(), filled);
  return result;
}

}  // namespace tarvel
