#include "driver/config/scan_mode.h"

#include "driver/config/filter_settings.h"
#include "driver/config/ini_file.h"
#include "driver/config/log_sink.h"
#include "driver/config/scanner_type.h"
#include "driver/result_codes.h"
#include "platform/ascii.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace tarvel {
namespace {

// The scanner's firmware computes the scan geometry in single precision;
// these are its constants as it holds them, kept for identical results.
constexpr double kFirmwarePi = 3.1415926535;
constexpr double kStepperScale = 60000001064960.0;  // 6e13, the stepper value's scale
constexpr double kPitchXScale = 1.047197548522747e-8;  // about pi / 3e8: pitch per rpm, sample and metre of circle

// x + 0.5 truncated toward zero.
double Nearest(double x) { return std::trunc(x + 0.5); }

// num / den, NaN for a zero divisor (caught by the checked conversions).
double Ratio(double num, double den) { return den == 0 ? std::nan("") : num / den; }

// Conversions that mark the mode unusable instead of converting a value the
// target cannot hold (infinity, NaN, out of range).
class Checked {
 public:
  explicit Checked(ScanMode& m) : m_(m) {}

  uint16_t U16(double v, const char* what, bool nonzero = false) {
    if (!std::isfinite(v) || v < 0 || v > 65535 || (nonzero && v < 1)) {
      Fail(what);
      return 0;
    }
    return uint16_t(v);
  }
  int32_t I32(double v, const char* what) {
    if (!std::isfinite(v) || std::fabs(v) >= 2147483648.0) {
      Fail(what);
      return 0;
    }
    return int32_t(v);
  }
  // Low 16 bits of a step count.
  int32_t Low16(double v, const char* what) { return int32_t(uint32_t(I32(v, what)) & 0xFFFF); }
  void Positive(double v, const char* what) {
    if (!(std::isfinite(v) && v > 0)) Fail(what);
  }

 private:
  void Fail(const char* what) {
    if (m_.usable) m_.unusable_reason = what;
    m_.usable = false;
  }
  ScanMode& m_;
};

// Reads a number that `usable` accepts: false when the key is missing, and
// when its value is not usable, which is then logged as a warning naming
// the key.
template <class T, class Usable>
bool ReadUsable(const IniPath& ini, const std::string& section, const char* key, T& out, LogSink* log, Usable usable) {
  T v{};
  int r;
  if constexpr (std::is_same_v<T, int>) {
    r = Ini_ReadInt(ini, section, key, v);
  } else {
    r = Ini_ReadDouble(ini, section, key, v);
  }
  if (r != 0) return false;
  if (!usable(v)) {
    std::string text;
    Ini_ReadString(ini, section, key, text);
    if (log)
      Logf(*log, "WARNING: Unusable value '%s' of %s in [%s] is taken as missing\n", text.c_str(), key,
           section.c_str());
    return false;
  }
  out = v;
  return true;
}

}  // namespace

const char* PlateTypeName(int plate_type) {
  static const char* names[] = {"Intraoral", "Cephalometric", "Normal", "Erase", "Undefined"};
  return (plate_type >= 0 && plate_type <= 4) ? names[plate_type] : names[4];
}

PlateType PlateTypeFromImgTypes(const std::string& img_types) {
  if (platform::EqualsIgnoreCase(img_types, "Intra")) return kPlateIntraoral;
  if (platform::EqualsIgnoreCase(img_types, "Ceph")) return kPlateCephalometric;
  if (platform::EqualsIgnoreCase(img_types, "Erase")) return kPlateErase;
  return kPlateNormal;
}

double SamplesPerPixel(double res_um, double rpm, double circle) {
  return res_um * 300 / (rpm * circle * kFirmwarePi);
}

ScanMotion Ini_ScanMotion(const IniPath& ini) {
  double smot_step;
  if (Ini_ReadDouble(ini, "Scanner", "SMotStep", smot_step) != 0) smot_step = -1.163e-6;
  return {std::fabs(smot_step), smot_step < 0, Ini_DoubleOr(ini, "Scanner", "Abtastkreis", 0.1004)};
}

int Load_ScanMode(ScanMode& m, int mode, int type, const PmtWordReader& read_pmt_word, LogSink* log) {
  m = ScanMode{};
  Checked check(m);
  const IniPath ini = Ini_Open();
  const std::string sec = ModeSection(mode);
  const ScanGeometry& fixed = ScannerTypeFactsOf(type).geometry;
  const bool from_ini = fixed.from_ini;
  auto scanner_double = [&](const char* key, double fallback) { return Ini_DoubleOr(ini, "Scanner", key, fallback); };
  auto scanner_int = [&](const char* key, int fallback) { return Ini_IntOr(ini, "Scanner", key, fallback); };

  // Mode, motor and geometry inputs.
  m.mode = uint8_t(mode);
  m.RPM = uint16_t(Ini_IntOr(ini, sec, "Pentaspd", 4000));
  m.PPR = uint16_t(from_ini ? scanner_int("PentaPPR", fixed.ppr) : fixed.ppr);
  const ScanMotion motion = Ini_ScanMotion(ini);
  m.stepper_reversed = motion.reversed ? 1 : 0;
  const double step = motion.step;
  const double abtastkreis = motion.circle;
  const double abst_a = scanner_double("Abst_A", 0.008);
  const double abst_b = from_ini ? scanner_double("Abst_B", fixed.abst_b) : fixed.abst_b;
  double res_x, res_y;
  if (Ini_ReadDouble(ini, sec, "Res", res_x) != 0) res_x = Ini_DoubleOr(ini, sec, "Res_X", 50);
  if (Ini_ReadDouble(ini, sec, "Res", res_y) != 0) res_y = Ini_DoubleOr(ini, sec, "Res_Y", 50);
  const double rpm = m.RPM;
  check.Positive(rpm, "Pentaspd");
  check.Positive(step, "SMotStep");
  check.Positive(abtastkreis, "Abtastkreis");
  check.Positive(res_x, "Res_X");
  check.Positive(res_y, "Res_Y");

  // Binning, oversampling S and stepper value F. A negative `Binning`
  // gives a binning below 1 and so a stepper value F below 1: unusable.
  const int binning_key = Ini_IntOr(ini, sec, "Binning", 0);
  m.binning = binning_key >= 1 ? 2 : binning_key + 1;
  m.sample_factor = 1;
  uint16_t s = check.U16(Nearest(SamplesPerPixel(res_x, rpm, abtastkreis)), "samples per pixel", true);
  if (s > 32) {
    s = uint16_t(s / 2);
    m.binning = 2;
    m.sample_factor = 2;
  }
  m.ADC_Ovs = s;
  m.SMOT = check.U16(Nearest(Ratio(m.binning * step * kStepperScale, rpm * res_y)), "stepper factor", true);

  // Step counts and pitches.
  m.outlet_steps = check.Low16(Nearest(Ratio(abst_b + abst_a + 0.01, step)), "outlet steps");
  m.inlet_steps = check.Low16(Nearest(Ratio(abst_a + 0.003, step)), "inlet steps");
  if (m.usable) {
    m.pitch_y = m.binning * step * 6e7 / (rpm * m.SMOT);
    m.pitch_x = rpm * s * m.sample_factor * abtastkreis * kPitchXScale;
  }

  // Threshold and pixel scale. A threshold no sample can pass would make a
  // mode that never makes an image: it is taken as missing.
  m.MaxPixVal = uint16_t(s <= 16 ? s * 4095 : s * 2047);
  const int max_sample = m.MaxPixVal;
  auto usable_threshold = [&](const char* key, int& out) {
    return ReadUsable(ini, sec, key, out, log, [&](int t) { return t >= 0 && (t < max_sample || max_sample == 0); });
  };
  int threshold;
  if (!usable_threshold("Threshold", threshold) && !usable_threshold("Schwellwert", threshold)) threshold = 0;
  m.ADC_SW = uint16_t(threshold);
  m.PixScale = 1.0;
  if (scanner_int("Scale16Bit", 0) != 0 && m.MaxPixVal > 0) {
    m.PixScale = 65535.0 / m.MaxPixVal;
    m.MaxPixVal = 65535;
  }

  // Light level, laser.
  m.check_light_level = scanner_int("CheckLightlevel", 0) != 0 ? 1 : 0;
  m.Laser = uint16_t(Ini_IntOr(ini, sec, "Laser", 8));
  m.laser_temp_max = uint8_t(scanner_int("LaserTempMax", 60));
  m.laser_temp_warn = uint8_t(scanner_int("LaserTempWarn", 50));

  // Photomultiplier voltage, from the identification PROM when it holds
  // a plausible one.
  m.pmt_scale_factor = from_ini ? scanner_double("PMTScaleFactor", fixed.pmt_scale) : fixed.pmt_scale;
  m.base_pmt = uint16_t(Ini_IntOr(ini, sec, "PMT_HV", 0));
  const double configured_pmt = std::trunc(m.base_pmt * m.pmt_scale_factor);
  uint16_t word = 0;
  const uint8_t address = uint8_t((unsigned(mode) + 50u) * 4u);  // mod 256, for any mode
  if (read_pmt_word && read_pmt_word(address, word) && word >= 300 && word <= 1250) {
    m.pmt_voltage = word;
    if (log) Logf(*log, "Getting PMT HV out of the EEPROM instead of the Ini file: using %uV\n", unsigned(word));
  } else {
    m.pmt_voltage = check.U16(configured_pmt, "PMT voltage");
  }

  // Rotation and scale.
  m.rotation = Ini_IntOr(ini, sec, "Rotation", 0);
  m.scale = float(Ini_DoubleOr(ini, sec, "Scale", 1.0));

  // Line geometry and slot boundaries; a `ScanRange` from the ini is
  // clamped to 10..270 degrees.
  double sol_pos = fixed.sol_pos, scan_range = fixed.scan_range;
  if (from_ini) {
    sol_pos = scanner_double("SOLPos", fixed.sol_pos);
    if (Ini_ReadDouble(ini, "Scanner", "ScanRange", scan_range) == 0)
      scan_range = std::clamp(scan_range, 10.0, 270.0);
    else
      scan_range = fixed.scan_range;
  }
  m.Strt_Pix = check.U16(Nearest(Ratio(sol_pos * 1e7, rpm * 6)), "Strt_Pix");
  m.Anz_Pix = check.U16(Nearest(Ratio(scan_range * 1e7, rpm * s * 6)), "Anz_Pix");
  m.Blk_Pix = check.U16(Nearest(Ratio((360 - scan_range - sol_pos) * 1e7, rpm * s * 6)), "Blk_Pix");
  for (int i = 0; i < 7; ++i)
    m.slot_boundaries[i] = check.Low16(Nearest(45.0 * i / scan_range * m.Anz_Pix), "slot boundary");

  // Smallest plate in pixels.
  double min_size;
  if (Ini_ReadDouble(ini, "Scanner", "MinImageSize", min_size) != 0) min_size = scanner_double("MinBild", 400);
  if (m.usable) m.min_image_pixels = check.I32(std::trunc(min_size * 1e-6 / (m.pitch_x * m.pitch_y)), "MinImageSize");

  // Slots, aspect ratio, mirror, DeFlash.
  m.slots = uint8_t(from_ini ? scanner_int("Slots", fixed.slots) : fixed.slots);
  // A largest side ratio below 1 (or no number) would drop every plate.
  double ratio;
  auto usable_ratio = [&](const char* key) {
    return ReadUsable(ini, "Scanner", key, ratio, log, [](double r) { return r >= 1.0; });
  };
  if (!usable_ratio("MaxAspectRatio") && !usable_ratio("MaxImageRatio")) ratio = 3.0;
  m.max_aspect_ratio = ratio;
  m.mirror = Ini_IntOr(ini, sec, "Mirror", 0) != 0 ? 1 : 0;
  m.deflash = int16_t(Ini_IntOr(ini, sec, "DeFlash", 5000));

  // Plate type and filter.
  m.plate_type = PlateTypeFromImgTypes(Ini_StringOr(ini, sec, "ImgTypes", ""));
  m.filter = Ini_IntOr(ini, sec, "Filter", 0);
  if (m.filter != 0) {
    m.filter_name = Ini_StringOr(ini, FilterSection(m.filter), "Name", "");
    m.filter_params = ReadFilterParams(ini, m.filter);
  }

  // Measuring window.
  m.mwindow_x = uint8_t(scanner_int("MWindow_X", 80));
  m.mwindow_y = uint8_t(scanner_int("MWindow_Y", 80));
  return m.usable ? kOk : kErrOutOfRange;
}

}  // namespace tarvel
