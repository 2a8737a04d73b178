#include "viewer/app/appearance.h"

#include "viewer/core/settings.h"

namespace viewer {
namespace {

// Longest face name a font takes (31 characters and the terminator).
constexpr size_t kFaceNameLimit = 31;
// Largest character height in pixels, either sign.
constexpr int32_t kLargestFontHeight = 1000;
// The four style bits.
constexpr uint8_t kFontStyleBits = 15;
// The last system colour index.
constexpr uint32_t kLastSystemColor = 30;

// A plain colour (0x00BBGGRR) or a system colour (0x80000000 + index).
bool IsColorValue(uint32_t v) { return (v >> 24) == 0 || (v >= 0x80000000u && v <= 0x80000000u + kLastSystemColor); }

uint32_t ReadColor(const char* subkey, const char* name, uint32_t fallback) {
  const uint32_t v = static_cast<uint32_t>(ReadRegInteger(subkey, name, static_cast<int32_t>(fallback)));
  return IsColorValue(v) ? v : fallback;
}

FontValues ReadFont(const char* subkey, const FontValues& fallback) {
  FontValues font;
  font.color = ReadColor(subkey, "Font Color", fallback.color);
  font.height = ReadRegInteger(subkey, "Font Height", fallback.height, -kLargestFontHeight, kLargestFontHeight);
  font.name = ReadRegString(subkey, "Font Name", fallback.name);
  if (font.name.size() > kFaceNameLimit) font.name = fallback.name;
  ReadRegBinary(&font.style, subkey, "Font Style", 1, &fallback.style);
  if (font.style > kFontStyleBits) font.style = fallback.style;
  return font;
}

void WriteColor(const char* subkey, const char* name, uint32_t value, uint32_t fallback) {
  WriteRegInteger(subkey, name, static_cast<int32_t>(value), static_cast<int32_t>(fallback));
}

void WriteFont(const char* subkey, const FontValues& font, const FontValues& fallback) {
  WriteColor(subkey, "Font Color", font.color, fallback.color);
  WriteRegInteger(subkey, "Font Height", font.height, fallback.height);
  WriteRegString(subkey, "Font Name", font.name, fallback.name);
  WriteRegBinary(subkey, "Font Style", &font.style, 1, &fallback.style);
}

}  // namespace

Appearance ReadAppearance(const Appearance& d) {
  Appearance a;
  a.viewerColor = ReadColor(kImageViewerKey, "Color", d.viewerColor);
  ReadRegBinary(a.colorInfo.data(), kImageViewerKey, "Color Information", a.colorInfo.size(), d.colorInfo.data());
  a.viewerFont = ReadFont(kImageViewerKey, d.viewerFont);
  a.penColor = ReadColor(kImageViewerKey, "Pen Color", d.penColor);
  a.histogramColor = ReadColor(kHistogramKey, "Color", d.histogramColor);
  a.dataColor = ReadColor(kHistogramKey, "Data Color", d.dataColor);
  a.lutColor = ReadColor(kHistogramKey, "LUT Color", d.lutColor);
  a.lutBackground = ReadColor(kHistogramKey, "LUT Background Color", d.lutBackground);
  a.histogramFont = ReadFont(kHistogramKey, d.histogramFont);
  return a;
}

void WriteAppearance(const Appearance& a, const Appearance& d) {
  WriteColor(kImageViewerKey, "Color", a.viewerColor, d.viewerColor);
  WriteRegBinary(kImageViewerKey, "Color Information", a.colorInfo.data(), a.colorInfo.size(), d.colorInfo.data());
  WriteFont(kImageViewerKey, a.viewerFont, d.viewerFont);
  WriteColor(kImageViewerKey, "Pen Color", a.penColor, d.penColor);
  WriteColor(kHistogramKey, "Color", a.histogramColor, d.histogramColor);
  WriteColor(kHistogramKey, "Data Color", a.dataColor, d.dataColor);
  WriteColor(kHistogramKey, "LUT Color", a.lutColor, d.lutColor);
  WriteColor(kHistogramKey, "LUT Background Color", a.lutBackground, d.lutBackground);
  WriteFont(kHistogramKey, a.histogramFont, d.histogramFont);
}

}  // namespace viewer
