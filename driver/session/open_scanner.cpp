// Opening a scan session: log, ini file, scan mode, interface, device,
// image folder, firmware, memory, registers, high voltage, identification,
// temporary file, recovery of old data, normalization and laser check.
// Every failure after the log is opened runs the device shutdown.
#include <cinttypes>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "driver/config/c_buffer.h"
#include "driver/config/ini_file.h"
#include "driver/config/mode_list.h"
#include "driver/config/paths.h"
#include "driver/config/scanner_type.h"
#include "driver/config/session_log.h"
#include "driver/device/buffer_memory.h"
#include "driver/device/epp_port.h"
#include "driver/device/usb/usb_scanner_transport.h"
#include "driver/session/interface_probe.h"
#include "driver/session/mode_dialog.h"
#include "driver/session/session.h"
#include "driver/session/version.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "platform/ui.h"

namespace tarvel {
namespace {

constexpr int kLastImageNumber = 999001;
constexpr int kMaxHvReadings = 10000;
constexpr double kVoltsPerAdcCount = 4.883;
constexpr double kHvLimitVolts = 100;
// Longest wait for scan data on their way to the host.
constexpr uint32_t kDataWaitMs = 1000;

// Block-read attempts: `Interface` key `Retry`.
int RetryCountOf(const IniPath& ini) { return Ini_IntOr(ini, "Interface", "Retry", 100); }

// The mode number to open and its name; 0 or -2.
int ChooseMode(const IniPath& ini, int type, int* mode, std::string* name, LogSink& log) {
  if (*mode > ParamCount(type)) {
    if (!ScannerTypeFactsOf(type).intraoral_modes) {
      Logf(log, "ERROR: Scan mode not found\n");
      return kErrNotFound;
    }
    const int chosen = Show_ParamDialog(type);
    if (chosen == 0) {
      Logf(log, "ERROR: Scan mode not found\n");
      return kErrNotFound;
    }
    Logf(log, "Scan mode %i is not supported by this scanner; user selected mode %i\n", *mode, chosen);
    *mode = chosen;
  }
  if (*mode == 0) {
    *name = "(default parameters)";
  } else if (ScannerTypeFactsOf(type).erase_after_intraoral) {
    int m = *mode;
    const std::string kind = Ini_StringOr(ini, ModeSection(m), "ImgTypes", "");
    if (!platform::EqualsIgnoreCase(kind, "Intra")) {
      while (PlateTypeFromImgTypes(Ini_StringOr(ini, ModeSection(m), "ImgTypes", "")) != kPlateErase) {
        std::string present;
        if (Ini_ReadString(ini, ModeSection(m), "ParamName", present) != 0) {
          Logf(log, "ERROR: Scan mode or INI file not found\n");
          return kErrNotFound;
        }
        ++m;
      }
      *mode = m;
      Logf(log, "Erase Mode remapped to mode %i\n", m);
    }
    if (Ini_ReadString(ini, ModeSection(m), "ParamName", *name) != 0) name->clear();
  } else if (ParamName(type, *mode, *name) != 0) {
    name->clear();
  }
  if (name->empty()) {
    Logf(log, "ERROR: Scan mode or INI file not found\n");
    return kErrNotFound;
  }
  Logf(log, "Scan mode: '%s'\n", name->c_str());
  return 0;
}

// The image folder, created and checked for space; 0 or -1.
int PrepareImageFolder(Session& s, const IniPath& ini, int type) {
  const std::string folder = MakeModulePath(Ini_StringOr(ini, "Scanner", "ImagePath", ".\\Images"));
  Logf(s.log, "Image file directory: %s\n", folder.c_str());
  if (!s.Acq().SetImageFolder(folder)) {
    Logf(s.log, "ERROR: Image file directory name too long: %s\n", folder.c_str());
    return kErrFailed;
  }
  CreateFolders(folder);
  if (!platform::FolderExists(folder)) {
    Logf(s.log, "ERROR: Can not create image file directory: %s\n", folder.c_str());
    return kErrFailed;
  }
  const uint64_t free_bytes = FreeSpace(folder);
  const ScannerTypeFacts& facts = ScannerTypeFactsOf(type);
  if (free_bytes < facts.min_free_bytes) {
    platform::MessageBox(std::string("Your disk is too full.  Operation of this Vornix requires a minimum of ") +
                             facts.min_free_text + " of free disk space.",
                         "Error - Disk Full", platform::kMbOk | platform::kMbIconError | platform::kMbTaskModal);
    Logf(s.log, "ERROR: Insufficient disk space: %" PRId64 " bytes required, only %" PRId64 " bytes available\n",
         static_cast<int64_t>(facts.min_free_bytes), static_cast<int64_t>(free_bytes));
    return kErrFailed;
  }
  Logf(s.log, "Free disk space for data and image files: %" PRId64 " Bytes (%u MB)\n", static_cast<int64_t>(free_bytes),
       static_cast<unsigned>(free_bytes >> 20));
  return 0;
}

void LogSettings(const ScanMode& m, int type, LogSink& log) {
  Logf(log, "Using the following settings:\n");
  Logf(log, "   ADC_Ovs=%i, ADC_SW=%x\n", m.ADC_Ovs, m.ADC_SW);
  Logf(log, "   Strt_Pix=%i, Anz_Pix=%i, Blk_Pix=%i\n", m.Strt_Pix, m.Anz_Pix, m.Blk_Pix);
  Logf(log, "   Laser=%i, Base PMT Value=%i, PMT Voltage=%i\n", m.Laser, m.base_pmt, m.pmt_voltage);
  Logf(log, "   RPM=%i, PPR=%i, SMOT=%i\n", m.RPM, m.PPR, m.SMOT);
  Logf(log, "   MaxPixVal=%i, PixScale=%5.3f\n", m.MaxPixVal, m.PixScale);
  Logf(log, "   Res_X=%6.3fum, Res_Y=%6.3fum\n", m.pitch_x * 1e6, m.pitch_y * 1e6);
  Logf(log, "   Scanner Type %d '%s'; Slots=%02x\n", type, ScannerTypeName(type), m.slots);
  Logf(log, "   Scan Plate Type %d '%s'\n", m.plate_type, PlateTypeName(m.plate_type));
}

// Waits for the high voltage to fall, then measures the converter's offset.
void MeasureZeroOffset(ScannerRegisters& d, LogSink& log) {
  d.Scan_SetHighVoltage(0);
  uint8_t reading = d.Transport().I2c_ReadAdc(kI2cDacAdc, 0);
  for (int i = 0; i < kMaxHvReadings && reading * kVoltsPerAdcCount > kHvLimitVolts; ++i)
    reading = d.Transport().I2c_ReadAdc(kI2cDacAdc, 0);
  if (reading * kVoltsPerAdcCount <= kHvLimitVolts) {
    d.Scan_MeasureAdcOffset(true);
    Logf(log, "   ADC Offset = %u\n", static_cast<unsigned>(d.AdcOffset()));
  } else {
    d.Scan_MeasureAdcOffset(false);
    Logf(log, "   ADC Offset = %u HV>100V !!!\n", static_cast<unsigned>(d.AdcOffset()));
  }
}

// The serial number from the identification PROM.
void ReadIdentification(Session& s) {
  std::memset(s.id_block, 0, sizeof s.id_block);
  const int r = s.Transport().I2c_Read(s.id_block, kI2cIdProm, 0, 31);
  s.id_read = r == 0;
  if (r != 0) {
    std::memset(s.id_block, 0, sizeof s.id_block);
    CopyToBuffer("no Serialnumber", s.serial, sizeof s.serial);
    Logf(s.log, "WARNING %i: Can not read serial number\n", r);
  } else {
    std::memcpy(s.serial, s.id_block, 31);
    s.serial[31] = '\0';
    Logf(s.log, "Vornix serial number: %s\n", s.serial);
  }
  s.Acq().SetSerialNumber(s.serial);
}

// The normalization table: one factor per pixel of a line, each the pixel
// scale, then corrected by the file or data-PROM copy (not while old data
// are recovered).
bool PrepareNormalization(Session& s, const IniPath& ini, bool recover) {
  std::vector<double> table;
  try {
    table.assign(s.mode.Anz_Pix, s.mode.PixScale);
  } catch (const std::bad_alloc&) {
    Logf(s.log, "Unable to allocate memory for the normalization table\n");
    return false;
  }
  if (!recover) Session_LoadNormalization(s, ini, table);
  s.Acq().SetNormalization(std::move(table));
  return true;
}

// 0 while the configured scanner answers; else its code, logged.
int CheckAnswers(Session& s) {
  if (s.Transport().Dev_IsReady()) return 0;
  return LogNoAnswer(s.log, s.Transport().Dev_LostCode());
}

// Plates left in the scanner memory are stored as images; the open then
// ends with kErrMemoryNotEmpty. The data are read to the end, also those a
// transport reading ahead has already taken to the host; plates whose data
// cannot be read to their end are reported lost.
int RecoverOldData(Session& s) {
  ScannerRegisters& d = s.Device();
  Acquisition& acq = s.Acq();
  Logf(s.log, "Trying to recover images from scanner memory\n");
  acq.Activate();
  d.Scan_SetSlotOutputs(0);
  d.Scan_SetMotorMode(4);
  d.Mem_RewindTo(d.Mem_ReadMark());
  ScanMode settings = acq.Settings();
  settings.pitch_x = settings.pitch_y = 0;
  acq.SetSettings(settings, acq.SettingsScannerType());
  const int before = acq.WrittenNumber();
  StreamPoller& poller = s.parts->poller;
  poller.Restart();
  bool to_the_end = true;
  while (d.Mem_WordsInTransit() > 0) {
    PollResult step;
    if (const int r = poller.ReadStep(&step); r != 0) {
      d.Dev_PulseReset();
      return r;
    }
    // Words counted but none delivered: they are on their way to the host.
    if (step.empty_lines < 0 && !d.Transport().Dev_WaitForData(kDataWaitMs)) {
      to_the_end = false;
      break;
    }
  }
  if (!to_the_end) {
    acq.DiscardOpenPlates("the scanner memory could not be read to its end");
    poller.Restart();
  } else if (poller.DataCollected()) {
    poller.FlushWithEnd();
  }
  d.Mem_SetMark();
  Logf(s.log, "%i Images succesfully recoverd from scanner memory\n", acq.WrittenNumber() - before);
  Logf(s.log, "ERROR: Open_Scanner terminated because scanner memory was not empty\n");
  return kErrMemoryNotEmpty;
}

// Opens a session whose log is open: ini file, scan mode, interface, image
// folder, firmware, memory, registers, identification, temporary file,
// normalization and laser check; 0, a warning or an error.
int OpenSteps(Session& s, int mode) {
  const IniPath ini = Ini_Open();
  if (!ini.found) {
    Logf(s.log, "ERROR: INI file not found\n");
    return kErrIniMissing;
  }
  const int type = Get_ScannerType(s);
  std::string name;
  if (int r = ChooseMode(ini, type, &mode, &name, s.log); r != 0) return r;
  s.mode_name = name;

  const int interface = Get_InterfaceType(s);
  if (interface != kInterfaceParallel && interface != kInterfaceUsb) {
    Logf(s.log, "ERROR: Interface not supported\n");
    return kErrInterface;
  }
  usb::UsbDevices& usb_devices = s.usb_devices;
  std::unique_ptr<ScannerTransport> transport;
  if (interface == kInterfaceUsb)
    transport = std::make_unique<UsbScannerTransport>(usb_devices, &s.log);
  else
    transport = std::make_unique<EppPort>(&s.log);
  s.parts = std::make_unique<SessionDevice>(std::move(transport), s.log);
  Logf(s.log, interface == kInterfaceUsb ? "Using USB interface\n" : "Using EPP interface\n");

  ScannerRegisters& d = s.Device();
  d.Transport().Dev_Open();
  d.Transport().SetTransferErrors(0);
  d.Transport().SetRetryCount(RetryCountOf(ini));
  s.Acq().PrescanSetup(0);
  int r = d.Transport().Dev_Connect();
  if (r != 0) r = d.Transport().Dev_Connect();
  if (interface == kInterfaceUsb) TakeUsbScannerType(s, usb_devices);
  if (r != 0) {
    Logf(s.log, "ERROR %i: Can not open interface\n", r);
    return kErrInterface;
  }

  if (int e = PrepareImageFolder(s, ini, type); e != 0) return e;

  int result = kOk;
  const int highest = s.Acq().LastNumber();
  if (Ini_IntOr(ini, "Scanner", "CheckTempImage", 0) != 0 && highest != 0) {
    result = kWarnImagesPending;
    Logf(s.log, "WARNING: Found %i existing image files in %s \n", highest, s.Acq().ImageFolder().c_str());
  }
  if (highest >= kLastImageNumber) {
    Logf(s.log, "ERROR: No available names for image files\n");
    return kErrFailed;
  }

  bool recover = false;
  if (Ini_IntOr(ini, "Scanner", "CheckFIFO", 0) != 0 && d.Transport().Dev_IsReady()) {
    const uint32_t mark = d.Mem_ReadMark();
    const uint32_t pointer = d.Mem_ReadPointer();
    const uint32_t waiting = d.Mem_WordsAvailable();
    if (mark != pointer || waiting > 999) {
      Logf(s.log, "WARNING: %u Bytes of old data found in scanner memory\n", waiting * 4);
      recover = true;
    }
  }

  d.Transport().SetFpgaFileName(FpgaDesignFileName(ini, type));
  if (!recover) {
    const int keep = Ini_IntOr(ini, "Scanner", "HalteFPGA", 1);
    r = d.Transport().Dev_ConfigureFpga(keep);
    if (r != 0) r = d.Transport().Dev_ConfigureFpga(keep);
    if (r != 0) {
      Logf(s.log, "ERROR %i: Can not initialize firmware\n", r);
      return kErrFirmware;
    }
    Logf(s.log, "Firmware succesfully loaded\n");
    d.Scan_SetLaserMode(0);
    d.Scan_SetHighVoltage(0);
    d.Scan_SetMotorMode(0);
    d.Scan_SetRun(0);
    d.Scan_SetSlotOutputs(0);
  }

  MemoryDescription memory;
  r = Mem_DetectBuffer(d, &memory);
  if (r != 0) {
    Logf(s.log, "ERROR %i: Can not find buffer RAM\n", r);
    return r;
  }
  Logf(s.log, "Buffer RAM: %i Bytes, Type: %i\n", static_cast<int>(memory.size), memory.config_code);
  s.memory = memory;
  s.parts->stream.SetMemoryWords(static_cast<uint64_t>(memory.size) / 4);

  r = Load_ScanMode(
      s.mode, mode, type,
      [&d](uint8_t address, uint16_t& word) {
        uint8_t bytes[2] = {};
        if (d.Transport().I2c_Read(bytes, kI2cIdProm, address, address + 1) != 0) return false;
        word = static_cast<uint16_t>(platform::LoadLe(bytes, 2));
        return true;
      },
      &s.log);
  if (r != 0) {
    Logf(s.log, "ERROR %i: Scan mode %i can not be used (%s)\n", r, mode, s.mode.unusable_reason.c_str());
    return r;
  }
  s.mode.mode = static_cast<uint8_t>(mode);
  s.opened_mode = s.mode;
  s.scan_mode_programmed = true;
  s.filter_enabled = true;
  s.Acq().SetFilterEnabled(true);
  s.Acq().SetSettings(s.mode, type);
  s.Acq().SetExtraHeader(s.extra_length, s.extra_bytes);
  if (!recover) {
    r = d.Scan_SetupRegisters(s.mode, memory);
    if (r != 0) {
      Logf(s.log, "ERROR %i: Can not initialize scanner registers\n", r);
      return r;
    }
  }
  LogSettings(s.mode, type, s.log);
  MeasureZeroOffset(d, s.log);

  s.Acq().Activate();
  ReadIdentification(s);
  if (int e = CheckAnswers(s); e != 0) return e;
  std::string expected;
  if (Ini_ReadString(ini, "Scanner", "SerialNumber", expected) == 0 && expected != s.serial) {
    Logf(s.log, "ERROR: Wrong serial number; Expected SN: %s\n", expected.c_str());
    return kErrSerialNumber;
  }

  if (!s.Acq().OpenTempFile(s.temp_path)) {
    Logf(s.log, "ERROR: Can not open temporary file: %s\n", s.temp_path.c_str());
    return kErrFailed;
  }
  Logf(s.log, "Temporary data file: %s\n", s.temp_path.c_str());
  Logf(s.log, "Disk space available for temporary data: %" PRId64 " Bytes\n",
       static_cast<int64_t>(FreeSpace(s.temp_path)));

  // The table exists before the recovery flushes plates.
  if (!PrepareNormalization(s, ini, recover)) return kErrOutOfMemory;
  if (recover) return RecoverOldData(s);

  const int tenths = d.Scan_ReadLaserTemp();
  if (tenths <= kNoLaserTemperature) {
    Logf(s.log, "Warning %i: Could not measure laser temperature\n", tenths);
  } else {
    Logf(s.log,
         "Laser Temperature = %4.1f\xB0"
         "C\n",
         tenths * 0.1);
    if (tenths > s.mode.laser_temp_warn * 10) {
      Logf(s.log, "ERROR: Laser temperature too high\n");
      return kErrLaserTemperature;
    }
  }

  if (s.mode.filter != 0) {
    const FilterParams& f = s.mode.filter_params;
    Logf(s.log, "Filter type %d: %s\n", s.mode.filter, s.mode.filter_name.c_str());
    Logf(s.log, "    High Pass: %g to %g below %g\n", f.high_block, f.high_gain, f.high_sigma);
    Logf(s.log, "    Low  Pass: %g to %g above %g\n", f.low_block, f.low_gain, f.low_sigma);
  } else {
    Logf(s.log, "No filtering will be applied to images\n");
  }

  // The second open resets the retry and error counts of the parallel port:
  // the session's `Retry` holds again and errors are counted from the start.
  // Register reads of a scanner gone give 0: whether it still answers is
  // asked once more before the session is open.
  if (int e = CheckAnswers(s); e != 0) return e;
  const int errors = d.Transport().TransferErrors();
  d.Transport().Dev_Open();
  d.Transport().SetRetryCount(RetryCountOf(ini));
  d.Transport().SetTransferErrors(errors);
  s.log.Flush();
  d.Scan_AckEvent();
  return result;
}

}  // namespace

int Session_Open(Session& s, int mode) {
  if (s.IsOpen()) {
    Logf(s.log, "%s Open_Scanner(%i), was allready open\n", TimeStamp().c_str(), mode);
    return kErrAlreadyOpen;
  }
  s.extra_length = 0;
  s.extra_bytes = nullptr;
  // The stream poll's flags (transport was running, collecting logged, data
  // collected, collecting reads) start clear with the session's own poll.
  s.status_busy = false;
  s.plates_latched = false;

  // The mode's size; INT_MIN, which has no positive counterpart, is taken as
  // the largest mode number.
  const auto magnitude = [](int m) { return m == INT_MIN ? INT_MAX : std::abs(m); };
  if (!s.log.IsOpen()) {
    if (mode <= 0) {
      s.log.OpenNull();
      mode = magnitude(mode);
    } else {
      s.log.OpenDaily();
    }
  } else if (mode < 0) {
    mode = magnitude(mode);
  }
  const IniPath ini = Ini_Open();
  Logf(s.log, "\n");
  Logf(s.log, "%s Open_Scanner(%i)\n", TimeStamp().c_str(), mode);
  Logf(s.log, "Tarvel.dll version : %s\n", kDriverVersionText);
  Logf(s.log, "INI file: '%s' %s", ini.path.c_str(), ini.found ? "found\n" : "not found !\n");
  s.temp_path = MakeModulePath(Ini_StringOr(ini, "Scanner", "TempFile", ".\\Images\\Tarvel.tmp"));

  const int r = OpenSteps(s, mode);
  if (r < 0 && r != kWarnImagesPending) {
    Session_Shutdown(s);
    return r;
  }
  s.state = SessionState::kOpen;
  return r;
}

int Session_Shutdown(Session& s) {
  if (s.parts) {
    ScannerRegisters& d = s.Device();
    Session_AllOff(d);
    d.Transport().Dev_Disconnect();
    s.Acq().SetNormalization({});
    s.Acq().CloseTempFile();
    platform::DeleteFile(s.temp_path);
  }
  s.parts.reset();
  s.state = SessionState::kClosed;
  if (!s.log.IsOpen()) return 0;
  s.log.Flush();
  s.log.Close();
  return 0;
}

}  // namespace tarvel
