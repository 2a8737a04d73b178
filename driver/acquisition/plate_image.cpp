// Post-processing of one plate image and the image and information files.
#include "driver/acquisition/plate_image.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/files.h"

namespace tarvel {

// Built for AVX2 too where the processor has it.
#define VORNIX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))

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
__attribute__((target("avx2")))
int DeFlashSpanAvx2(uint16_t* row, const uint16_t* above, const uint16_t* below, int from, int to,
                    uint16_t limit) {
  const __m256i lim = _mm256_set1_epi16(static_cast<short>(limit));
  const __m256i one = _mm256_set1_epi16(1);
  const __m256i zero = _mm256_setzero_si256();
  int x = from;
  for (; x + 16 <= to; x += 16) {
    const __m256i cur = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    const __m256i up = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(above + x));
    const __m256i down = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + x));
    const __m256i keep = _mm256_cmpeq_epi16(_mm256_subs_epu16(_mm256_subs_epu16(cur, up), lim), zero);
    const __m256i mean = _mm256_sub_epi16(_mm256_avg_epu16(up, down),
                                          _mm256_and_si256(_mm256_xor_si256(up, down), one));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), _mm256_blendv_epi8(mean, cur, keep));
  }
  return x;
}
#endif
} // namespace

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

uint8_t SlotBits(const std::array<int, 7>& bounds, int x_from, int x_to) {
  uint8_t bits = 0;
  for (int k = 5; k >= 0; --k)
    if (x_from < bounds[k + 1] && bounds[k] < x_to) bits |= static_cast<uint8_t>(1u << k);
  return bits;
}

void CropCeph(PlateImage& image, ImageInfo& info, const std::array<int, 7>& bounds) {
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
                 image.pixels.data() + static_cast<size_t>(y + top) * w + left,
                 static_cast<size_t>(nw) * 2);
  image.pixels.resize(static_cast<size_t>(nw) * nh);
  image.width = nw;
  image.height = nh;
  const int old_start = info.start_position;
  info.start_position = old_start + left;
  info.slot_bits = SlotBits(bounds, info.start_position, old_start + right);
}

WindowMeter::WindowMeter(int width, int height, int window_x, int window_y)
    : width_(width), height_(height) {
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
} // namespace

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

int WindowStats(int width, int height, const uint16_t* pixels, int window_x, int window_y,
                ImageInfo& info) {
  const bool empty = !pixels || width <= 0 || height <= 0;
  WindowMeter meter(std::max(width, 0), std::max(height, 0), window_x, window_y);
  if (!empty)
    for (int y = 0; y < height; ++y) meter.AddRow(y, pixels + static_cast<size_t>(y) * width);
  meter.Fill(info);
  SetStoredSize(width, height, info);
  return empty ? -102 : 0;
}

bool IsFileRotation(int rotation) {
  switch (rotation) {
    case 0: case 90: case -90: case 180: case -180: case 270: case -270: return true;
    default: return false;
  }
}

uint8_t RotationByte(int rotation) {
  int64_t r = rotation;
  if (r < 0) r += 360;
  return static_cast<uint8_t>(((r % 256) + 256) % 256);
}

// ---- Files ----

std::string InfoFileName(const std::string& image_name) {
  std::string n = image_name.size() >= 3 ? image_name.substr(0, image_name.size() - 3) : "";
  return n + "txt";
}

namespace {
void Put(uint8_t* p, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t Get(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t{p[i]} << (8 * i);
  return v;
}

// Writes `parts` to a new file; a failed write or close removes it.
WriteResult WriteParts(const std::string& name, std::initializer_list<std::pair<const void*, size_t>> parts) {
  std::FILE* f = platform::OpenFile(name, "wb");
  if (!f) return WriteResult::kCannotCreate;
  bool ok = true;
  for (const auto& [data, size] : parts)
    if (size > 0 && ok) ok = std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0) ok = false;
  if (!ok) {
    // Nothing half-written stays; a device behind the name is left alone.
    struct stat st;
    if (lstat(platform::NativePath(name).c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
      platform::DeleteFile(name);
    return WriteResult::kWriteFailed;
  }
  return WriteResult::kOk;
}

int64_t FileSize(std::FILE* f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0) return -1;
  return st.st_size;
}
} // namespace

std::array<uint8_t, kInfoFileFixedBytes> PackInfo(const ImageInfo& i) {
  std::array<uint8_t, kInfoFileFixedBytes> b{};
  uint8_t* p = b.data();
  Put(p + 0, static_cast<uint32_t>(i.size), 4);
  Put(p + 4, static_cast<uint32_t>(i.width), 4);
  Put(p + 8, static_cast<uint32_t>(i.height), 4);
  Put(p + 12, static_cast<uint32_t>(i.pitch_x), 4);
  Put(p + 16, static_cast<uint32_t>(i.pitch_y), 4);
  p[20] = i.bits_per_pixel;
  Put(p + 21, static_cast<uint32_t>(i.start_position), 4);
  p[25] = i.slot_bits;
  Put(p + 26, i.year, 2);
  p[28] = i.month;
  p[29] = i.day;
  p[30] = i.hour;
  p[31] = i.minute;
  p[32] = i.second;
  std::memcpy(p + 33, i.serial_number, 32);
  std::memcpy(p + 65, i.reserved, 16);
  p[81] = i.rotation;
  Put(p + 82, static_cast<uint32_t>(i.scaled_pitch), 4);
  uint32_t scale_bits;
  std::memcpy(&scale_bits, &i.scale, 4);
  Put(p + 86, scale_bits, 4);
  Put(p + 90, i.maximum, 2);
  Put(p + 92, i.average, 2);
  p[94] = i.scan_mode;
  Put(p + 95, i.possible_maximum, 2);
  Put(p + 97, static_cast<uint32_t>(i.extra_length), 4);
  return b;
}

ImageInfo UnpackInfo(const uint8_t* p) {
  ImageInfo i{};
  i.size = static_cast<int32_t>(Get(p + 0, 4));
  i.width = static_cast<int32_t>(Get(p + 4, 4));
  i.height = static_cast<int32_t>(Get(p + 8, 4));
  i.pitch_x = static_cast<int32_t>(Get(p + 12, 4));
  i.pitch_y = static_cast<int32_t>(Get(p + 16, 4));
  i.bits_per_pixel = p[20];
  i.start_position = static_cast<int32_t>(Get(p + 21, 4));
  i.slot_bits = p[25];
  i.year = static_cast<uint16_t>(Get(p + 26, 2));
  i.month = p[28];
  i.day = p[29];
  i.hour = p[30];
  i.minute = p[31];
  i.second = p[32];
  std::memcpy(i.serial_number, p + 33, 32);
  std::memcpy(i.reserved, p + 65, 16);
  i.rotation = p[81];
  i.scaled_pitch = static_cast<int32_t>(Get(p + 82, 4));
  uint32_t scale_bits = static_cast<uint32_t>(Get(p + 86, 4));
  std::memcpy(&i.scale, &scale_bits, 4);
  i.maximum = static_cast<uint16_t>(Get(p + 90, 2));
  i.average = static_cast<uint16_t>(Get(p + 92, 2));
  i.scan_mode = p[94];
  i.possible_maximum = static_cast<uint16_t>(Get(p + 95, 2));
  i.extra_length = static_cast<int32_t>(Get(p + 97, 4));
  return i;
}

WriteResult WriteDiskImage(const std::string& name, int width, int height, const uint16_t* pixels,
                           int rotation) {
  const size_t n = static_cast<size_t>(width) * height;
  std::vector<uint16_t> out;
  const uint16_t* data = pixels;
  int ow = width, oh = height;
  auto in = [&](int y, int x) { return pixels[static_cast<size_t>(y) * width + x]; };
  if (n > 0 && rotation != 0) {
    switch (rotation) {
      case 90: case -270:
        out.resize(n);
        ow = height; oh = width;
        for (int i = 0; i < width; ++i)
          for (int j = 0; j < height; ++j) out[static_cast<size_t>(i) * ow + j] = in(j, width - 1 - i);
        data = out.data();
        break;
      case 180: case -180:
        out.assign(pixels, pixels + n);
        std::reverse(out.begin(), out.end());
        data = out.data();
        break;
      case 270: case -90:
        out.resize(n);
        ow = height; oh = width;
        for (int i = 0; i < width; ++i)
          for (int j = 0; j < height; ++j) out[static_cast<size_t>(i) * ow + j] = in(height - 1 - j, i);
        data = out.data();
        break;
      default: break;
    }
  }
  uint8_t head[4];
  Put(head, static_cast<uint16_t>(ow), 2);
  Put(head + 2, static_cast<uint16_t>(oh), 2);
  return WriteParts(name, {{head, 4}, {data, n * 2}});
}

WriteResult WriteInfoFile(const std::string& name, const ImageInfo& info, const uint8_t* extra,
                          int32_t extra_length) {
  auto fixed = PackInfo(info);
  size_t extra_bytes = (extra && extra_length > 0) ? static_cast<size_t>(extra_length) : 0;
  return WriteParts(name, {{fixed.data(), fixed.size()}, {extra, extra_bytes}});
}

int ReadImageInfo(const std::string& image_name, ImageInfo* info) {
  std::FILE* f = platform::OpenFile(InfoFileName(image_name), "rb");
  if (!f) return -1;
  uint8_t b[kInfoFileFixedBytes];
  size_t got = std::fread(b, 1, sizeof b, f);
  std::fclose(f);
  if (got != sizeof b) return -1;
  if (info) *info = UnpackInfo(b);
  return 0;
}

int ReadExtraHeader(const std::string& image_name, uint8_t* buffer) {
  std::FILE* f = platform::OpenFile(InfoFileName(image_name), "rb");
  if (!f) return 0;
  int result = 0;
  uint8_t b[kInfoFileFixedBytes];
  int64_t size = FileSize(f);
  if (std::fread(b, 1, sizeof b, f) == sizeof b) {
    int64_t n = static_cast<int32_t>(Get(b + kInfoExtraLengthOffset, 4));
    // Never more than the file holds after the record.
    n = std::min<int64_t>(n, size - static_cast<int64_t>(kInfoFileFixedBytes));
    if (n > 0 && buffer) result = static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(n), f));
  }
  std::fclose(f);
  return result;
}

int ReadDiskImage(const std::string& image_name, uint16_t* pixels) {
  std::FILE* f = platform::OpenFile(image_name, "rb");
  if (!f) return -2;
  uint8_t head[4];
  int rc = -102;
  if (std::fread(head, 1, 4, f) == 4) {
    const uint64_t n = Get(head, 2) * Get(head + 2, 2);
    ImageInfo info{};
    if (ReadImageInfo(image_name, &info) != 0) {
      rc = -2;
    } else if (n > 0 && pixels &&
               n == static_cast<uint64_t>(int64_t{info.width} * int64_t{info.height}) &&
               FileSize(f) >= static_cast<int64_t>(4 + 2 * n) &&
               std::fread(pixels, 2, n, f) == n) {
      rc = 0;
    }
  }
  std::fclose(f);
  return rc;
}

bool DeleteImageFiles(const std::string& image_name) {
  bool image = platform::DeleteFile(image_name);
  bool info = platform::DeleteFile(InfoFileName(image_name));
  return image && info;
}

int ImageNumberOf(const std::string& file_name) {
  int64_t v = 0;
  for (size_t i = 2; i < file_name.size() && file_name[i] >= '0' && file_name[i] <= '9'; ++i) {
    v = v * 10 + (file_name[i] - '0');
    if (v > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(v);
}

std::string WithSeparator(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
  return folder + "/";
}

int HighestImageNumber(const std::string& folder) {
  int best = 0;
  for (const std::string& name : platform::FindFiles(WithSeparator(folder) + "KP*.QEW"))
    best = std::max(best, ImageNumberOf(name));
  return best;
}

bool OldImageSearch::First(const std::string& folder, std::string* path) {
  Close();
  folder_ = WithSeparator(folder);
  names_ = platform::FindFiles(folder_ + "KP*.QEW");
  open_ = true;
  return Next(path);
}

bool OldImageSearch::Next(std::string* path) {
  while (open_ && next_ < names_.size()) {
    std::string full = folder_ + names_[next_++];
    // Only names that fit the caller's 256 characters.
    if (full.size() < 256) {
      *path = full;
      return true;
    }
  }
  Close();
  path->clear();
  return false;
}

void OldImageSearch::Close() {
  open_ = false;
  names_.clear();
  next_ = 0;
}

} // namespace tarvel
