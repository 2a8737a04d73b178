#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "driver/config/filter_settings.h"
#include "driver/config/log_sink.h"

// Scan-mode configuration: everything a session derives from one scan mode of
// the ini file (section "Param_#<n>") and the scanner type.
namespace tarvel {

// `PlateType` of a mode (ini key `ImgTypes`).
enum PlateType : int {
  kPlateIntraoral = 0,
  kPlateCephalometric = 1,
  kPlateNormal = 2,
  kPlateErase = 3,
  kPlateUndefined = 4,
};
// "Intraoral", "Cephalometric", "Normal", "Erase", "Undefined".
const char* PlateTypeName(int plate_type);
// "Intra" 0, "Ceph" 1, "Erase" 3 (compared without case), anything else 2.
PlateType PlateTypeFromImgTypes(const std::string& img_types);

// `ScanMode`: the record the register programming and the image assembly
// read (fields in the record's order; the names in the log's spelling where
// the session log prints them), then the session values derived with it.
struct ScanMode {
  uint16_t ADC_Ovs = 0;  // samples summed per pixel (S)
  uint16_t ADC_SW = 0;  // lit-sample threshold (`Threshold`)
  uint16_t SMOT = 0;  // stepper value F: motor clock periods per line
  int32_t outlet_steps = 0;  // scan line to outlet (low 16 bits)
  uint8_t stepper_reversed = 0;  // 1 when `SMotStep` is negative or missing
  uint8_t check_light_level = 0;
  int16_t deflash = 0;  // DeFlash threshold of the image assembly
  int32_t inlet_steps = 0;  // inlet to scan line (low 16 bits)
  uint16_t RPM = 0;  // scan motor speed (`Pentaspd`)
  uint16_t PPR = 0;  // scan motor pulses per revolution
  uint16_t Laser = 0;
  uint8_t slots = 0;  // slot mask of the session
  uint16_t base_pmt = 0;  // `PMT_HV` as configured ("Base PMT Value")
  uint16_t pmt_voltage = 0;  // photomultiplier voltage to program ("PMT Voltage")
  uint16_t Strt_Pix = 0;  // sample index of a line's first pixel
  uint16_t Anz_Pix = 0;  // pixels per line
  uint16_t Blk_Pix = 0;  // pixels of the rest of the revolution
  uint8_t laser_temp_max = 0;  // degrees
  uint8_t laser_temp_warn = 0;  // degrees; above it open and activation fail
  int32_t binning = 1;  // lines and pixels combined per image pixel, 1 or 2
  int32_t sample_factor = 1;  // 2 when the oversampling was halved
  uint8_t mwindow_x = 0;  // measuring window, percent
  uint8_t mwindow_y = 0;
  int32_t rotation = 0;  // degrees
  float scale = 1.0f;
  uint8_t mirror = 0;

  // Session values.
  uint8_t mode = 0;  // the scan mode number
  double pitch_x = 0;  // pixel pitch along the line, metres
  double pitch_y = 0;  // line pitch, metres
  uint16_t MaxPixVal = 0;
  double PixScale = 1.0;
  double pmt_scale_factor = 1.0;
  double max_aspect_ratio = 3.0;
  int32_t min_image_pixels = 0;  // smallest plate in pixels (for the device object)
  int32_t slot_boundaries[7] = {};  // pixel index of 0, 45, ..., 270 degrees
  int plate_type = kPlateNormal;
  int filter = 0;  // negative: the unfiltered image is kept too
  std::string filter_name;  // `Name` of section "Filter_#<|filter|>"
  FilterParams filter_params;  // the six values of that section

  // False when the ini values give a zero divisor or a value out of range
  // (e.g. `Pentaspd` 0); the session refuses such a mode. The reason names
  // the value, for the log.
  bool usable = true;
  std::string unusable_reason;
};

// Reads the 16-bit word at a byte address of the identification PROM (I2C
// device 0xA8); false when the read fails.
using PmtWordReader = std::function<bool(uint8_t address, uint16_t& word)>;

struct IniPath;

// The scan motion of the [Scanner] section: the stepper step (the size of
// `SMotStep`; missing: 1.163e-6), reversed when `SMotStep` is negative or
// missing, and the scan circle `Abtastkreis` (0.1004).
struct ScanMotion {
  double step = 0;
  bool reversed = false;
  double circle = 0;
};
ScanMotion Ini_ScanMotion(const IniPath& ini);

// Samples summed per pixel for a pixel size (micrometres) at a scan motor
// speed (rpm) on a scan circle (metres), before rounding.
double SamplesPerPixel(double res_um, double rpm, double circle);

// `Load_ScanMode`: derives `mode` of the ini file for a scanner of
// `scanner_type`. The PMT voltage is taken from the identification PROM word
// at ((mode + 50) x 4) mod 256 when `read_pmt_word` reads one between 300
// and 1250 (logged to `log` when given). Returns 0, or
// kErrOutOfRange when the mode is unusable (`usable` false, `unusable_reason`
// set).
int Load_ScanMode(ScanMode& scan_mode, int mode, int scanner_type, const PmtWordReader& read_pmt_word,
                  LogSink* log = nullptr);

}  // namespace tarvel
