#pragma once
// Reading a rectangle of pixel rows with N x N block means, shared by every
// reader. A source delivers bytes of the pixel data by logical offset; the
// pixel kind turns the bytes of one file pixel into a value.
#include <cstdint>
#include <cstring>

#include "fennic/file.h"

namespace fennic {

// Delivers `len` bytes of pixel data from logical offset `at`: kFennicOk, kFennicSeekFailed or
// kFennicReadFailed.
class PixelSource {
 public:
  virtual ~PixelSource() = default;
  virtual int fetch(uint64_t at, uint8_t* dst, uint64_t len) = 0;
  // Bytes of pixel data the source can deliver at most.
  virtual uint64_t available() const = 0;
  // The I/O of the file the pixels come from; buffers of the read take
  // their storage from it too.
  virtual Io& io() const = 0;
};

// Pixel data that lies in one piece from `base` of a file.
class PlainSource : public PixelSource {
 public:
  PlainSource(File& f, uint64_t base) : f_(f), base_(base) {}
  int fetch(uint64_t at, uint8_t* dst, uint64_t len) override;
  uint64_t available() const override;
  Io& io() const override { return f_.io(); }

 private:
  File& f_;
  uint64_t base_;
};

// File pixel kinds.
struct U16Pixel {  // little-endian u16
  static constexpr uint64_t kBytes = 2;
  uint32_t operator()(const uint8_t* p) const {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
};
struct GreyBytePixel {  // one 8-bit sample
  static constexpr uint64_t kBytes = 1;
  uint32_t operator()(const uint8_t* p) const { return p[0]; }
};
struct WeightedPixel {  // three samples weighted 11, 59, 30 in file order
  static constexpr uint64_t kBytes = 3;
  uint32_t operator()(const uint8_t* p) const { return p[0] * 11u + p[1] * 59u + p[2] * 30u; }
};
struct Packed16Pixel {  // 16-bit value in the first two of three bytes
  static constexpr uint64_t kBytes = 3;
  uint32_t operator()(const uint8_t* p) const { return p[0] | static_cast<uint32_t>(p[1]) << 8; }
};

// Where the rectangle lies in the pixel data: rows `stride` bytes apart,
// first stored block at column `col`, row `row` (in file pixels).
struct Placement {
  uint64_t stride;
  uint64_t col;
  uint64_t row;
  bool invert;  // store the 16-bit complement
};

template <class Px>
int read_sampled(PixelSource& src, const Placement& at, const ImageData& image);

}  // namespace fennic

#include "fennic/sampling_impl.h"
