// The colour library's mathematics against independent oracles: Python's
// colorsys for HSB and HLS, PIL's colour management for Lab.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <vector>

#include "testing/oracle.h"
#include "toolkit/outside/color/conversions.h"

using namespace mwcolor;

namespace {

std::vector<Rgb> RgbGrid(int step) {
  std::vector<Rgb> grid;
  for (int r = 0; r < 256; r += step)
    for (int g = 0; g < 256; g += step)
      for (int b = 0; b < 256; b += step) grid.push_back({uint8_t(r), uint8_t(g), uint8_t(b)});
  return grid;
}

std::string Lines(const std::vector<Rgb>& v) {
  std::ostringstream s;
  for (auto& c : v) s << int(c[0]) << ' ' << int(c[1]) << ' ' << int(c[2]) << '\n';
  return s.str();
}

std::vector<std::vector<double>> ParseRows(const std::string& out) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream l(line);
    std::vector<double> row;
    double v;
    while (l >> v) row.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

// Bytes as the colour library holds them: unit values x 255, rounded half up.
const char* kColorsys = R"(
import colorsys, math, sys
b = lambda u: int(math.floor(u * 255 + 0.5))
for line in sys.stdin:
    r, g, bl = (int(x) / 255 for x in line.split())
    h, s, v = colorsys.rgb_to_hsv(r, g, bl)
    hh, l, ss = colorsys.rgb_to_hls(r, g, bl)
    # the same bytes read as HSB and as HLS, back to RGB
    x, y, z = (int(v) / 255 for v in line.split())
    r1 = colorsys.hsv_to_rgb(x, y, z)
    r2 = colorsys.hls_to_rgb(x, y, z)
    print(b(h), b(s), b(v), b(hh), b(l), b(ss), *[b(c) for c in r1], *[b(c) for c in r2])
)";

void ExpectNear(const char* what, const Rgb& in, int got, double want, double tolerance) {
  EXPECT_NEAR(got, want, tolerance) << what << " of " << int(in[0]) << "," << int(in[1]) << "," << int(in[2]);
}

}  // namespace

TEST(ColorMath, HsbAndHlsMatchColorsys) {
  REQUIRE_ORACLE(testsupport::PythonHas("colorsys"), "python3 colorsys");
  const std::vector<Rgb> grid = RgbGrid(15);
  std::string text;
  const bool ok = testsupport::RunPython(kColorsys, Lines(grid), &text) == 0;
  auto rows = ParseRows(text);
  ASSERT_TRUE(ok);
  ASSERT_EQ(rows.size(), grid.size());
  for (size_t i = 0; i < grid.size(); ++i) {
    const auto& w = rows[i];
    ASSERT_EQ(w.size(), 12u);
    auto hsb = RgbToHsb(grid[i]);
    auto hls = RgbToHls(grid[i]);
    // A hue of 1.0 and of 0.0 name the same colour.
    const auto hue = [](int got, double want) { return (got == 255 && want == 0) ? 0 : got; };
    ExpectNear("hue (HSB)", grid[i], hue(hsb[0], w[0]), w[0] == 255 ? 0 : w[0], 1);
    ExpectNear("saturation (HSB)", grid[i], hsb[1], w[1], 1);
    ExpectNear("brightness", grid[i], hsb[2], w[2], 0);
    ExpectNear("hue (HLS)", grid[i], hue(hls[0], w[3]), w[3] == 255 ? 0 : w[3], 1);
    ExpectNear("lightness", grid[i], hls[1], w[4], 1);
    ExpectNear("saturation (HLS)", grid[i], hls[2], w[5], 1);
    auto from_hsb = HsbToRgb(grid[i]);
    auto from_hls = HlsToRgb(grid[i]);
    for (int c = 0; c < 3; ++c) {
      ExpectNear("RGB from HSB", grid[i], from_hsb[c], w[6 + c], 1);
      ExpectNear("RGB from HLS", grid[i], from_hls[c], w[9 + c], 1);
    }
  }
}

// PIL gives Lab in the profile connection space (D50); the oracle adapts it
// to the D65 white of sRGB with the Bradford transform.
const char* kPilLab = R"(
import sys
import numpy as np
from PIL import Image, ImageCms
rgb = [tuple(int(x) for x in l.split()) for l in sys.stdin]
im = Image.new('RGB', (len(rgb), 1)); im.putdata(rgb)
t = ImageCms.buildTransform(ImageCms.createProfile('sRGB'), ImageCms.createProfile('LAB'), 'RGB', 'LAB')
raw = np.frombuffer(ImageCms.applyTransform(im, t).tobytes(), dtype=np.uint8).reshape(-1, 3)
L = raw[:, 0].astype(float) * 100 / 255
a = raw[:, 1].astype(np.int8).astype(float); b = raw[:, 2].astype(np.int8).astype(float)
d = 6 / 29
finv = lambda t: np.where(t > d, t ** 3, 3 * d * d * (t - 4 / 29))
fy = (L + 16) / 116
xyz50 = np.stack([finv(fy + a / 500), finv(fy), finv(fy - b / 200)], 1) * [0.96422, 1, 0.82521]
bradford = np.array([[0.9555766, -0.0230393, 0.0631636], [-0.0282895, 1.0099416, 0.0210077],
                     [0.0122982, -0.0204830, 1.3299098]])
x = xyz50 @ bradford.T / [0.95047, 1, 1.08883]
f = np.where(x > d ** 3, np.cbrt(x), x / (3 * d * d) + 4 / 29)
for l, aa, bb in zip(116 * f[:, 1] - 16, 500 * (f[:, 0] - f[:, 1]), 200 * (f[:, 1] - f[:, 2])):
    print(l, aa, bb)
)";

TEST(ColorMath, LabMatchesPilColourManagement) {
  REQUIRE_ORACLE(testsupport::PythonHas("numpy, PIL.ImageCms"), "python3-pil with ImageCms, python3-numpy");
  const std::vector<Rgb> grid = RgbGrid(17);
  std::string text;
  const bool ok = testsupport::RunPython(kPilLab, Lines(grid), &text) == 0;
  auto rows = ParseRows(text);
  ASSERT_TRUE(ok);
  ASSERT_EQ(rows.size(), grid.size());
  for (size_t i = 0; i < grid.size(); ++i) {
    auto lab = RgbToLab(grid[i]);
    // PIL's bytes and the adaptation leave about one unit of a and b.
    ExpectNear("L byte", grid[i], lab[0], rows[i][0] * 255 / 100, 1.5);
    ExpectNear("a", grid[i], int8_t(lab[1]), rows[i][1], 1.5);
    ExpectNear("b", grid[i], int8_t(lab[2]), rows[i][2], 1.5);
  }
}

TEST(ColorMath, SrgbRedInLab) {
  auto lab = RgbToLab({255, 0, 0});  // L 53.24, a 80.09, b 67.20
  EXPECT_EQ(lab[0], 136);  // 53.24 x 255 / 100 = 135.8
  EXPECT_EQ(int8_t(lab[1]), 80);
  EXPECT_EQ(int8_t(lab[2]), 67);
}

// Lab to RGB inverts RGB to Lab: the colour found lies within the Lab
// bytes' own rounding of the colour it came from.
TEST(ColorMath, LabToRgbInvertsRgbToLab) {
  for (const Rgb& c : RgbGrid(17)) {
    const auto lab = RgbToLab(c);
    const auto again = RgbToLab(LabToRgb(lab));
    EXPECT_NEAR(again[0], lab[0], 1) << int(c[0]) << "," << int(c[1]) << "," << int(c[2]);
    EXPECT_NEAR(int8_t(again[1]), int8_t(lab[1]), 2) << int(c[0]) << "," << int(c[1]) << "," << int(c[2]);
    EXPECT_NEAR(int8_t(again[2]), int8_t(lab[2]), 2) << int(c[0]) << "," << int(c[1]) << "," << int(c[2]);
  }
}

TEST(ColorMath, CmyAndCmyk) {
  struct Case {
    Rgb rgb;
    std::array<uint8_t, 3> cmy;
    std::array<uint8_t, 4> cmyk;
  };
  const Case cases[] = {
      {{255, 0, 0}, {0, 255, 255}, {0, 255, 255, 0}},
      {{0, 0, 0}, {255, 255, 255}, {0, 0, 0, 255}},
      {{255, 255, 255}, {0, 0, 0}, {0, 0, 0, 0}},
      {{128, 64, 0}, {127, 191, 255}, {0, 128, 255, 127}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RgbToCmy(c.rgb), c.cmy);
    EXPECT_EQ(CmyToRgb(c.cmy), c.rgb);
    EXPECT_EQ(RgbToCmyk(c.rgb), c.cmyk);
    EXPECT_EQ(CmykToRgb(c.cmyk), c.rgb);
  }
}
