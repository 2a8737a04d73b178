// DeFlash, crop, measuring window and rotation byte of one plate image.
#include "driver/acquisition/plate_processing.h"

#include <algorithm>
#include <cstring>

#include "driver/result_codes.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tarvel {

// Built for AVX2 too where the processor has it. ThreadSanitizer's runtime is
// not up yet when the clones' resolvers run at load, so its build has none.
#if defined(__SANITIZE_THREAD__)
#define VORNIX_VECTOR_CLONES
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VORNIX_VECTOR_CLONES
#endif
#endif
#ifndef VORNIX_VECTOR_CLONES
#define VORNIX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif

namespace {
// One pixel of DeFlash in 16 bits: the rise saturates at 0, the mean of
// the neighbours above and below is formed without overflow.
inline uint16_t DeFlashPixel(uint16_t cur, uint16_t up, uint16_t down, uint16_t limit) {
  const uint16_t rise = static_cast<uint16_t>(cur > up ? cur - up : 0);
  const uint16_t mean = static_cast<uint16_t>((up >> 1) + (down >> 1) + (up & down & 1));
  return rise > limit ? mean : cur;
}

#if defined(__x86_64__)
// The same in AVX2 steps: (rise - limit, saturated) != 0 picks the mean,
// and the mean is the rounded-up average less the carry bit of the sum.
// Returns the first column left undone (of from .. to-1).
__attribute__((target("avx2"))) int DeFlashSpanAvx2(uint16_t* row, const uint16_t* above, const uint16_t* below,
                                                    int from, int to, uint16_t limit) {
  const __m256i lim = _mm256_set1_epi16(static_cast<short>(limit));
  const __m256i one = _mm256_set1_epi16(1);
  const __m256i zero = _mm256_setzero_si256();
  int x = from;
  for (; x + 16 <= to; x += 16) {
    const __m256i cur = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    const __m256i up = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(above + x));
    const __m256i down = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + x));
    const __m256i keep = _mm256_cmpeq_epi16(_mm256_subs_epu16(_mm256_subs_epu16(cur, up), lim), zero);
    const __m256i mean =
        _mm256_sub_epi16(_mm256_avg_epu16(up, down), _mm256_and_si256(_mm256_xor_si256(up, down), one));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), _mm256_blendv_epi8(mean, cur, keep));
  }
  return x;
}
#endif
}  // namespace

void DeFlashRow(uint16_t* row, const uint16_t* above, const uint16_t* below, int width, int threshold) {
  if (threshold < 0 || threshold > 65535) {
    for (int x = 1; x + 1 < width; ++x) {
      const int32_t cur = row[x], up = above[x];
      if (cur - up > threshold) row[x] = static_cast<uint16_t>((up + below[x]) >> 1);
    }
    return;
  }
  const uint16_t limit = static_cast<uint16_t>(threshold);
  const int end = width - 1;
  int x = 1;
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) x = DeFlashSpanAvx2(row, above, below, x, end, limit);
#endif
  for (; x < end; ++x) row[x] = DeFlashPixel(row[x], above[x], below[x], limit);
}

uint8_t SlotBits(const int32_t (&bounds)[7], int x_from, int x_to) {
  uint8_t bits = 0;
  for (int k = 5; k >= 0; --k)
    if (x_from < bounds[k + 1] && bounds[k] < x_to) bits |= static_cast<uint8_t>(1u << k);
  return bits;
}

void CropCeph(PlateImage& image, ImageInfo& info, const int32_t (&bounds)[7]) {
  if (info.pitch_x <= 0 || info.pitch_y <= 0) return;
  const int64_t max_w = 241000000u / static_cast<uint32_t>(info.pitch_x);
  const int64_t max_h = 202000000u / static_cast<uint32_t>(info.pitch_y);
  const int w = image.width, h = image.height;
  if (w <= max_w && h <= max_h) return;
  const uint16_t* px = image.pixels.data();
  auto row_sum = [&](int y, int left, int right) {
    uint64_t s = 0;
    for (int x = left; x <= right; ++x) s += px[static_cast<size_t>(y) * w + x];
    return s;
  };
  auto col_sum = [&](int x, int top, int bottom) {
    uint64_t s = 0;
    for (int y = top; y <= bottom; ++y) s += px[static_cast<size_t>(y) * w + x];
    return s;
  };
  int top = 0, bottom = h - 1, left = 0, right = w - 1;
  while (bottom - top + 1 > max_h) {
    if (row_sum(top, 0, w - 1) < row_sum(bottom, 0, w - 1))
      ++top;
    else
      --bottom;
  }
  while (right - left + 1 > max_w) {
    if (col_sum(left, top, bottom) < col_sum(right, top, bottom))
      ++left;
    else
      --right;
  }
  const int nw = right - left + 1, nh = bottom - top + 1;
  for (int y = 0; y < nh; ++y)
    std::memmove(image.pixels.data() + static_cast<size_t>(y) * nw,
                 image.pixels.data() + static_cast<size_t>(y + top) * w + left, static_cast<size_t>(nw) * 2);
  image.pixels.resize(static_cast<size_t>(nw) * nh);
  image.width = nw;
  image.height = nh;
  const int old_start = info.start_position;
  info.start_position = old_start + left;
  info.slot_bits = SlotBits(bounds, info.start_position, old_start + right);
}

WindowMeter::WindowMeter(int width, int height, int window_x, int window_y) : width_(width), height_(height) {
  // A window above 100 % is the whole image.
  mx_ = std::max<int64_t>(0, (100 - int64_t{window_x}) * width / 100);
  my_ = std::max<int64_t>(0, (100 - int64_t{window_y}) * height / 100);
}

namespace {
// Maximum and sum of row[from .. to-1]. A row of at most 65535 values below
// 65536 sums within 32 bits.
VORNIX_VECTOR_CLONES
uint32_t RowMaxSum(const uint16_t* row, int64_t from, int64_t to, uint16_t* maximum) {
  uint32_t sum = 0;
  uint16_t top = 0;
  for (int64_t x = from; x < to; ++x) {
    top = std::max(top, row[x]);
    sum += row[x];
  }
  *maximum = top;
  return sum;
}
}  // namespace

void WindowMeter::AddRow(int y, const uint16_t* row) {
  if (y < my_ || y >= height_ - my_ || width_ - mx_ <= mx_) return;
  uint16_t row_max = 0;
  sum_ += RowMaxSum(row, mx_, width_ - mx_, &row_max);
  maximum_ = std::max(maximum_, row_max);
  count_ += static_cast<uint64_t>(width_ - 2 * mx_);
}

void WindowMeter::Fill(ImageInfo& info) const {
  info.maximum = count_ ? maximum_ : 0;
  info.average = count_ ? static_cast<uint16_t>(sum_ / count_) : 0;
}

void SetStoredSize(int width, int height, ImageInfo& info) {
  bool upright = info.rotation == 0 || info.rotation == 180;
  info.width = upright ? width : height;
  info.height = upright ? height : width;
}

int WindowStats(int width, int height, const uint16_t* pixels, int window_x, int window_y, ImageInfo& info) {
  const bool empty = !pixels || width <= 0 || height <= 0;
  WindowMeter meter(std::max(width, 0), std::max(height, 0), window_x, window_y);
  if (!empty)
    for (int y = 0; y < height; ++y) meter.AddRow(y, pixels + static_cast<size_t>(y) * width);
  meter.Fill(info);
  SetStoredSize(width, height, info);
  return empty ? kErrInvalidArgument : kOk;
}

bool IsFileRotation(int rotation) {
  switch (rotation) {
    case 0:
    case 90:
    case -90:
    case 180:
    case -180:
    case 270:
    case -270: return true;
    default: return false;
  }
}

uint8_t RotationByte(int rotation) {
  int64_t r = rotation;
  if (r < 0) r += 360;
  return static_cast<uint8_t>(((r % 256) + 256) % 256);
}

}  // namespace tarvel
