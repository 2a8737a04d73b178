#pragma once
// Colour mathematics of the colour library: one colour, byte components.
#include <array>
#include <cstdint>

namespace mwcolor {

using Rgb = std::array<uint8_t, 3>;

std::array<uint8_t, 3> RgbToHsb(Rgb rgb);
Rgb HsbToRgb(std::array<uint8_t, 3> hsb);
std::array<uint8_t, 3> RgbToHls(Rgb rgb);
Rgb HlsToRgb(std::array<uint8_t, 3> hls);
std::array<uint8_t, 3> RgbToCmy(Rgb rgb);
Rgb CmyToRgb(std::array<uint8_t, 3> cmy);
std::array<uint8_t, 4> RgbToCmyk(Rgb rgb);
Rgb CmykToRgb(std::array<uint8_t, 4> cmyk);
std::array<uint8_t, 3> RgbToLab(Rgb rgb);
Rgb LabToRgb(std::array<uint8_t, 3> lab);

}  // namespace mwcolor
