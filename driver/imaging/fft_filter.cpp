#include "driver/imaging/fft_filter.h"

#include <fftw3.h>
#include <sys/mman.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

namespace tarvel {
namespace {

constexpr double kFlatSpread = 1e-6;  // grey levels

// Square tiles keep both sides of a transposing copy in cache.
constexpr int kTile = 64;

// Large arrays are touched page by page for the first time on every call;
// huge pages keep the page faults and TLB misses of the transforms down.
void PreferHugePages(void* p, size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kHuge - 1);
  if (p && end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)p, (void)bytes;
#endif
}

template <class T>
struct FftwArray {
  T* p = nullptr;
  explicit FftwArray(size_t count) : p(static_cast<T*>(fftw_malloc(count * sizeof(T)))) {
    PreferHugePages(p, count * sizeof(T));
  }
  ~FftwArray() { fftw_free(p); }
  FftwArray(const FftwArray&) = delete;
  FftwArray& operator=(const FftwArray&) = delete;
};

struct Plan {
  fftw_plan p = nullptr;
  ~Plan() {
    if (p) fftw_destroy_plan(p);
  }
};

void FillPaddedImage(const FilterGeometry& g, const uint16_t* in, double* real) {
  const size_t H = g.H, row = g.row();
  for (int y0 = 0; y0 < g.height; y0 += kTile) {
    const int y1 = std::min(y0 + kTile, g.height);
    for (int x0 = 0; x0 < g.width; x0 += kTile) {
      const int x1 = std::min(x0 + kTile, g.width);
      for (int x = x0; x < x1; ++x) {
        double* column = real + x * row;
        const uint16_t* src = in + x;
        for (int y = y0; y < y1; ++y) column[y] = src[static_cast<size_t>(y) * g.width];
      }
    }
  }
  // Below the image: the last row repeated; right of it: the last column.
  const uint16_t* last_row = in + static_cast<size_t>(g.height - 1) * g.width;
  for (int x = 0; x < g.width; ++x)
    std::fill(real + x * row + g.height, real + x * row + H, static_cast<double>(last_row[x]));
  const double* last_column = real + (g.width - 1) * row;
  for (int x = g.width; x < g.W; ++x) std::memcpy(real + x * row, last_column, H * sizeof(double));
}

// exp(-(f / sigma)^2 / 2) for the frequency of every index along one axis;
// index i and n - i share one frequency.
std::vector<double> AxisGaussian(int n, int count, double df, double sigma) {
  std::vector<double> g(count);
  for (int i = 0; i < count; ++i) {
    const int k = i <= n / 2 ? i : n - i;
    const double r = k * df / sigma;
    g[i] = std::exp(-r * r / 2);
  }
  return g;
}

// T = [LB + (LG - LB)(1 - gl)] [HB + (HG - HB) gh], with each radial Gaussian
// exp(-(rho / s)^2 / 2) split into its x and y factors.
void ApplyTransferFunction(const FilterGeometry& g, const FilterParams& p, fftw_complex* spectrum) {
  const int hc = static_cast<int>(g.half());
  const std::vector<double> lx = AxisGaussian(g.W, g.W, g.df_x, p.low_sigma);
  const std::vector<double> hx = AxisGaussian(g.W, g.W, g.df_x, p.high_sigma);
  const std::vector<double> ly = AxisGaussian(g.H, hc, g.df_y, p.low_sigma);
  const std::vector<double> hy = AxisGaussian(g.H, hc, g.df_y, p.high_sigma);
  const double low_step = p.low_gain - p.low_block;
  const double high_step = p.high_gain - p.high_block;
  for (int x = 0; x < g.W; ++x) {
    fftw_complex* row = spectrum + x * g.half();
    const double lxx = lx[x], hxx = hx[x];
    for (int a = 0; a < hc; ++a) {
      const double t = (p.low_block + low_step * (1 - lxx * ly[a])) * (p.high_block + high_step * (hxx * hy[a]));
      row[a][0] *= t;
      row[a][1] *= t;
    }
  }
}

bool ParamsUsable(const FilterParams& p) {
  for (double v : {p.low_block, p.low_gain, p.low_sigma, p.high_block, p.high_gain, p.high_sigma})
    if (!std::isfinite(v)) return false;
  return p.low_sigma > 0 && p.high_sigma > 0;
}

}  // namespace

bool RescalePercentile(const FilterGeometry& g, const double* real, uint16_t* out) {
  if (g.width <= 0 || g.height <= 0 || g.width > g.W || g.height > g.H || !real || !out) return false;
  const size_t row = g.row();
  // Independent lanes let the compiler keep the reductions in vectors.
  constexpr int kLanes = 8;
  double lane_min[kLanes], lane_max[kLanes];
  std::fill(lane_min, lane_min + kLanes, real[0]);
  std::fill(lane_max, lane_max + kLanes, real[0]);
  for (int x = 0; x < g.width; ++x) {
    const double* column = real + x * row;
    int y = 0;
    for (; y + kLanes <= g.height; y += kLanes)
      for (int l = 0; l < kLanes; ++l) {
        const double v = column[y + l];
        lane_min[l] = v < lane_min[l] ? v : lane_min[l];
        lane_max[l] = v > lane_max[l] ? v : lane_max[l];
      }
    for (; y < g.height; ++y) {
      const double v = column[y];
      lane_min[0] = v < lane_min[0] ? v : lane_min[0];
      lane_max[0] = v > lane_max[0] ? v : lane_max[0];
    }
  }
  double min = lane_min[0], max = lane_max[0];
  for (int l = 1; l < kLanes; ++l) {
    min = lane_min[l] < min ? lane_min[l] : min;
    max = lane_max[l] > max ? lane_max[l] : max;
  }
  // An infinity shows in the range, a NaN in the histogram below. The
  // transforms leave rounding residue on a flat image: a spread below a
  // millionth of a grey level (the values are W x H times the image), scaled
  // like the residue with the transfer function, is flat.
  const double range = max - min;
  if (!(range > kFlatSpread * g.W * g.H * g.gain_bound) || !std::isfinite(range)) return false;

  // Bin numbers of one column first (in vectors), then the counts. An extra
  // bin, not counted, takes the maximum itself, however the product rounds,
  // and values just below it whose product rounds to 1000. A NaN, which min
  // and max pass over, fails here.
  constexpr int kBins = 1000;
  std::vector<int64_t> bins(kBins + 1, 0);
  std::vector<int32_t> index(g.height);
  const double to_bin = kBins / range;
  for (int x = 0; x < g.width; ++x) {
    const double* column = real + x * row;
    bool nan = false;
    for (int y = 0; y < g.height; ++y) {
      const double v = column[y];
      const double b = to_bin * (v - min);
      nan |= !(b >= 0);
      const double clamped = b >= 0 ? (b < kBins ? b : kBins) : 0.0;
      index[y] = v == max ? kBins : static_cast<int32_t>(clamped);
    }
    if (nan) return false;
    for (int y = 0; y < g.height; ++y) ++bins[index[y]];
  }
  const int64_t e = static_cast<int64_t>(g.width) * g.height / 100;
  int i = kBins;
  for (int64_t sum = 0, b = 0; b < kBins; ++b)
    if ((sum += bins[b]) > e) {
      i = static_cast<int>(b);
      break;
    }
  int n = -1;
  for (int64_t sum = 0, b = kBins - 1; b >= 0; --b)
    if ((sum += bins[b]) > e) {
      n = static_cast<int>(b);
      break;
    }
  const double lo = min + range * 0.001 * i;
  const double hi = min + range * 0.001 * n;
  if (!(hi > lo)) return false;

  const double k = 65535 / (hi - lo);
  for (int y0 = 0; y0 < g.height; y0 += kTile) {
    const int y1 = std::min(y0 + kTile, g.height);
    for (int x0 = 0; x0 < g.width; x0 += kTile) {
      const int x1 = std::min(x0 + kTile, g.width);
      for (int y = y0; y < y1; ++y) {
        uint16_t* dst = out + static_cast<size_t>(y) * g.width;
        for (int x = x0; x < x1; ++x) {
          const double v = k * (real[x * row + y] - lo);  // finite: checked above
          dst[x] = static_cast<uint16_t>(static_cast<int32_t>(std::min(std::max(v, 0.0), 65535.0)));
        }
      }
    }
  }
  return true;
}

bool IsSmooth7(int n) {
  if (n < 1) return false;
  for (int p : {2, 3, 5, 7})
    while (n % p == 0) n /= p;
  return n == 1;
}

int NextSmoothSize(int n) {
  if (n <= 1) return 1;
  for (int m = n;; ++m) {
    if (IsSmooth7(m)) return m;
    if (m == INT_MAX) return 0;
  }
}

bool FilterImageFFT(int width, int height, const uint16_t* in, uint16_t* out, int pitch_x_nm, int pitch_y_nm,
                    const FilterParams& params) {
  if (width <= 0 || height <= 0 || !in || !out || !ParamsUsable(params)) return false;
  if (pitch_x_nm < 1000) pitch_x_nm = 100000;
  if (pitch_y_nm < 1000) pitch_y_nm = 100000;

  FilterGeometry g;
  g.width = width;
  g.height = height;
  g.W = NextSmoothSize(width);
  g.H = NextSmoothSize(height);
  if (g.W == 0 || g.H == 0) return false;
  const size_t doubles = static_cast<size_t>(g.W) * g.row();
  if (doubles > (size_t{1} << 36)) return false;
  g.df_x = 1e6 / (static_cast<double>(pitch_x_nm) * g.W);
  g.df_y = 1e6 / (static_cast<double>(pitch_y_nm) * g.H);
  // Each factor of T lies between its two gains.
  g.gain_bound = std::max(std::abs(params.low_block), std::abs(params.low_gain)) *
                 std::max(std::abs(params.high_block), std::abs(params.high_gain));

  FftwArray<double> array(doubles);
  if (!array.p) return false;
  double* real = array.p;
  fftw_complex* spectrum = reinterpret_cast<fftw_complex*>(array.p);
  Plan forward, backward;
  forward.p = fftw_plan_dft_r2c_2d(g.W, g.H, real, spectrum, FFTW_ESTIMATE);
  backward.p = fftw_plan_dft_c2r_2d(g.W, g.H, spectrum, real, FFTW_ESTIMATE);
  if (!forward.p || !backward.p) return false;

  try {
    FillPaddedImage(g, in, real);
    fftw_execute(forward.p);
    ApplyTransferFunction(g, params, spectrum);
    // Not normalised: the result is W x H times the filtered image, which the
    // stretch removes.
    fftw_execute(backward.p);
    return RescalePercentile(g, real, out);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace tarvel
