// The session's state changes after the open (activate, deactivate, close)
// and the small operations of an open session.
#include <cstring>

#include "driver/config/c_buffer.h"
#include "driver/config/session_log.h"
#include "driver/session/session.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/scanner_register_map.h"

namespace tarvel {

namespace reg = platform::reg;

namespace {

constexpr uint32_t kLampSettleMs = 400;

// 100 scaled samples: *mean their average; -10000 when more than 16 lie
// above the mode's threshold, else 0.
int Scan_LightLevel(ScannerRegisters& d, const ScanMode& mode, int* mean) {
  uint64_t sum = 0;
  int above = 0;
  for (int i = 0; i < 100; ++i) {
    const uint32_t v = d.Scan_ReadSampleScaled();
    sum += v;
    if (v > mode.ADC_SW) ++above;
  }
  *mean = static_cast<int>(sum / 100);
  return above > 16 ? kWarnAmbientLight : 0;
}

// Lamp on and settled, the ambient light measured, with its log lines.
int MeasureAmbient(Session& s, bool log) {
  int mean = 0;
  const int r = Scan_LightLevel(s.Device(), s.mode, &mean);
  if (log) {
    if (r == kWarnAmbientLight) Logf(s.log, "WARNING: Ambient light level too high\n");
    Logf(s.log, "Ambient light level = %i\n", mean);
  }
  return r;
}

}  // namespace

void Session_DropUnfinishedPlates(Session& s) {
  if (!s.parts->poller.DataCollected()) return;
  Logf(s.log, "ERROR: Image data of an unfinished plate dropped\n");
  s.parts->poller.Restart();
  s.Acq().Activate();
}

void Session_AllOff(ScannerRegisters& d) {
  d.Scan_SetMotorMode(4);
  d.Scan_SetLaserMode(0);
  d.Scan_SetHighVoltage(0);
  d.Scan_SetRun(0);
  d.Scan_SetSlotOutputs(0);
}

int Session_Close(Session& s) {
  if (!s.IsOpen()) return kOk;
  ScannerRegisters& d = s.Device();
  Logf(s.log, "%s Close_Scanner()\n\n", TimeStamp().c_str());
  Session_DropUnfinishedPlates(s);
  Session_AllOff(d);
  d.Dev_PulseReset();
  if (d.Transport().TransferErrors() != 0)
    Logf(s.log, "Total of %i transmission errors\n", d.Transport().TransferErrors());
  d.Transport().Dev_Disconnect();
  s.Acq().CloseTempFile();
  if (platform::DeleteFile(s.temp_path)) Logf(s.log, "Temporary data file removed: %s\n", s.temp_path.c_str());
  int result = kOk;
  if (const int pending = s.Acq().PendingCount(); pending > 0) {
    Logf(s.log, "WARNING: %i Images not reported to application\n", pending);
    result = kWarnImagesPending;
  }
  s.parts.reset();
  s.log.Close();
  s.state = SessionState::kClosed;
  return result;
}

int Session_Activate(Session& s) {
  if (!s.IsOpen()) return kErrNotOpen;
  ScannerRegisters& d = s.Device();
  Logf(s.log, "%s Aktivate_Scanner\n", TimeStamp().c_str());
  s.status_busy = false;
  if (s.IsActive()) {
    Logf(s.log, "ERROR: Scanner is already active\n");
    return kErrBusy;
  }
  if (const uint8_t inlet = d.Scan_ReadPlateSensors() & s.mode.slots; inlet != 0)
    Logf(s.log, "WARNING: Inlet not free: Mask x%02x\n", inlet);
  const int tenths = d.Scan_ReadLaserTemp();
  if (tenths > kNoLaserTemperature && tenths > s.mode.laser_temp_warn * 10) {
    Logf(s.log, "ERROR: Laser temperature too high (%d.%d)\n", tenths / 10, tenths % 10);
    return kErrLaserTemperature;
  }
  if (!s.scan_mode_programmed) {
    s.mode = s.opened_mode;
    if (const int r = d.Scan_SetupRegisters(s.mode, s.memory); r != 0) {
      Logf(s.log, "ERROR %i: Can not initialize scanner registers\n", r);
      return r;
    }
    s.scan_mode_programmed = true;
  }
  if (s.mode.plate_type != kPlateErase) {
    d.Scan_SetHighVoltage(1);
    platform::Sleep(kLampSettleMs);
  }
  int result = kOk;
  if (s.mode.check_light_level && MeasureAmbient(s, true) == kWarnAmbientLight) result = kWarnAmbientLight;
  d.Mem_DiscardData();  // the stop pulse; no data of an earlier operation on the host
  Session_DropUnfinishedPlates(s);
  s.Acq().Activate();
  s.parts->poller.Restart();
  d.Scan_SetMotorMode(2);
  d.Scan_SetLaserMode(2);
  d.Scan_SetRun(2);
  d.Scan_SetSlotOutputs(3);
  d.Scan_AckEvent();
  d.Transport().Dev_ReadLineCounter();
  s.state = SessionState::kActive;
  d.Transport().Reg_Write8(reg::kActivate, 0);
  return result;
}

int Session_Deactivate(Session& s) {
  if (!s.IsOpen()) return kErrNotOpen;
  ScannerRegisters& d = s.Device();
  Logf(s.log, "%s Deaktivate_Scanner\n", TimeStamp().c_str());
  d.Scan_SetMotorMode(4);
  d.Scan_SetLaserMode(2);
  d.Scan_SetSlotOutputs(2);
  s.state = SessionState::kOpen;
  s.log.Flush();
  return kOk;
}

int Session_LightStatus(Session& s) {
  // Refused before the lamp is touched: an active scan keeps its high voltage.
  if (!s.IsOpen() || s.IsActive()) return kErrNotOpen;
  ScannerRegisters& d = s.Device();
  d.Scan_SetHighVoltage(1);
  platform::Sleep(kLampSettleMs);
  const int r = MeasureAmbient(s, false);
  d.Scan_SetHighVoltage(0);
  return r;
}

int Session_NextImageName(Session& s, char* buffer) {
  if (!s.IsOpen()) return kErrNotOpen;
  if (!buffer) return kErrInvalidArgument;
  const int pending = s.Acq().NextName(buffer);
  if (pending > 0) Logf(s.log, "Image: %s reported to application\n", buffer);
  return pending > 0 ? pending : 0;
}

int Session_SerialNumber(Session& s, char* buffer) {
  if (!buffer) return kErrInvalidArgument;
  if (!s.IsOpen()) {
    CopyToBuffer("Scanner not open", buffer, sizeof s.serial);
    return kErrNotOpen;
  }
  std::memcpy(buffer, s.serial, sizeof s.serial);
  return kOk;
}

int Session_SetPrescan(Session& s, int samples) {
  if (!s.IsOpen()) return kErrNotOpen;
  return s.Acq().PrescanSetup(samples);
}

int Session_PrescanLine(Session& s, uint8_t* buffer) {
  if (!s.IsOpen()) return kErrNotOpen;
  if (!buffer) return kErrInvalidArgument;
  s.Acq().PrescanTake(buffer);
  return kOk;
}

int Session_RunBeltdrive(Session& s, unsigned code) {
  if (!s.IsOpen()) return kErrNotOpen;
  if (s.IsActive()) return kErrBusy;
  ScannerRegisters& d = s.Device();
  if (const unsigned n = code & 0xFF; n != 0) {
    d.Scan_SetStepper(static_cast<uint16_t>(n * 4 + 128), 0);
    d.Scan_SetMotorMode(1);
  } else {
    d.Scan_SetStepper(s.mode.SMOT, s.mode.outlet_steps);
    d.Scan_SetMotorMode(0);
  }
  return kOk;
}

int Session_SetFilterMode(Session& s, int on) {
  if (!s.IsOpen()) return kErrNotOpen;
  if (on == 0) {
    s.filter_saved = s.filter_enabled;
    s.filter_enabled = false;
    Logf(s.log, "Imagefilter disabled by application\n");
  } else if (on == 1) {
    s.filter_enabled = s.filter_saved;
    if (s.filter_enabled) Logf(s.log, "Imagefilter enabled by application\n");
  }
  s.Acq().SetFilterEnabled(s.filter_enabled);
  return kOk;
}

void Session_SetExtraHeader(Session& s, int32_t length, const uint8_t* bytes) {
  s.extra_length = length;
  s.extra_bytes = bytes;
  if (s.parts) s.Acq().SetExtraHeader(length, bytes);
}

int Session_HalticMode(Session& s, int value) {
  if (s.IsOpen() && value == 1) Logf(s.log, "HALTIC_Mode active\n");
  return kOk;
}

}  // namespace tarvel
