#include "driver/service/service_scan.h"

#include <cmath>
#include <ctime>
#include <vector>

#include "driver/acquisition/acquisition_settings.h"
#include "driver/acquisition/stream_parser.h"
#include "driver/config/ini_file.h"
#include "driver/config/log_sink.h"
#include "driver/result_codes.h"
#include "platform/clock.h"
#include "platform/little_endian.h"

namespace tarvel {
namespace {

constexpr int64_t kDarkSumLimit = 6711296;
constexpr int kSampleLimit = 150;
constexpr uint32_t kLinesPerSample = 11;
constexpr uint32_t kPollMs = 1;

int Rounded(double v) { return static_cast<int>(std::trunc(v + 0.5)); }

// Everything off after a failure while lines were awaited.
void StopAll(ScannerRegisters& d) {
  d.Scan_SetMotorMode(0);
  d.Scan_SetLaserMode(0);
  d.Scan_SetRun(0);
  d.Scan_SetHighVoltage(0);
}

bool TimedOut(std::time_t since, int seconds) { return platform::WallTime() - since >= seconds; }

// Restarts the line count and waits for 11 lines; -1011 (everything off)
// when the transport stops or the lines do not come within `seconds`.
int SampleAfterRestart(ScannerRegisters& d, int seconds, LogSink& log) {
  const std::time_t since = platform::WallTime();
  while (d.Transport().Dev_ReadLineCounter() < kLinesPerSample) {
    if (!d.Scan_TransportRunning()) {
      StopAll(d);
      Logf(log, "ERROR: Transport stopped during the service scan\n");
      return kErrNoPlate;
    }
    if (TimedOut(since, seconds)) {
      StopAll(d);
      Logf(log, "ERROR: No scan lines during the service scan\n");
      return kErrNoPlate;
    }
    platform::Sleep(kPollMs);
  }
  return 0;
}

int ReadFailed(ScannerRegisters& d, int status, LogSink& log) {
  d.Scan_SetSlotOutputs(0);
  StopAll(d);
  Logf(log, "ERROR %i: Checksum error or too many retrys\n", status);
  return status;
}

}  // namespace

int Scan_SampleLines(ScannerRegisters& device, uint16_t limit, int* lines, int* lit, int64_t* sum) {
  *lines = 0;
  *lit = 0;
  *sum = 0;
  std::vector<uint8_t> block(kPieceBytes);
  uint32_t got = 0;
  const int status = device.Transport().Dev_ReadBlock(block.data(), static_cast<uint32_t>(block.size()), &got);
  if (status != 0) return status;
  if (got == 0) return 0;
  const size_t words = got / 2;
  int positions = 0;
  for (size_t i = 0; i < words; i += 2) {
    const uint16_t c = static_cast<uint16_t>(platform::LoadLe(&block[2 * i], 2));
    const uint16_t d = i + 1 < words ? static_cast<uint16_t>(platform::LoadLe(&block[2 * i + 2], 2)) : 0;
    if (c <= kLargestSampleWord) {
      *sum += c + d;
      positions += 2;
    } else if (c == kLineEndMarker) {
      ++*lines;
      if (d >= limit) ++*lit;
    } else {
      positions += d + 1;
    }
  }
  return positions;
}

namespace {

// The service scan from the set-up on (the plate waited for, then the
// sampled blocks).
int ScanFromSetup(ScannerRegisters& d, ScanMode& mode, int S, int lines_needed, int seconds, LogSink& log);

}  // namespace

int Service_Scan(ScannerRegisters& d, ScanMode& mode, int pitch_nm, int seconds, LogSink& log) {
  const double x = pitch_nm * 0.001;
  if (pitch_nm <= 0 || mode.RPM == 0) return kErrInvalidArgument;
  const int lines_needed = static_cast<int>(std::trunc(10000 / x));

  const IniPath ini = Ini_Open();
  const ScanMotion motion = Ini_ScanMotion(ini);
  const double period = motion.step * 6e13 / (mode.RPM * x);
  const double samples = SamplesPerPixel(x, mode.RPM, motion.circle);
  if (!(samples >= 1.5 && samples < 32.5) || !(period >= 0 && period < 65535.5)) return kErrInvalidArgument;
  const int S = Rounded(samples);
  mode.SMOT = static_cast<uint16_t>(Rounded(period));
  mode.ADC_Ovs = static_cast<uint16_t>(S);
  mode.stepper_reversed = motion.reversed ? 1 : 0;
  d.Scan_SetStepperReversed(motion.reversed);
  const int r = ScanFromSetup(d, mode, S, lines_needed, seconds, log);
  d.Mem_DiscardData();  // nothing of the sampled lines is left for the next reader
  return r;
}

namespace {

int ScanFromSetup(ScannerRegisters& d, ScanMode& mode, int S, int lines_needed, int seconds, LogSink& log) {
  d.Scan_SetStepper(mode.SMOT, mode.outlet_steps);
  d.Scan_SetSlots(6, mode.inlet_steps);
  d.Scan_SetMotorMode(0);
  d.Scan_SetLaserMode(0);
  d.Scan_SetRun(0);
  d.Scan_SetHighVoltage(0);
  d.Scan_SetSlotOutputs(1);
  if (d.Scan_ReadPlateSensors() & 6) return kErrPlatePresent;

  // High voltage low enough for the dark level.
  int volts = 1200;
  do {
    d.Scan_SetPmtVoltage(volts);
    d.Scan_SetHighVoltage(1);
    platform::Sleep(250);
    d.Scan_ReadSampleScaled();
    int64_t sum = 0;
    for (int i = 0; i < 1024; ++i) sum += d.Scan_ReadSampleScaled();
    if (sum < kDarkSumLimit) break;
    volts -= 100;
  } while (volts > 400);
  if (volts < 500) {
    d.Scan_SetHighVoltage(0);
    return kWarnAmbientLight;
  }

  // A plate in slot 1 or 2 while the transport runs.
  d.Scan_SetMotorMode(2);
  uint8_t sensors = 0;
  for (const std::time_t since = platform::WallTime();;) {
    sensors = d.Scan_ReadPlateSensors() & 6;
    if (sensors && d.Scan_TransportRunning()) break;
    if (TimedOut(since, seconds)) {
      d.Scan_SetSlotOutputs(0);
      d.Scan_SetHighVoltage(0);
      Logf(log, "ERROR: No plate inserted for the service scan\n");
      return kErrNoPlate;
    }
    platform::Sleep(kPollMs);
  }
  const int k = (sensors & 2) ? 2 : 3;
  d.Scan_SetSlotOutputs(2);
  const int offset = static_cast<int>(std::trunc((-180.0 / (6.0 * mode.RPM)) * (k - 0.5) * 2500000));
  const int start = static_cast<uint16_t>(mode.Strt_Pix - 75 * S - offset);
  d.Scan_SetGeometry(S, static_cast<uint16_t>(1228 * S), start, kSampleLimit, mode.Blk_Pix);
  d.Scan_SetLaserMode(1);
  d.Scan_SetHighVoltage(1);

  // Plate settling: whole blocks of plate without line ends.
  int lines = 0, lit = 0;
  int64_t sum = 0;
  const std::time_t settle_since = platform::WallTime();
  for (int c = 0; c < lines_needed;) {
    if (TimedOut(settle_since, seconds)) {
      d.Scan_SetSlotOutputs(0);
      StopAll(d);
      Logf(log, "ERROR: Plate did not settle during the service scan\n");
      return kErrNoPlate;
    }
    d.Scan_SetRun(0);
    d.Mem_DiscardData();  // the stop pulse, and nothing of earlier lines on the host
    d.Scan_SetRun(1);
    if (int r = SampleAfterRestart(d, seconds, log); r != 0) return r;
    const int n = Scan_SampleLines(d, kSampleLimit, &lines, &lit, &sum);
    if (n < 0) return ReadFailed(d, n, log);
    c = (lines == 0 && n > kSampleLimit) ? c + 10 : 0;
  }

  // Voltage by halving: the highest whose mean stays below the target.
  d.Scan_SetGeometry(S, 0, start, kSampleLimit, mode.Blk_Pix);
  volts = 0;
  int step = 600;
  const int64_t target = 2700 * int64_t{S};
  for (int i = 0; i < 10; ++i) {
    const int candidate = volts + step;
    d.Scan_SetPmtVoltage(candidate);
    d.Scan_SetHighVoltage(1);
    d.Scan_SetRun(0);
    platform::Sleep(250);
    d.Mem_DiscardData();
    d.Scan_SetRun(1);
    if (int r = SampleAfterRestart(d, seconds, log); r != 0) return r;
    int n = Scan_SampleLines(d, kSampleLimit, &lines, &lit, &sum);
    if (n < 0) return ReadFailed(d, n, log);
    if (n == 0) n = 1;
    if (sum / n < target) volts = candidate;
    step /= 2;
  }

  d.Scan_SetSlotOutputs(0);
  d.Scan_SetMotorMode(4);
  d.Scan_SetLaserMode(0);
  d.Scan_SetRun(0);
  d.Scan_SetHighVoltage(0);
  return volts;
}

}  // namespace

}  // namespace tarvel
