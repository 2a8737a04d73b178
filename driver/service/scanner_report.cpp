#include "driver/service/scanner_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "driver/config/ini_file.h"
#include "driver/config/mode_list.h"
#include "driver/config/scanner_type.h"
#include "driver/config/session_log.h"
#include "driver/device/i2c_master.h"
#include "driver/device/usb/usb_scanner_device.h"
#include "driver/normalization/normalization_load.h"
#include "driver/normalization/normalization_summary.h"
#include "driver/normalization/prom_copy.h"
#include "driver/service/service_readings.h"
#include "driver/session/interface_probe.h"
#include "driver/session/version.h"
#include "platform/files.h"

namespace tarvel {
namespace {

// The report's text, built line by line before it is written.
class ReportText {
 public:
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
      const size_t at = text_.size();
      text_.resize(at + static_cast<size_t>(n) + 1);
      std::vsnprintf(&text_[at], static_cast<size_t>(n) + 1, format, again);
      text_.resize(at + static_cast<size_t>(n));
    }
    va_end(again);
  }
  void Blank() { text_ += '\n'; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

const char* InterfaceName(int kind) {
  return kind == kInterfaceParallel ? "EPP" : kind == kInterfaceUsb ? "USB" : "Unknown";
}

void Heading(ReportText& r) {
  r.Print("Vornix report generated: %s\n", TimeStamp().c_str());
  r.Blank();
  r.Print("Tarvel DLL Version: %s\n", kDriverVersionText);
  r.Blank();
}

void SystemAndInterface(ReportText& r, Session& s) {
  const int type = ScannerType();
  r.Print("Vornix System and Interface:\n");
  r.Print("   Serial Number : %s\n", s.serial);
  r.Print("   Type          : %s (%d)\n", ScannerTypeName(type), type);
  r.Print("   Interface     : %s\n", InterfaceName(s.Device().InterfaceKind()));
  r.Blank();
}

void MainBoard(ReportText& r, Session& s) {
  struct Line {
    const char* format;
    int selector;
    double scale;
  };
  static constexpr Line kLines[] = {
      {"   HV output voltage    = %6.2fV\n", kReadingHighVoltage, 0.001},
      {"   +5V supply voltage   = %6.2fV\n", kReadingSupply5V, 0.001},
      {"   +3.3V supply voltage = %6.2fV\n", kReadingSupply3V3, 0.001},
      {"   +24V supply voltage  = %6.2fV\n", kReadingSupply24V, 0.001},
      {"   Temperature Laser    = %5.1f\xB0"
       "C\n",
       kReadingLaserTemperature, 0.1},
  };
  r.Print("Main Board Status:\n");
  for (const Line& l : kLines) {
    int32_t value = 0;
    Service_Reading(s.Device(), l.selector, &value);
    r.Print(l.format, value * l.scale);
  }
  r.Blank();
}

void BufferRam(ReportText& r, const MemoryDescription& m) {
  r.Print("Buffer RAM Type:\n");
  r.Print("   Type   : %i\n", m.config_code);
  r.Print("   Width  : %i Bits\n", m.width);
  r.Print("   Rows   : %i\n", m.rows);
  r.Print("   Colums : %i\n", m.columns);
  r.Print("   Banks  : %i\n", m.device_banks);
  r.Print("   Sides  : %i\n", m.module_banks);
  r.Print("   Size   : %lli Bytes\n", static_cast<long long>(m.size));
  r.Blank();
}

void IdProm(ReportText& r, Session& s) {
  char bytes[256] = {};
  s.Device().I2c_Read(reinterpret_cast<uint8_t*>(bytes), kI2cIdProm, 0, 255);
  r.Print("ID Prom:\n");
  r.Print("   Serial Number  : %s\n", Text_Slice(bytes, 0, 31).c_str());
  r.Print("   Data PROM Type : %d\n", static_cast<uint8_t>(bytes[31]));
  r.Blank();
}

void ScanModes(ReportText& r, const IniFile& ini) {
  r.Print("Configuration file:\n   %s\n", ini.path.c_str());
  r.Blank();
  const int count = ParamCount();
  r.Print("There are %i scan modes:\n", count);
  for (int mode = 1; mode <= count; ++mode) {
    std::string name;
    ParamName(mode, name);
    r.Print("%5i. %s\n", mode, name.c_str());
  }
  r.Blank();
}

// The header of the normalization copy in the data PROM (USB only).
void DataPromHeader(ReportText& r, Session& s) {
  r.Print("Data PROM Normalization information\n");
  if (s.Device().InterfaceKind() != kInterfaceUsb) {
    r.Print("ERROR: Normalization data PROM requires USB interface\n");
    return;
  }
  uint8_t bytes[kPromHeaderBytes] = {};
  uint16_t length = kPromHeaderBytes;
  if (const int rc = Usb_LargePromRead(kDataProm, 0, bytes, &length); rc != 0) {
    r.Print("ERROR %d: Unable to read header from data PROM\n", rc);
    return;
  }
  if (length < kPromHeaderBytes) {
    r.Print("ERROR: Only %d of %d bytes read from the data PROM\n", length, int(kPromHeaderBytes));
    return;
  }
  const PromHeader h = DecodePromHeader(bytes);
  r.Print("   Version    : %u\n", static_cast<unsigned>(h.version));
  r.Print("   Checksum   : %i\n", h.checksum);
  r.Print("   ScanStart  : %i\n", h.scan_start);
  r.Print("   ValueCount : %i\n", h.value_count);
  r.Print("   ValuePitch : %i\n", h.value_pitch);
  r.Print("   Mean       : %i\n", h.mean);
  r.Print("   Date       : %04i-%02i-%02i %02i:%02i:%02i\n", h.year, h.month, h.day, h.hour, h.minute, h.second);
}

void Normalization(ReportText& r, Session& s, const IniFile& ini) {
  const std::string path = NormalizationFileNamed(ini);
  if (!path.empty()) {
    r.Print("Using normalization file:\n   %s\n", path.c_str());
    std::string serial, date;
    if (NormalizationFile_Summary(path, &serial, &date) == 0) {
      r.Print("   SN   : %s\n", serial.c_str());
      r.Print("   Date : %s\n", date.c_str());
    } else {
      r.Print("ERROR: file not found!\n");
    }
  } else if (s.id_block[31] == 1) {
    DataPromHeader(r, s);
  } else {
    r.Print("Not using normalization data\n");
  }
  r.Blank();
}

void CommonSettings(ReportText& r, const ScanMode& m) {
  r.Print("Common settings:\n");
  r.Print("   PMT Voltage Scale Factor: %5.3f\n", m.pmt_scale_factor);
  r.Print("   SOL to Data Collection  : %7.3fmm\n", m.Strt_Pix * m.pitch_x * 1000 / m.ADC_Ovs);
  r.Print("   Data Collection Width   : %7.3fmm\n", m.Anz_Pix * m.pitch_x * 1000);
  r.Print("   Lines per minute        : %i\n", m.RPM);
  r.Print("   Encoder pulses per line : %i\n", m.PPR);
  r.Print("   Active Slots            : %02x\n", m.slots);
  r.Print("   Max Image Aspect Ratio  : %5.3f\n", m.max_aspect_ratio);
  r.Print(
      "   Laser Warning Temp      : %i\xB0"
      "C\n",
      m.laser_temp_max);
  r.Print(
      "   Laser Shutdown Temp     : %i\xB0"
      "C\n",
      m.laser_temp_warn);
  r.Blank();
}

void ModeSettings(ReportText& r, const ScanMode& m, const std::string& name) {
  r.Print("For mode %i '%s':\n", m.mode, name.c_str());
  r.Print("   Resolution              : %.3fum x %.3fum\n", m.pitch_x * 1e6, m.pitch_y * 1e6);
  r.Print("   Binning                 : %i / %i\n", m.binning, m.sample_factor);
  r.Print("   Samples per Pixel       : %i\n", m.ADC_Ovs);
  r.Print("   Max Pixel Value         : %i\n", m.MaxPixVal);
  r.Print("   Pixel Scale Factor      : %5.3f\n", m.PixScale);
  r.Print("   Pixels per line         : %i\n", m.Anz_Pix);
  r.Print("   Laser Power             : %i\n", m.Laser);
  r.Print("   Base PMT Value          : %i\n", m.base_pmt);
  r.Print("   Actual PMT Voltage      : %i\n", m.pmt_voltage);
  r.Print("   Threshold               : %i\n", m.ADC_SW);
  r.Print("   Stepper frequency       : %i %s\n", m.SMOT, m.stepper_reversed ? "Reverse" : "Forward");
  r.Print("   Steps to inlet          : %i\n", m.inlet_steps);
  r.Print("   Steps to outlet         : %i\n", m.outlet_steps);
  r.Print("   Scan Plate Type         : %d '%s'\n", m.plate_type, PlateTypeName(m.plate_type));
  r.Print("   Rotation                : %i\n", m.rotation);
  r.Print("   Mirror mode             : %s\n", m.mirror ? "Enabled" : "Disabled");
  r.Print("   DeFlash filter          : %i\n", m.deflash);
  r.Blank();
}

void Filter(ReportText& r, const Session& s) {
  const ScanMode& m = s.mode;
  if (s.filter_enabled && m.filter != 0) {
    const FilterParams& f = m.filter_params;
    r.Print("Post-processing image filter:\n");
    r.Print("   Index                  : %i\n", m.filter);
    r.Print("   Name                   : %s\n", m.filter_name.c_str());
    r.Print("   Low Pass               : %g, %g, %g\n", f.low_block, f.low_gain, f.low_sigma);
    r.Print("   High Pass              : %g, %g, %g\n", f.high_block, f.high_gain, f.high_sigma);
  } else {
    r.Print("Post-processing filter disabled\n");
  }
  r.Blank();
}

}  // namespace

int Write_Report(Session& s, const std::string& path) {
  std::FILE* file = platform::OpenFile(path, "w");
  if (file == nullptr) return kErrFailed;
  const IniFile ini = Ini_Open();
  ReportText r;
  Heading(r);
  SystemAndInterface(r, s);
  MainBoard(r, s);
  BufferRam(r, s.memory);
  IdProm(r, s);
  ScanModes(r, ini);
  Normalization(r, s, ini);
  CommonSettings(r, s.mode);
  ModeSettings(r, s.mode, s.mode_name);
  Filter(r, s);
  r.Print("-- End of report --\n");
  const std::string& text = r.Text();
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed ? kOk : kErrFailed;
}

}  // namespace tarvel
