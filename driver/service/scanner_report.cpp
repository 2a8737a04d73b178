#include "driver/service/scanner_report.h"

#include <cstdio>
#include <cstring>

#include "driver/config/ini_file.h"
#include "driver/config/log_sink.h"
#include "driver/config/mode_list.h"
#include "driver/config/scanner_type.h"
#include "driver/config/session_log.h"
#include "driver/device/i2c_master.h"
#include "driver/normalization/normalization_load.h"
#include "driver/normalization/normalization_prom.h"
#include "driver/normalization/normalization_summary.h"
#include "driver/normalization/prom_copy.h"
#include "driver/service/service_readings.h"
#include "driver/session/version.h"
#include "platform/files.h"

namespace tarvel {
namespace {

// The report's text, built line by line before it is written.
class ReportText : public LogSink {
 public:
  void Write(std::string_view text) override { text_ += text; }
  void Blank() { text_ += '\n'; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

const char* InterfaceName(int kind) {
  return kind == kInterfaceParallel ? "EPP" : kind == kInterfaceUsb ? "USB" : "Unknown";
}

void Heading(ReportText& r) {
  Logf(r, "Vornix report generated: %s\n", TimeStamp().c_str());
  r.Blank();
  Logf(r, "Tarvel DLL Version: %s\n", kDriverVersionText);
  r.Blank();
}

void SystemAndInterface(ReportText& r, Session& s) {
  const int type = s.scanner_type;
  Logf(r, "Vornix System and Interface:\n");
  Logf(r, "   Serial Number : %s\n", s.serial);
  Logf(r, "   Type          : %s (%d)\n", ScannerTypeName(type), type);
  Logf(r, "   Interface     : %s\n", InterfaceName(s.Transport().InterfaceKind()));
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
  Logf(r, "Main Board Status:\n");
  for (const Line& l : kLines) {
    int32_t value = 0;
    Service_Reading(s.Device(), l.selector, &value);
    Logf(r, l.format, value * l.scale);
  }
  r.Blank();
}

void BufferRam(ReportText& r, const MemoryDescription& m) {
  Logf(r, "Buffer RAM Type:\n");
  Logf(r, "   Type   : %i\n", m.config_code);
  Logf(r, "   Width  : %i Bits\n", m.width);
  Logf(r, "   Rows   : %i\n", m.rows);
  Logf(r, "   Colums : %i\n", m.columns);
  Logf(r, "   Banks  : %i\n", m.device_banks);
  Logf(r, "   Sides  : %i\n", m.module_banks);
  Logf(r, "   Size   : %lli Bytes\n", static_cast<long long>(m.size));
  r.Blank();
}

void IdProm(ReportText& r, Session& s) {
  char bytes[256] = {};
  s.Transport().I2c_Read(reinterpret_cast<uint8_t*>(bytes), kI2cIdProm, 0, 255);
  Logf(r, "ID Prom:\n");
  Logf(r, "   Serial Number  : %s\n", Text_Slice(bytes, 0, 31).c_str());
  Logf(r, "   Data PROM Type : %d\n", static_cast<uint8_t>(bytes[kDataPromTypeByte]));
  r.Blank();
}

void ScanModes(ReportText& r, const IniPath& ini, int scanner_type) {
  Logf(r, "Configuration file:\n   %s\n", ini.path.c_str());
  r.Blank();
  const int count = ParamCount(scanner_type);
  Logf(r, "There are %i scan modes:\n", count);
  for (int mode = 1; mode <= count; ++mode) {
    std::string name;
    ParamName(scanner_type, mode, name);
    Logf(r, "%5i. %s\n", mode, name.c_str());
  }
  r.Blank();
}

// The header of the normalization copy in the data PROM (USB only).
void DataPromHeader(ReportText& r, Session& s) {
  Logf(r, "Data PROM Normalization information\n");
  if (RequireDataPromUsb(s.Device(), r) != 0) return;
  uint8_t bytes[kPromHeaderBytes] = {};
  PromHeader h;
  if (ReadDataPromHeader(s.Device(), r, bytes, &h) != 0) return;
  Logf(r, "   Version    : %u\n", static_cast<unsigned>(h.version));
  Logf(r, "   Checksum   : %i\n", h.checksum);
  Logf(r, "   ScanStart  : %i\n", h.scan_start);
  Logf(r, "   ValueCount : %i\n", h.value_count);
  Logf(r, "   ValuePitch : %i\n", h.value_pitch);
  Logf(r, "   Mean       : %i\n", h.mean);
  Logf(r, "   Date       : %04i-%02i-%02i %02i:%02i:%02i\n", h.year, h.month, h.day, h.hour, h.minute, h.second);
}

void Normalization(ReportText& r, Session& s, const IniPath& ini) {
  const std::string path = NormalizationFileNamed(ini);
  if (!path.empty()) {
    Logf(r, "Using normalization file:\n   %s\n", path.c_str());
    std::string serial, date;
    if (NormalizationFile_Summary(path, &serial, &date) == 0) {
      Logf(r, "   SN   : %s\n", serial.c_str());
      Logf(r, "   Date : %s\n", date.c_str());
    } else {
      Logf(r, "ERROR: file not found!\n");
    }
  } else if (s.id_block[kDataPromTypeByte] == 1) {
    DataPromHeader(r, s);
  } else {
    Logf(r, "Not using normalization data\n");
  }
  r.Blank();
}

void CommonSettings(ReportText& r, const ScanMode& m) {
  Logf(r, "Common settings:\n");
  Logf(r, "   PMT Voltage Scale Factor: %5.3f\n", m.pmt_scale_factor);
  Logf(r, "   SOL to Data Collection  : %7.3fmm\n", m.Strt_Pix * m.pitch_x * 1000 / m.ADC_Ovs);
  Logf(r, "   Data Collection Width   : %7.3fmm\n", m.Anz_Pix * m.pitch_x * 1000);
  Logf(r, "   Lines per minute        : %i\n", m.RPM);
  Logf(r, "   Encoder pulses per line : %i\n", m.PPR);
  Logf(r, "   Active Slots            : %02x\n", m.slots);
  Logf(r, "   Max Image Aspect Ratio  : %5.3f\n", m.max_aspect_ratio);
  Logf(r,
       "   Laser Warning Temp      : %i\xB0"
       "C\n",
       m.laser_temp_max);
  Logf(r,
       "   Laser Shutdown Temp     : %i\xB0"
       "C\n",
       m.laser_temp_warn);
  r.Blank();
}

void ModeSettings(ReportText& r, const ScanMode& m, const std::string& name) {
  Logf(r, "For mode %i '%s':\n", m.mode, name.c_str());
  Logf(r, "   Resolution              : %.3fum x %.3fum\n", m.pitch_x * 1e6, m.pitch_y * 1e6);
  Logf(r, "   Binning                 : %i / %i\n", m.binning, m.sample_factor);
  Logf(r, "   Samples per Pixel       : %i\n", m.ADC_Ovs);
  Logf(r, "   Max Pixel Value         : %i\n", m.MaxPixVal);
  Logf(r, "   Pixel Scale Factor      : %5.3f\n", m.PixScale);
  Logf(r, "   Pixels per line         : %i\n", m.Anz_Pix);
  Logf(r, "   Laser Power             : %i\n", m.Laser);
  Logf(r, "   Base PMT Value          : %i\n", m.base_pmt);
  Logf(r, "   Actual PMT Voltage      : %i\n", m.pmt_voltage);
  Logf(r, "   Threshold               : %i\n", m.ADC_SW);
  Logf(r, "   Stepper frequency       : %i %s\n", m.SMOT, m.stepper_reversed ? "Reverse" : "Forward");
  Logf(r, "   Steps to inlet          : %i\n", m.inlet_steps);
  Logf(r, "   Steps to outlet         : %i\n", m.outlet_steps);
  Logf(r, "   Scan Plate Type         : %d '%s'\n", m.plate_type, PlateTypeName(m.plate_type));
  Logf(r, "   Rotation                : %i\n", m.rotation);
  Logf(r, "   Mirror mode             : %s\n", m.mirror ? "Enabled" : "Disabled");
  Logf(r, "   DeFlash filter          : %i\n", m.deflash);
  r.Blank();
}

void Filter(ReportText& r, const Session& s) {
  const ScanMode& m = s.mode;
  if (s.filter_enabled && m.filter != 0) {
    const FilterParams& f = m.filter_params;
    Logf(r, "Post-processing image filter:\n");
    Logf(r, "   Index                  : %i\n", m.filter);
    Logf(r, "   Name                   : %s\n", m.filter_name.c_str());
    Logf(r, "   Low Pass               : %g, %g, %g\n", f.low_block, f.low_gain, f.low_sigma);
    Logf(r, "   High Pass              : %g, %g, %g\n", f.high_block, f.high_gain, f.high_sigma);
  } else {
    Logf(r, "Post-processing filter disabled\n");
  }
  r.Blank();
}

}  // namespace

int Write_Report(Session& s, const std::string& path) {
  std::FILE* file = platform::OpenFile(path, "w");
  if (file == nullptr) return kErrFailed;
  const IniPath ini = Ini_Open();
  ReportText r;
  Heading(r);
  SystemAndInterface(r, s);
  MainBoard(r, s);
  BufferRam(r, s.memory);
  IdProm(r, s);
  ScanModes(r, ini, s.scanner_type);
  Normalization(r, s, ini);
  CommonSettings(r, s.mode);
  ModeSettings(r, s.mode, s.mode_name);
  Filter(r, s);
  Logf(r, "-- End of report --\n");
  const std::string& text = r.Text();
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed ? kOk : kErrFailed;
}

}  // namespace tarvel
