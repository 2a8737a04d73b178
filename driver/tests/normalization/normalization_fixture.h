#pragma once
// Normalization tests: a session on the simulated scanner in a scan mode of
// about 100 um (the resolution calibration needs), image files written by
// the test, and an oracle of the normalization file written independently.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/normalization/normalization_file.h"
#include "driver/tests/session/session_fixture.h"

namespace normtest {

// Mode 1: Res 100 on the parallel-port scanner: S = 24, pitch x
// 4000 x 24 x 0.1004 x 1.047197548522747e-8 m, Strt_Pix 14583, Anz_Pix 3160.
constexpr const char* kIni100 =
    "[Scanner]\n"
    "MinImageSize=1\n"
    "[Param_#1]\n"
    "ParamName=Flat 100\n"
    "ImgTypes=Intra\n"
    "Res=100\n"
    "Threshold=100\n"
    "DeFlash=0\n";
constexpr int kAnzPix = 3160;
constexpr double kPitchX = 4000.0 * 24 * 0.1004 * 1.047197548522747e-8;
constexpr int kStrtPix = 14583;
constexpr const char* kSerial = "VX0000001";

// The text with every line end written CR LF.
inline std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The fields of an image record the test chooses.
struct Record {
  int width = 2600, height = 1100;
  int pitch_x = 100000, pitch_y = 100000;
  int start = 100;
  std::string serial = kSerial;
  int year = 2026, month = 3, day = 14, hour = 9, minute = 26, second = 53;
};

// A flat field base x gain(x) along the line.
inline std::vector<uint16_t> GainField(const Record& r, double base, double (*gain)(int)) {
  std::vector<uint16_t> px(static_cast<size_t>(r.width) * r.height);
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) px[static_cast<size_t>(y) * r.width + x] = uint16_t(base * gain(x) + 0.5);
  return px;
}

// Writes a DiskImage and its packed information file.
inline void WriteImage(const std::string& name, const Record& r, const std::vector<uint16_t>& px) {
  std::string disk(4, '\0');
  disk[0] = char(r.width & 0xFF), disk[1] = char(r.width >> 8);
  disk[2] = char(r.height & 0xFF), disk[3] = char(r.height >> 8);
  disk.append(reinterpret_cast<const char*>(px.data()), px.size() * 2);
  ASSERT_TRUE(platform::WriteFileAtomically(name, disk));
  ImageInfoFile info{};
  info.size = 108;
  info.width = r.width;
  info.height = r.height;
  info.pitch_x = r.pitch_x;
  info.pitch_y = r.pitch_y;
  info.bits_per_pixel = 16;
  info.start_position = r.start;
  info.year = uint16_t(r.year);
  info.month = uint8_t(r.month), info.day = uint8_t(r.day);
  info.hour = uint8_t(r.hour), info.minute = uint8_t(r.minute), info.second = uint8_t(r.second);
  std::memcpy(info.serial_number, r.serial.data(), std::min(r.serial.size(), sizeof info.serial_number));
  const std::string txt = name.substr(0, name.size() - 3) + "txt";
  ASSERT_TRUE(platform::WriteFileAtomically(txt, std::string(reinterpret_cast<const char*>(&info), sizeof info)));
}

// The normalization file the calibration must write for these pixels:
// measured area, P10, and P10 x rows / column sum per scan-line position.
inline std::string OracleFile(const Record& r, const std::vector<uint16_t>& px, int anz_pix = kAnzPix) {
  const int r0 = r.height / 4, rows = r.height / 2, c0 = r.width / 20, cols = 9 * r.width / 10;
  std::vector<long long> count(65536, 0), colsum(static_cast<size_t>(cols), 0);
  long long total = 0;
  for (int y = r0; y < r0 + rows; ++y)
    for (int c = 0; c < cols; ++c) {
      const uint16_t v = px[static_cast<size_t>(y) * r.width + c0 + c];
      count[v]++;
      colsum[static_cast<size_t>(c)] += v;
      total += v;
    }
  const long long n = (long long)rows * cols;
  long long running = 0;
  int p10 = 0;
  while (running < n / 10) running += count[static_cast<size_t>(p10++)];
  if (p10 == 0) p10 = 1;
  const int value_count = int(anz_pix * kPitchX / (r.pitch_x * 1e-9)) + 1;
  std::string text = r.serial + "\n";
  char line[128];
  std::snprintf(line, sizeof line, "%d\n%d\n%d\n%d:%d:%d\n%d:%d:%d\n%d\n****************\n", kStrtPix, value_count,
                r.pitch_x, r.day, r.month, r.year, r.hour, r.minute, r.second, int(total / n));
  text += line;
  for (int k = 0; k < value_count; ++k) {
    int c = k - (r.start + c0);
    c = c < 0 ? 0 : c >= cols ? cols - 1 : c;
    std::snprintf(line, sizeof line, "%f\n", double(p10) * rows / double(colsum[static_cast<size_t>(c)]));
    text += line;
  }
  return text;
}

constexpr uint16_t kMaxPixVal = 24 * 2047;  // S = 24

inline double SineShape(int k) { return 0.9 + 0.25 * std::sin(k * 0.01); }

// A file of `count` factors `pitch` nm apart that vary along the line.
inline tarvel::NormalizationFile Factors(int count, int pitch, double (*shape)(int) = SineShape) {
  tarvel::NormalizationFile f;
  f.serial = kSerial;
  f.scan_start = kStrtPix;
  f.value_count = count;
  f.value_pitch = pitch;
  f.day = 14, f.month = 3, f.year = 2026, f.hour = 9, f.minute = 26, f.second = 53, f.mean = 20012;
  for (int k = 0; k < count; ++k) f.factors.push_back(shape(k));
  // What "%f" keeps of them is what the driver reads.
  return tarvel::ParseNormalizationFile(tarvel::FormatNormalizationFile(f));
}

// Smallest count of factors `pitch` nm apart that covers the mode's line.
inline int Covering(int pitch) { return int(std::ceil(kAnzPix * kPitchX / (pitch * 1e-9))); }

// The image a plate makes through a table of the parsed factors (each
// multiplied into the pixel scale, 65535 / MaxPixVal with `Scale16Bit`).
inline std::vector<uint16_t> Corrected(const sim::PlateImage& plate, int x0, const tarvel::NormalizationFile* f,
                                       bool scale16 = false) {
  const double pix_scale = scale16 ? 65535.0 / kMaxPixVal : 1.0;
  const uint16_t max = scale16 ? 65535 : kMaxPixVal;
  std::vector<uint16_t> out(plate.pixels.size());
  for (int y = 0; y < plate.height; ++y)
    for (int j = 0; j < plate.width; ++j) {
      const size_t at = size_t(y) * plate.width + j;
      const uint16_t v = plate.pixels[at];
      double factor = pix_scale;
      if (f) {
        // A file of the mode's own (rounded) pitch holds one factor a pixel.
        const bool own = f->value_pitch == int(kPitchX * 1e9 + 0.5);
        const double k = own ? double(x0 + j) : std::trunc(double(x0 + j) * kPitchX * 1e9 / f->value_pitch);
        factor *= f->factors[size_t(std::min(k, double(f->value_count - 1)))];
      }
      const double p = v * factor;
      out[at] = v < max && p < max ? uint16_t(p) : max;
    }
  return out;
}

class NormalizationTest : public sessiontest::SessionTest {
 protected:
  // Opens mode 1 on the parallel-port scanner with the ini text given.
  void OpenSession(const std::string& ini = kIni100) {
    WriteIni(ini);
    scenario.fpga_configured = true;
    Attach();
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
  }
  // A new session of the ini with `kor` as its calibration data scans the
  // scenario's plates again; the images it hands out.
  std::vector<std::string> ScanCalibrated(std::string ini, const std::string& kor) {
    ini.insert(ini.find("[Param_#1]"), "Kalibrierdaten=" + kor + "\n");
    sim::DetachParallelPort();
    OpenSession(ini);
    EXPECT_EQ(Aktivate_Scanner(), 0);
    return PollPlatesThrough(120000);
  }
  std::string Calib() const { return bin() + "/calib"; }
  std::string Read(const std::string& path) const { return platform::ReadWholeFile(path).value_or("<missing>"); }
};

}  // namespace normtest
