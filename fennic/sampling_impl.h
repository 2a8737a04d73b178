#pragma once
// Template part of sampling.h.
#include <bit>
#include <type_traits>

namespace fennic {
namespace detail {

static_assert(std::endian::native == std::endian::little, "pixels are stored little-endian");

// Truncating division of block sums by N x N without a divide per pixel:
// a shift for powers of two, else a reciprocal corrected by one step.
class BlockDivider {
 public:
  explicit BlockDivider(uint64_t d) : d_(d), inv_(1.0 / static_cast<double>(d)) {
    shift_ = (d & (d - 1)) == 0 ? std::countr_zero(d) : -1;
  }
  uint64_t operator()(uint64_t s) const {
    if (shift_ >= 0) return s >> shift_;
    auto q = static_cast<uint64_t>(static_cast<double>(s) * inv_);
    unsigned __int128 qd = static_cast<unsigned __int128>(q) * d_;
    if (qd > s) return q - 1;
    if (qd + d_ <= s) return q + 1;
    return q;
  }

 private:
  uint64_t d_;
  double inv_;
  int shift_;
};

// Sums of the N x N blocks of one group of N rows: sums[x] for x < w. K fixes
// N at compile time for the common factors; 0 takes it from `runtime_n`.
template <class Px, class Sum, uint64_t K>
void block_sums_n(const uint8_t* rows, uint64_t stride, uint64_t runtime_n, uint64_t w, Sum* sums) {
  constexpr uint64_t B = Px::kBytes;
  const uint64_t n = K ? K : runtime_n;
  Px px;
  for (uint64_t i = 0; i < n; ++i) {
    const uint8_t* r = rows + i * stride;
    for (uint64_t x = 0; x < w; ++x) {
      const uint8_t* p = r + x * n * B;
      Sum s = 0;
      for (uint64_t j = 0; j < n; ++j) s += px(p + j * B);
      sums[x] = i ? sums[x] + s : s;
    }
  }
}

template <class Px, class Sum>
void block_sums(const uint8_t* rows, uint64_t stride, uint64_t n, uint64_t w, Sum* sums) {
  switch (n) {
    case 2: return block_sums_n<Px, Sum, 2>(rows, stride, n, w, sums);
    case 3: return block_sums_n<Px, Sum, 3>(rows, stride, n, w, sums);
    case 4: return block_sums_n<Px, Sum, 4>(rows, stride, n, w, sums);
    case 8: return block_sums_n<Px, Sum, 8>(rows, stride, n, w, sums);
    default: return block_sums_n<Px, Sum, 0>(rows, stride, n, w, sums);
  }
}

template <class Px, class Sum>
int read_groups(PixelSource& src, const Placement& at, const ImageData& image, uint64_t group, Buffer<uint8_t>& buf) {
  const uint64_t n = image.sampling, w = image.width, h = image.height;
  Buffer<Sum> sums(src.io());
  if (n > 1 && !sums.allocate(w)) return kFennicNoMemory;
  const BlockDivider divide(n * n);
  Px px;
  for (uint64_t y = 0; y < h; ++y) {
    uint64_t start = (at.row + y * n) * at.stride + at.col * Px::kBytes;
    if (int rc = src.fetch(start, buf.data(), group)) return rc;
    uint16_t* out = image.pixels + y * w;
    if (n == 1) {
      for (uint64_t x = 0; x < w; ++x) out[x] = static_cast<uint16_t>(px(buf.data() + x * Px::kBytes));
    } else {
      block_sums<Px, Sum>(buf.data(), at.stride, n, w, sums.data());
      for (uint64_t x = 0; x < w; ++x) out[x] = static_cast<uint16_t>(divide(sums[x]));
    }
    if (at.invert)
      for (uint64_t x = 0; x < w; ++x) out[x] = static_cast<uint16_t>(0xFFFF - out[x]);
  }
  return kFennicOk;
}

}  // namespace detail

template <class Px>
int read_sampled(PixelSource& src, const Placement& at, const ImageData& image) {
  const uint64_t n = image.sampling, w = image.width, h = image.height;
  if (w == 0 || h == 0) return kFennicOk;
  constexpr uint64_t B = Px::kBytes;
  // Every byte needed lies below `end`: the file must hold it.
  uint64_t row_bytes, group, last_row, end;
  if (!mul64(w * n, B, row_bytes) || !mul64(n - 1, at.stride, group) || !add64(group, row_bytes, group) ||
      !mul64(h, n, last_row) || !add64(last_row - 1, at.row, last_row) || !mul64(last_row, at.stride, end) ||
      !add64(end, at.col * B, end) || !add64(end, row_bytes, end) || end > src.available())
    return kFennicReadFailed;

  if constexpr (std::is_same_v<Px, U16Pixel>) {
    if (n == 1) {
      // Rows straight into the caller's buffer, all at once when they are contiguous.
      if (at.stride == row_bytes) {
        if (int rc =
                src.fetch(at.row * at.stride + at.col * B, reinterpret_cast<uint8_t*>(image.pixels), h * row_bytes))
          return rc;
      } else {
        for (uint64_t y = 0; y < h; ++y)
          if (int rc = src.fetch((at.row + y) * at.stride + at.col * B,
                                 reinterpret_cast<uint8_t*>(image.pixels + y * w), row_bytes))
            return rc;
      }
      if (at.invert)
        for (uint64_t i = 0; i < w * h; ++i) image.pixels[i] = static_cast<uint16_t>(0xFFFF - image.pixels[i]);
      return kFennicOk;
    }
  }
  Buffer<uint8_t> buf(src.io());
  if (!buf.allocate(group)) return kFennicNoMemory;
  // N x N values of up to 65535 fit 32 bits for N up to 256.
  if (n <= 256) return detail::read_groups<Px, uint32_t>(src, at, image, group, buf);
  return detail::read_groups<Px, uint64_t>(src, at, image, group, buf);
}

}  // namespace fennic
