#include "driver/acquisition/stream_parser.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/little_endian.h"

static_assert(std::endian::native == std::endian::little, "stream words and image files are little-endian");

namespace tarvel {

namespace {
// Parse positions saturate here, far beyond any scan line, so that skip
// markers of a corrupt stream cannot overflow the arithmetic.
constexpr int64_t kMaxX = int64_t{1} << 30;

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::min(v, kMaxX)); }

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(platform::LoadLe(p, 2)); }

// Number of units at the start of p[0 .. units-1] that are sample pairs
// (first word 0xFFF0 or below), i.e. the index of the first marker.
size_t LeadingPairs(const uint8_t* p, size_t units) {
  size_t u = 0;
#if defined(__SSE2__)
  // Sixteen units a step: a first word above 0xFFF0 survives the saturating
  // subtraction of 0xFFF0; second words are masked off.
  const __m128i limit = _mm_set1_epi32(kLargestSampleWord);
  const __m128i first = _mm_set1_epi32(0xFFFF);
  const __m128i zero = _mm_setzero_si128();
  for (; u + 16 <= units; u += 16) {
    const uint8_t* q = p + 4 * u;
    __m128i a = _mm_subs_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), limit);
    __m128i b = _mm_subs_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16)), limit);
    __m128i c = _mm_subs_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 32)), limit);
    __m128i d = _mm_subs_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 48)), limit);
    __m128i any = _mm_and_si128(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)), first);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) != 0xFFFF) break;
  }
#endif
  while (u < units && Word(p + 4 * u) <= kLargestSampleWord) ++u;
  return u;
}
}  // namespace

void StreamParser::DropOpenRun() {
  run_x_ = Saturate(int64_t{run_x_} + 2 * int64_t{run_pairs_});
  run_pairs_ = 0;
}

void StreamParser::Restart() {
  line_count_ = 0;
  run_x_ = 0;
  run_pairs_ = 0;
  carry_count_ = 0;
}

void StreamParser::Parse(const uint8_t* bytes, size_t count, int* empty_lines) {
  *empty_lines = 0;
  if (!bytes) count = 0;
  size_t i = 0;
  if (carry_count_ > 0) {
    while (carry_count_ < 4 && i < count) carry_[carry_count_++] = bytes[i++];
    if (carry_count_ < 4) {
      if (run_pairs_ > 0) *empty_lines = 0;
      return;
    }
    carry_count_ = 0;
    ParseUnits(carry_, 1, empty_lines);
  }
  size_t units = (count - i) / 4;
  ParseUnits(bytes + i, units, empty_lines);
  i += units * 4;
  carry_count_ = count - i;
  if (carry_count_) std::memcpy(carry_, bytes + i, carry_count_);
}

void StreamParser::ParseUnits(const uint8_t* p, size_t units, int* empty_lines) {
  size_t start = 0;
  for (size_t u = 0; u < units; ++u) {
    const size_t pairs = LeadingPairs(p + 4 * u, units - u);
    run_pairs_ = static_cast<int32_t>(std::min<int64_t>(int64_t{run_pairs_} + static_cast<int64_t>(pairs), kMaxX));
    if (run_pairs_ > 0 && int64_t{run_x_} + 2 * int64_t{run_pairs_} - 1 > last_pixel_) passed_line_end_ = true;
    u += pairs;
    if (u >= units) break;
    const uint8_t* q = p + 4 * u;
    const uint16_t marker = Word(q);
    uint16_t arg = Word(q + 2);
    if (run_pairs_ > 0) {
      runs_.Append(p + 4 * start, (u - start) * 2, line_count_, run_x_,
                   Saturate(int64_t{run_x_} + 2 * int64_t{run_pairs_} - 1));
      *empty_lines = 0;
    }
    int64_t x = int64_t{run_x_} + 2 * int64_t{run_pairs_};
    if (marker == kLineEndMarker) {
      if (line_count_ < INT32_MAX) ++line_count_;
      if (arg >= last_pixel_) ++*empty_lines;
      if (prescan_.Due(line_count_)) prescan_.TakeLine(runs_, line_count_, last_pixel_);
      x = arg;
    } else {
      x += arg;
    }
    run_x_ = Saturate(x);
    run_pairs_ = 0;
    runs_.EndRun();
    start = u + 1;
  }
  if (start < units) runs_.Store(p + 4 * start, (units - start) * 2, line_count_);
  // The runs point into this piece: they are in the file before it goes.
  runs_.WritePending();
  // The open block is on the line the piece ended in, even with no samples.
  runs_.SetOpenLine(line_count_);
  if (run_pairs_ > 0) *empty_lines = 0;
}

}  // namespace tarvel
