#include "driver/imaging/fft_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace tarvel {
namespace {

using Image = std::vector<uint16_t>;

Image NoiseImage(int w, int h, unsigned seed, int lo = 1000, int hi = 60000) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> d(lo, hi);
  Image img(static_cast<size_t>(w) * h);
  // Noise over a gradient, so that the image has structure at every scale.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img[y * w + x] = static_cast<uint16_t>((d(rng) + 20000 * x / w + 10000 * y / h) / 2);
  return img;
}

// The stretch between the 1 % and 99 % points, written out from its
// definition over a row-major width x height array.
bool OracleStretch(const std::vector<double>& v, int w, int h, Image& out) {
  double mn = v[0], mx = v[0];
  for (double a : v) mn = std::min(mn, a), mx = std::max(mx, a);
  if (mn == mx) return false;
  std::vector<long> bins(1000, 0);
  for (double a : v) {
    const double b = 1000 / (mx - mn) * (a - mn);
    if (a != mx && b < 1000) ++bins[static_cast<int>(b)];  // the maximum is not counted
  }
  const long e = static_cast<long>(w) * h / 100;
  int i = 1000, n = -1;
  for (long s = 0, b = 0; b < 1000; ++b)
    if ((s += bins[b]) > e) {
      i = static_cast<int>(b);
      break;
    }
  for (long s = 0, b = 999; b >= 0; --b)
    if ((s += bins[b]) > e) {
      n = static_cast<int>(b);
      break;
    }
  const double lo = mn + (mx - mn) * 0.001 * i, hi = mn + (mx - mn) * 0.001 * n;
  if (hi <= lo) return false;
  out.resize(v.size());
  for (size_t k = 0; k < v.size(); ++k) {
    const double q = std::trunc(65535 / (hi - lo) * (v[k] - lo));
    out[k] = static_cast<uint16_t>(q < 0 ? 0 : q > 65535 ? 65535 : q);
  }
  return true;
}

double Transfer(const FilterParams& p, double rho) {
  const double l = p.low_block + (p.low_gain - p.low_block) * (1 - std::exp(-std::pow(rho / p.low_sigma, 2) / 2));
  const double g = p.high_block + (p.high_gain - p.high_block) * std::exp(-std::pow(rho / p.high_sigma, 2) / 2);
  return l * g;
}

// Naive long-double DFT of the edge-padded W x H image, the transfer function
// at every bin's own frequency (index k and N - k alike), the inverse DFT and
// the stretch of the image area.
bool OracleFilter(const Image& in, int w, int h, int W, int H, double pitch_x, double pitch_y, const FilterParams& p,
                  Image& out) {
  using C = std::complex<long double>;
  const long double two_pi = 2 * std::acos(-1.0L);
  std::vector<C> a(static_cast<size_t>(W) * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) a[y * W + x] = in[std::min(y, h - 1) * w + std::min(x, w - 1)];
  auto dft = [&](std::vector<C>& m, int sign) {
    std::vector<C> rows(m.size()), cols(m.size());
    for (int y = 0; y < H; ++y)
      for (int u = 0; u < W; ++u) {
        C s = 0;
        for (int x = 0; x < W; ++x) s += m[y * W + x] * std::polar(1.0L, sign * two_pi * ((u * x) % W) / W);
        rows[y * W + u] = s;
      }
    for (int v = 0; v < H; ++v)
      for (int u = 0; u < W; ++u) {
        C s = 0;
        for (int y = 0; y < H; ++y) s += rows[y * W + u] * std::polar(1.0L, sign * two_pi * ((v * y) % H) / H);
        cols[v * W + u] = s;
      }
    m = cols;
  };
  dft(a, -1);
  const double dfx = 1e6 / (pitch_x * W), dfy = 1e6 / (pitch_y * H);
  for (int v = 0; v < H; ++v)
    for (int u = 0; u < W; ++u) {
      const double fx = std::min(u, W - u) * dfx, fy = std::min(v, H - v) * dfy;
      a[v * W + u] *= Transfer(p, std::sqrt(fx * fx + fy * fy));
    }
  dft(a, +1);
  std::vector<double> area(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) area[y * w + x] = static_cast<double>(a[y * W + x].real());
  return OracleStretch(area, w, h, out);
}

int MaxDifference(const Image& a, const Image& b) {
  int d = 0;
  for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::abs(a[i] - b[i]));
  return d;
}

TEST(NextSmoothSize, IsTheSmallestSevenSmoothSizeAtLeastN) {
  const struct {
    int n, m;
  } cases[] = {{11, 12}, {13, 14}, {17, 18}, {121, 125},   {1, 1},       {2401, 2401}, {0, 1},      {-5, 1},
               {2, 2},   {19, 20}, {23, 24}, {4775, 4800}, {4040, 4050}, {2410, 2430}, {2020, 2025}};
  for (const auto& c : cases) EXPECT_EQ(NextSmoothSize(c.n), c.m) << c.n;
  EXPECT_TRUE(IsSmooth7(1));
  EXPECT_FALSE(IsSmooth7(11 * 2));
  EXPECT_FALSE(IsSmooth7(0));
}

struct OracleCase {
  int w, h, W, H;
};

TEST(FilterImageFFT, AgreesWithNaiveDftWithinOne) {
  const OracleCase sizes[] = {{12, 14, 12, 14}, {15, 14, 15, 14}, {15, 15, 15, 15}, {10, 7, 10, 7}, {9, 8, 9, 8},
                              {11, 13, 12, 14}, {13, 9, 14, 9},   {17, 6, 18, 6},   {13, 1, 14, 1}, {1, 11, 1, 12}};
  FilterParams strong;
  strong.low_block = 0.2, strong.low_gain = 1.6, strong.low_sigma = 1.5;
  strong.high_block = 0.05, strong.high_gain = 1.0, strong.high_sigma = 3.0;
  const FilterParams params[] = {FilterParams{}, strong};
  unsigned seed = 1;
  for (const auto& s : sizes)
    for (const auto& p : params) {
      const Image in = NoiseImage(s.w, s.h, seed++);
      Image expected, out(in.size(), 0);
      ASSERT_TRUE(OracleFilter(in, s.w, s.h, s.W, s.H, 50000, 70000, p, expected));
      ASSERT_TRUE(FilterImageFFT(s.w, s.h, in.data(), out.data(), 50000, 70000, p));
      EXPECT_LE(MaxDifference(out, expected), 1) << s.w << "x" << s.h << " low sigma " << p.low_sigma;
    }
}

TEST(FilterImageFFT, IdentityTransferIsThePercentileStretch) {
  FilterParams identity;
  identity.low_block = identity.low_gain = identity.high_block = identity.high_gain = 1;
  for (const OracleCase s : {OracleCase{101, 77, 0, 0}, OracleCase{64, 48, 0, 0}}) {
    const Image in = NoiseImage(s.w, s.h, 7);
    Image expected, out(in.size());
    ASSERT_TRUE(OracleStretch(std::vector<double>(in.begin(), in.end()), s.w, s.h, expected));
    ASSERT_TRUE(FilterImageFFT(s.w, s.h, in.data(), out.data(), 50000, 50000, identity));
    EXPECT_LE(MaxDifference(out, expected), 1);
    size_t same = 0;
    for (size_t i = 0; i < out.size(); ++i) same += out[i] == expected[i];
    EXPECT_GE(same, out.size() * 99 / 100);
  }
}

TEST(FilterImageFFT, InPlaceEqualsSeparateBuffers) {
  const Image in = NoiseImage(37, 29, 3);
  Image separate(in.size()), inplace = in;
  ASSERT_TRUE(FilterImageFFT(37, 29, in.data(), separate.data(), 40000, 40000, {}));
  ASSERT_TRUE(FilterImageFFT(37, 29, inplace.data(), inplace.data(), 40000, 40000, {}));
  EXPECT_EQ(inplace, separate);
}

TEST(FilterImageFFT, PitchBelow1000nmIsTakenAs100000nm) {
  const Image in = NoiseImage(20, 16, 5);
  auto run = [&](int px, int py) {
    Image out(in.size());
    EXPECT_TRUE(FilterImageFFT(20, 16, in.data(), out.data(), px, py, {}));
    return out;
  };
  const Image reference = run(100000, 100000);
  EXPECT_EQ(run(999, 100000), reference);
  EXPECT_EQ(run(100000, 0), reference);
  EXPECT_NE(run(1000, 100000), reference);
  EXPECT_NE(run(100000, 1000), reference);
}

TEST(FilterImageFFT, FailsWithOutputUntouched) {
  const Image noise = NoiseImage(8, 6, 9);
  const Image flat(8 * 6, 1234);
  FilterParams zero_sigma, negative_sigma, nan_gain, inf_block;
  zero_sigma.low_sigma = 0;
  negative_sigma.high_sigma = -2;
  nan_gain.high_gain = std::numeric_limits<double>::quiet_NaN();
  inf_block.low_block = std::numeric_limits<double>::infinity();
  const struct {
    const char* what;
    int w, h;
    const Image* in;
    FilterParams p;
  } cases[] = {
      {"1 x 1", 1, 1, &noise, {}},
      {"flat", 8, 6, &flat, {}},
      {"flat, one row", 8, 1, &flat, {}},
      {"zero width", 0, 6, &noise, {}},
      {"negative height", 8, -6, &noise, {}},
      {"zero sigma", 8, 6, &noise, zero_sigma},
      {"negative sigma", 8, 6, &noise, negative_sigma},
      {"NaN gain", 8, 6, &noise, nan_gain},
      {"infinite block", 8, 6, &noise, inf_block},
  };
  for (const auto& c : cases) {
    Image out(noise.size(), 0xBEEF);
    EXPECT_FALSE(FilterImageFFT(c.w, c.h, c.in->data(), out.data(), 50000, 50000, c.p)) << c.what;
    EXPECT_EQ(out, Image(noise.size(), 0xBEEF)) << c.what;
  }
  // Sizes whose transforms leave rounding residue on a flat image.
  for (const auto& [w, h] : {std::pair{11, 13}, std::pair{615, 820}, std::pair{37, 29}})
    for (uint16_t v : {1, 1234, 65535}) {
      const Image in(static_cast<size_t>(w) * h, v);
      Image out(in.size(), 0xBEEF);
      EXPECT_FALSE(FilterImageFFT(w, h, in.data(), out.data(), 50000, 50000, {})) << w << "x" << h << " " << v;
      EXPECT_EQ(out, Image(in.size(), 0xBEEF));
    }
  Image out(noise.size(), 0xBEEF);
  EXPECT_FALSE(FilterImageFFT(8, 6, nullptr, out.data(), 50000, 50000, {}));
  EXPECT_FALSE(FilterImageFFT(8, 6, noise.data(), nullptr, 50000, 50000, {}));
}

TEST(FilterImageFFT, OneGreyLevelOfStructureIsNotFlat) {
  // Left half one grey level below the right half.
  Image in(615 * 820, 1000);
  for (size_t y = 0; y < 820; ++y)
    for (size_t x = 300; x < 615; ++x) in[y * 615 + x] = 1001;
  Image out(in.size());
  EXPECT_TRUE(FilterImageFFT(615, 820, in.data(), out.data(), 50000, 50000, {}));
}

TEST(RescalePercentile, CountsNeitherTheMaximumNorValuesWhoseBinRoundsTo1000) {
  // 100 x 1: e = 1. 1000 / 15 x nextafter(15, 0) rounds to 1000, so that value
  // is not counted; 14.995 alone in bin 999 is then not above e, and the
  // upper point is the bin of 14 (933): 14 stretches to 65535.
  FilterGeometry g;
  g.width = g.W = 100;
  g.height = g.H = 1;
  std::vector<double> real(g.W * g.row(), 0.0), column(g.width);
  column[0] = 0;
  column[1] = 15;
  column[2] = std::nextafter(15.0, 0.0);
  column[3] = 14.995;
  for (int x = 4; x < g.width; ++x) column[x] = 1 + 13.0 * (x - 4) / (g.width - 5);
  for (int x = 0; x < g.width; ++x) real[x * g.row()] = column[x];
  ASSERT_EQ(1000 / 15.0 * column[2], 1000.0);
  Image out(g.width), expected;
  ASSERT_TRUE(RescalePercentile(g, real.data(), out.data()));
  ASSERT_TRUE(OracleStretch(column, g.width, 1, expected));
  EXPECT_EQ(out, expected);
  EXPECT_EQ(out[g.width - 1], 65535);  // the value 14
  // 1000 / 19 x 19 rounds below 1000: the maximum still goes uncounted.
  for (int x = 0; x < g.width; ++x) real[x * g.row()] = column[x] = x < 97 ? x * 0.1 : 19 - (x == 97);
  ASSERT_LT(1000 / 19.0 * 19.0, 1000.0);
  ASSERT_TRUE(RescalePercentile(g, real.data(), out.data()));
  ASSERT_TRUE(OracleStretch(column, g.width, 1, expected));
  EXPECT_EQ(out, expected);
  FilterGeometry empty = g, too_wide = g;
  empty.width = 0;
  too_wide.width = g.W + 1;
  EXPECT_FALSE(RescalePercentile(empty, real.data(), out.data()));
  EXPECT_FALSE(RescalePercentile(too_wide, real.data(), out.data()));
}

TEST(FilterImageFFT, SmallGainsAreNotTakenForAFlatResult) {
  // Values 0 and 1: the result spreads over about 0.6 grey levels. Scaling
  // the four gains by 2^-10 scales every value exactly by 2^-20 (a spread
  // below a millionth of a grey level), which the stretch removes again.
  std::mt19937 rng(4);
  Image in(11 * 13);
  for (auto& v : in) v = static_cast<uint16_t>(rng() & 1);
  FilterParams small;
  for (double* v : {&small.low_block, &small.low_gain, &small.high_block, &small.high_gain}) *v = std::ldexp(*v, -10);
  Image expected(in.size()), out(in.size());
  ASSERT_TRUE(FilterImageFFT(11, 13, in.data(), expected.data(), 50000, 50000, {}));
  ASSERT_TRUE(FilterImageFFT(11, 13, in.data(), out.data(), 50000, 50000, small));
  EXPECT_EQ(out, expected);
  // A flat image stays flat with such gains.
  const Image flat(in.size(), 4321);
  EXPECT_FALSE(FilterImageFFT(11, 13, flat.data(), out.data(), 50000, 50000, small));
}

TEST(FilterImageFFT, TwoValuedImageHasNoSpreadBetweenItsPercentilesAndFails) {
  // With an identity transfer the two values land in the lowest bin and on
  // the maximum, which the histogram does not count: the 1 % and 99 % points
  // coincide and the stretch must refuse rather than divide by zero.
  FilterParams identity;
  identity.low_block = identity.low_gain = identity.high_block = identity.high_gain = 1;
  Image in(16 * 16, 100);
  for (size_t i = 0; i < in.size(); i += 2) in[i] = 200;
  Image out(in.size(), 7);
  EXPECT_FALSE(FilterImageFFT(16, 16, in.data(), out.data(), 50000, 50000, identity));
  EXPECT_EQ(out, Image(in.size(), 7));
}

}  // namespace
}  // namespace tarvel
