#include "toolkit/outside/color/conversions.h"

#include <algorithm>
#include <cmath>

namespace mwcolor {
namespace {

uint8_t Byte(double unit) { return static_cast<uint8_t>(std::clamp(std::lround(unit * 255.0), 0L, 255L)); }
uint8_t SignedByte(double v) {
  return static_cast<uint8_t>(static_cast<int8_t>(std::clamp(std::lround(v), -128L, 127L)));
}
double Unit(uint8_t b) { return b / 255.0; }

// Hue in [0, 1) from the largest component, as colorsys computes it.
double Hue(double r, double g, double b, double maxc, double minc) {
  const double span = maxc - minc;
  const double rc = (maxc - r) / span, gc = (maxc - g) / span, bc = (maxc - b) / span;
  double h;
  if (r == maxc) {
    h = bc - gc;
  } else if (g == maxc) {
    h = 2.0 + rc - bc;
  } else {
    h = 4.0 + gc - rc;
  }
  h /= 6.0;
  h -= std::floor(h);
  return h;
}

// The RGB of hue sector i with fraction f (colorsys' hsv_to_rgb).
Rgb Sector(double h, double s, double v) {
  if (s == 0.0) return {Byte(v), Byte(v), Byte(v)};
  const int i = static_cast<int>(h * 6.0) % 6;
  const double f = h * 6.0 - std::floor(h * 6.0);
  const double p = v * (1.0 - s), q = v * (1.0 - s * f), t = v * (1.0 - s * (1.0 - f));
  switch (i) {
    case 0: return {Byte(v), Byte(t), Byte(p)};
    case 1: return {Byte(q), Byte(v), Byte(p)};
    case 2: return {Byte(p), Byte(v), Byte(t)};
    case 3: return {Byte(p), Byte(q), Byte(v)};
    case 4: return {Byte(t), Byte(p), Byte(v)};
    default: return {Byte(v), Byte(p), Byte(q)};
  }
}

double HlsValue(double m1, double m2, double hue) {
  hue -= std::floor(hue);
  if (hue < 1.0 / 6.0) return m1 + (m2 - m1) * hue * 6.0;
  if (hue < 0.5) return m2;
  if (hue < 2.0 / 3.0) return m1 + (m2 - m1) * (2.0 / 3.0 - hue) * 6.0;
  return m1;
}

// sRGB with the D65 white.
constexpr double kWhite[3] = {0.95047, 1.0, 1.08883};
constexpr double kToXyz[3][3] = {
    {0.4124564, 0.3575761, 0.1804375}, {0.2126729, 0.7151522, 0.0721750}, {0.0193339, 0.1191920, 0.9503041}};
constexpr double kToRgb[3][3] = {
    {3.2404542, -1.5371385, -0.4985314}, {-0.9692660, 1.8760108, 0.0415560}, {0.0556434, -0.2040259, 1.0572252}};
constexpr double kDelta = 6.0 / 29.0;

double Linear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double Gamma(double c) { return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055; }
double F(double t) { return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0; }
double FInverse(double t) { return t > kDelta ? t * t * t : 3 * kDelta * kDelta * (t - 4.0 / 29.0); }

}  // namespace

std::array<uint8_t, 3> RgbToHsb(Rgb rgb) {
  const double r = Unit(rgb[0]), g = Unit(rgb[1]), b = Unit(rgb[2]);
  const double maxc = std::max({r, g, b}), minc = std::min({r, g, b});
  if (maxc == minc) return {0, 0, Byte(maxc)};
  return {Byte(Hue(r, g, b, maxc, minc)), Byte((maxc - minc) / maxc), Byte(maxc)};
}

Rgb HsbToRgb(std::array<uint8_t, 3> hsb) { return Sector(Unit(hsb[0]), Unit(hsb[1]), Unit(hsb[2])); }

std::array<uint8_t, 3> RgbToHls(Rgb rgb) {
  const double r = Unit(rgb[0]), g = Unit(rgb[1]), b = Unit(rgb[2]);
  const double maxc = std::max({r, g, b}), minc = std::min({r, g, b});
  const double l = (minc + maxc) / 2.0;
  if (maxc == minc) return {0, Byte(l), 0};
  const double s = l <= 0.5 ? (maxc - minc) / (maxc + minc) : (maxc - minc) / (2.0 - maxc - minc);
  return {Byte(Hue(r, g, b, maxc, minc)), Byte(l), Byte(s)};
}

Rgb HlsToRgb(std::array<uint8_t, 3> hls) {
  const double h = Unit(hls[0]), l = Unit(hls[1]), s = Unit(hls[2]);
  if (s == 0.0) return {Byte(l), Byte(l), Byte(l)};
  const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
  const double m1 = 2.0 * l - m2;
  return {Byte(HlsValue(m1, m2, h + 1.0 / 3.0)), Byte(HlsValue(m1, m2, h)), Byte(HlsValue(m1, m2, h - 1.0 / 3.0))};
}

std::array<uint8_t, 3> RgbToCmy(Rgb rgb) {
  return {static_cast<uint8_t>(255 - rgb[0]), static_cast<uint8_t>(255 - rgb[1]), static_cast<uint8_t>(255 - rgb[2])};
}

Rgb CmyToRgb(std::array<uint8_t, 3> cmy) { return RgbToCmy(cmy); }

std::array<uint8_t, 4> RgbToCmyk(Rgb rgb) {
  const double r = Unit(rgb[0]), g = Unit(rgb[1]), b = Unit(rgb[2]);
  const double k = 1.0 - std::max({r, g, b});
  if (k >= 1.0) return {0, 0, 0, 255};
  return {Byte((1.0 - r - k) / (1.0 - k)), Byte((1.0 - g - k) / (1.0 - k)), Byte((1.0 - b - k) / (1.0 - k)), Byte(k)};
}

Rgb CmykToRgb(std::array<uint8_t, 4> cmyk) {
  const double k = Unit(cmyk[3]);
  return {Byte((1.0 - Unit(cmyk[0])) * (1.0 - k)), Byte((1.0 - Unit(cmyk[1])) * (1.0 - k)),
          Byte((1.0 - Unit(cmyk[2])) * (1.0 - k))};
}

std::array<uint8_t, 3> RgbToLab(Rgb rgb) {
  const double lin[3] = {Linear(Unit(rgb[0])), Linear(Unit(rgb[1])), Linear(Unit(rgb[2]))};
  double f[3];
  for (int i = 0; i < 3; ++i) {
    const double xyz = kToXyz[i][0] * lin[0] + kToXyz[i][1] * lin[1] + kToXyz[i][2] * lin[2];
    f[i] = F(xyz / kWhite[i]);
  }
  const double l = 116.0 * f[1] - 16.0;
  return {Byte(l / 100.0), SignedByte(500.0 * (f[0] - f[1])), SignedByte(200.0 * (f[1] - f[2]))};
}

Rgb LabToRgb(std::array<uint8_t, 3> lab) {
  const double l = Unit(lab[0]) * 100.0;
  const double a = static_cast<int8_t>(lab[1]), b = static_cast<int8_t>(lab[2]);
  const double fy = (l + 16.0) / 116.0;
  const double f[3] = {fy + a / 500.0, fy, fy - b / 200.0};
  double xyz[3];
  for (int i = 0; i < 3; ++i) xyz[i] = FInverse(f[i]) * kWhite[i];
  Rgb out;
  for (int i = 0; i < 3; ++i) {
    const double lin = kToRgb[i][0] * xyz[0] + kToRgb[i][1] * xyz[1] + kToRgb[i][2] * xyz[2];
    out[i] = Byte(Gamma(std::clamp(lin, 0.0, 1.0)));
  }
  return out;
}

}  // namespace mwcolor
