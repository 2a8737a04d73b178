// Scan-data stream: runs of lit samples into the temporary file and the
// block table, blocks into plate ranges, finished ranges into images.
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <sys/uio.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "driver/acquisition/acquisition.h"
#include "driver/config/paths.h"
#include "driver/config/session_log.h"
#include "platform/files.h"

static_assert(std::endian::native == std::endian::little,
              "stream words and image files are little-endian");

namespace tarvel {

namespace {
// Parse positions saturate here, far beyond any scan line, so that skip
// markers of a corrupt stream cannot overflow the arithmetic.
constexpr int64_t kMaxX = int64_t{1} << 30;

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::min(v, kMaxX)); }

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Number of units at the start of p[0 .. units-1] that are sample pairs
// (first word 0xFFF0 or below), i.e. the index of the first marker.
size_t LeadingPairs(const uint8_t* p, size_t units) {
  size_t u = 0;
#if defined(__SSE2__)
  // Sixteen units a step: a first word above 0xFFF0 survives the saturating
  // subtraction of 0xFFF0; second words are masked off.
  const __m128i limit = _mm_set1_epi32(0xFFF0);
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
  while (u < units && Word(p + 4 * u) <= 0xFFF0) ++u;
  return u;
}

const char kBlockOverflow[] =
    "CRITICAL ERROR: Internal Blockbuffer overflow\n   This my be caused by too much light\n";
const char kRangeOverflow[] =
    "CRITICAL ERROR: Internal Rangebuffer overflow\n   This my be caused by too much light\n";
} // namespace

AcquisitionSettings SettingsFromScanMode(const ScanMode& m, int scanner_type) {
  AcquisitionSettings s;
  s.anz_pix = m.Anz_Pix;
  s.threshold = m.ADC_SW;
  s.adc_ovs = m.ADC_Ovs;
  s.binning = m.binning;
  s.sample_factor = m.sample_factor;
  s.pitch_x = m.pitch_x;
  s.pitch_y = m.pitch_y;
  s.max_pix_val = m.MaxPixVal;
  s.pix_scale = m.PixScale;
  s.min_area = m.min_image_pixels;
  s.max_aspect_ratio = m.max_aspect_ratio;
  s.plate_type = m.plate_type;
  s.mirror = m.mirror != 0;
  s.deflash = m.deflash;
  s.rotation = m.rotation;
  s.scale = m.scale;
  s.mwindow_x = m.mwindow_x;
  s.mwindow_y = m.mwindow_y;
  for (int k = 0; k < 7; ++k) s.slot_bounds[k] = m.slot_boundaries[k];
  s.mode_number = m.mode;
  s.filter_number = m.filter;
  s.filter_name = m.filter_name;
  s.filter = m.filter_params;
  s.scanner_type = scanner_type;
  return s;
}

Acquisition::Acquisition() : blocks_(kMaxBlocks), piece_(kPieceBytes) {
  pending_.reserve(kMaxPendingRuns);
  pending_blocks_.reserve(kMaxPendingRuns);
  SetSettings(settings_);
  Reset();
}

Acquisition::~Acquisition() { CloseTempFile(); }

void Acquisition::SetSettings(const AcquisitionSettings& settings) {
  settings_ = settings;
  if (settings_.anz_pix < 1) settings_.anz_pix = 1;
  if (settings_.binning != 2) settings_.binning = 1;
  if (settings_.sample_factor != 2 || settings_.binning != 2) settings_.sample_factor = 1;
  anz_pix_line_ = settings_.anz_pix - 1;
  line_buf_.assign(static_cast<size_t>(anz_pix_line_) + 256, 0);
}

void Acquisition::SetSerialNumber(const std::string& serial) {
  std::memset(serial_, 0, sizeof serial_);
  std::memcpy(serial_, serial.data(), std::min(serial.size(), sizeof serial_ - 1));
}

void Acquisition::SetExtraHeader(int32_t length, const uint8_t* bytes) {
  extra_length_ = length;
  extra_bytes_ = bytes;
}

bool Acquisition::OpenTempFile(const std::string& path) {
  CloseTempFile();
  wfile_ = OpenWithFolders(path, "wb");
  if (!wfile_) return false;
  rfile_ = platform::OpenFile(path, "rb");
  if (!rfile_) {
    std::fclose(wfile_);
    wfile_ = nullptr;
    return false;
  }
  write_offset_ = 0;
  pending_.clear();
  pending_blocks_.clear();
  return true;
}

void Acquisition::CloseTempFile() {
  WritePending();
  if (wfile_) std::fclose(wfile_);
  if (rfile_) std::fclose(rfile_);
  wfile_ = rfile_ = nullptr;
}

bool Acquisition::SetImageFolder(const std::string& folder) {
  if (folder.size() > kMaxImageFolder) return false;
  folder_ = folder;
  return true;
}

void Acquisition::Reset() {
  for (int i = 0; i < block_count_; ++i) blocks_[i] = ScanBlock{};
  block_count_ = 0;
  last_collect_ = 0;
  for (int k = 0; k < range_count_; ++k) ranges_[k] = PlateRange{};
  range_count_ = 0;
  overflow_logged_ = false;
  write_failed_logged_ = false;
  WritePending();
  if (wfile_) std::fseek(wfile_, 0, SEEK_SET);
  if (rfile_) std::fseek(rfile_, 0, SEEK_SET);
  write_offset_ = 0;
  // The open run is dropped with the tables, but the next sample still
  // lands where the stream says.
  run_x_ = Saturate(int64_t{run_x_} + 2 * int64_t{run_pairs_});
  run_pairs_ = 0;
  run_line_ = 0;
  run_offset_ = -1;
}

void Acquisition::Activate() {
  akt_y_ = 0;
  run_x_ = 0;
  run_pairs_ = 0;
  carry_count_ = 0;
  Reset();
}

// ---- Parsing ----

int Acquisition::ReadAndParse(const BlockReader& reader, int* empty_lines) {
  *empty_lines = 0;
  uint32_t got = 0;
  int rc = reader(piece_.data(), static_cast<uint32_t>(piece_.size()), &got);
  if (rc != 0) return rc;
  if (got == 0) {
    *empty_lines = -1;
    return 0;
  }
  ParsePiece(piece_.data(), std::min<size_t>(got, piece_.size()), empty_lines);
  return 0;
}

void Acquisition::ParsePiece(const uint8_t* bytes, size_t count, int* empty_lines) {
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

void Acquisition::ParseUnits(const uint8_t* p, size_t units, int* empty_lines) {
  size_t start = 0;
  for (size_t u = 0; u < units; ++u) {
    const size_t pairs = LeadingPairs(p + 4 * u, units - u);
    run_pairs_ = static_cast<int32_t>(
        std::min<int64_t>(int64_t{run_pairs_} + static_cast<int64_t>(pairs), kMaxX));
    u += pairs;
    if (u >= units) break;
    const uint8_t* q = p + 4 * u;
    const uint16_t marker = Word(q);
    uint16_t arg = Word(q + 2);
    if (run_pairs_ > 0) {
      AppendRun(p + 4 * start, (u - start) * 2);
      *empty_lines = 0;
    }
    int64_t x = int64_t{run_x_} + 2 * int64_t{run_pairs_};
    if (marker == 0xFFFE) {
      if (akt_y_ < INT32_MAX) ++akt_y_;
      if (arg >= anz_pix_line_) ++*empty_lines;
      if (pre_samples_ > 0 && akt_y_ % pre_interval_ == 0) TakePrescanLine();
      x = arg;
    } else {
      x += arg;
    }
    run_x_ = Saturate(x);
    run_pairs_ = 0;
    run_offset_ = -1;
    start = u + 1;
  }
  if (start < units) StoreRun(p + 4 * start, (units - start) * 2);
  // The runs point into this piece: they are in the file before it goes.
  WritePending();
  // The open block is on the line the piece ended in, even with no samples.
  run_line_ = akt_y_;
  if (run_pairs_ > 0) *empty_lines = 0;
}

// Appends words of the open run to the temporary file.
void Acquisition::StoreRun(const uint8_t* words, size_t count) {
  run_line_ = akt_y_;
  if (block_count_ >= kMaxBlocks) {
    if (!overflow_logged_) {
      WritePending();
      overflow_logged_ = true;
      LogPrintf("%s", kBlockOverflow);
      FlushSessionLog();
    }
    return;
  }
  if (run_offset_ < 0) run_offset_ = write_offset_;
  if (count == 0) return;
  const size_t bytes = count * 2;
  if (!wfile_) {
    write_offset_ += static_cast<int64_t>(bytes);
    WriteFailed(block_count_);
    return;
  }
  // Runs are gathered and written together, straight from the piece.
  if (pending_.empty()) pending_offset_ = write_offset_;
  pending_.push_back(iovec{const_cast<uint8_t*>(words), bytes});
  pending_blocks_.push_back(block_count_);
  write_offset_ += static_cast<int64_t>(bytes);
  if (pending_.size() >= kMaxPendingRuns) WritePending();
}

void Acquisition::WriteFailed(int block) {
  if (write_failed_logged_) return;
  write_failed_logged_ = true;
  LogPrintf("ERROR: File write error for Block[%i]\n", block);
}

// Every run keeps its own place in the file, even when an earlier one is lost.
void Acquisition::WritePending() {
  if (pending_.empty()) return;
  const int fd = fileno(wfile_);
  size_t i = 0;
  off_t at = static_cast<off_t>(pending_offset_);
  while (i < pending_.size()) {
    ssize_t n = ::pwritev(fd, pending_.data() + i, static_cast<int>(pending_.size() - i), at);
    if (n <= 0) {
      // This run is lost; the next one goes to its own offset.
      WriteFailed(pending_blocks_[i]);
      at += static_cast<off_t>(pending_[i].iov_len);
      ++i;
      continue;
    }
    at += n;
    for (size_t done = static_cast<size_t>(n); done > 0;) {
      if (done >= pending_[i].iov_len) {
        done -= pending_[i].iov_len;
        ++i;
      } else {
        pending_[i].iov_base = static_cast<uint8_t*>(pending_[i].iov_base) + done;
        pending_[i].iov_len -= done;
        done = 0;
      }
    }
  }
  pending_.clear();
  pending_blocks_.clear();
}

void Acquisition::AppendRun(const uint8_t* words, size_t count) {
  bool full = block_count_ >= kMaxBlocks;
  StoreRun(words, count);
  if (full) return;
  ScanBlock& b = blocks_[block_count_];
  b.line = akt_y_;
  b.x_from = run_x_;
  b.x_to = Saturate(int64_t{run_x_} + 2 * int64_t{run_pairs_} - 1);
  b.file_offset = run_offset_;
  ++block_count_;
}

bool Acquisition::ReadBack(int64_t offset, uint16_t* dest, size_t count) {
  if (!rfile_ || offset < 0) return false;
  int fd = fileno(rfile_);
  auto* out = reinterpret_cast<uint8_t*>(dest);
  size_t want = count * 2, done = 0;
  while (done < want) {
    ssize_t n = ::pread(fd, out + done, want - done, static_cast<off_t>(offset + done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// ---- Prescan ring ----

int Acquisition::PrescanSetup(int samples) {
  pre_write_ = pre_read_ = 0;
  if (samples <= 0 || samples >= kPrescanLineBytes) {
    pre_samples_ = 0;
    pre_step_ = 1;
    pre_interval_ = 1;
    pre_divisor_ = 256;
    return samples >= kPrescanLineBytes ? -102 : 0;
  }
  pre_samples_ = samples;
  pre_step_ = anz_pix_line_ / samples;
  double lines = settings_.binning * settings_.pitch_y / settings_.pitch_x * pre_step_;
  int64_t interval = (lines > 0 && lines < 1e9) ? static_cast<int64_t>(lines) : 0;
  interval /= settings_.sample_factor;
  // An interval that computes to 0 takes every line.
  pre_interval_ = static_cast<int>(std::max<int64_t>(interval, 1));
  int s = settings_.adc_ovs;
  pre_divisor_ = std::max(1, s <= 16 ? s * 16 : s * 8);
  return 0;
}

void Acquisition::TakePrescanLine() {
  auto& ring_line = pre_ring_[pre_write_];
  if (block_count_ == 0) {
    std::memset(ring_line.data(), 0, static_cast<size_t>(pre_samples_));
  } else {
    std::vector<uint16_t> line(static_cast<size_t>(anz_pix_line_) + 10, 0);
    WritePending();
    for (int i = block_count_ - 1; i >= 0 && blocks_[i].line == akt_y_ - 1; --i) {
      const ScanBlock& b = blocks_[i];
      if (b.x_from >= static_cast<int64_t>(line.size())) continue;
      size_t n = std::min<size_t>(static_cast<size_t>(b.x_to - b.x_from + 1), line.size() - b.x_from);
      ReadBack(b.file_offset, line.data() + b.x_from, n);
    }
    for (int i = 0; i < pre_samples_; ++i) {
      size_t at = static_cast<size_t>(i) * pre_step_;
      int v = at < line.size() ? line[at] : 0;
      ring_line[i] = static_cast<uint8_t>(-(v / pre_divisor_));
    }
  }
  pre_write_ = (pre_write_ + 1) % kPrescanLines;
}

void Acquisition::PrescanTake(uint8_t* buffer) {
  if (buffer && pre_samples_ > 0) std::memcpy(buffer, pre_ring_[pre_read_].data(), pre_samples_);
  if (pre_read_ != pre_write_) pre_read_ = (pre_read_ + 1) % kPrescanLines;
}

// ---- Ranges ----

namespace {
bool Accepts(const ScanBlock& b, const PlateRange& r) {
  return int64_t{b.line} <= int64_t{r.last_line} + 1 && int64_t{b.x_from} <= int64_t{r.x_to} + 1 &&
         int64_t{b.x_to} + 1 >= r.x_from;
}

bool Touch(const PlateRange& a, const PlateRange& b) {
  return !(int64_t{b.x_to} + 1 < a.x_from || int64_t{a.x_to} + 1 < b.x_from ||
           int64_t{b.last_line} + 1 < a.first_line || int64_t{a.last_line} + 1 < b.first_line);
}
} // namespace

void Acquisition::AssignBlocks() {
  for (int i = last_collect_; i < block_count_; ++i) {
    const ScanBlock& b = blocks_[i];
    int k = 0;
    while (k < range_count_ && !Accepts(b, ranges_[k])) ++k;
    if (k < range_count_) {
      PlateRange& r = ranges_[k];
      r.x_from = std::min(r.x_from, b.x_from);
      r.x_to = std::max(r.x_to, b.x_to);
      r.last_line = b.line;
    } else if (range_count_ < kMaxRanges) {
      ranges_[range_count_++] = PlateRange{b.x_from, b.line, b.x_to, b.line};
    } else if (!overflow_logged_) {
      overflow_logged_ = true;
      LogPrintf("%s", kRangeOverflow);
      FlushSessionLog();
    }
  }
  last_collect_ = block_count_;
}

void Acquisition::RemoveRange(int k) {
  for (int i = k; i + 1 < range_count_; ++i) ranges_[i] = ranges_[i + 1];
  ranges_[range_count_ - 1] = PlateRange{};
  --range_count_;
}

void Acquisition::MergeRanges() {
  bool merged = true;
  while (merged) {
    merged = false;
    for (int a = 0; a + 1 < range_count_ && !merged; ++a) {
      for (int b = a + 1; b < range_count_; ++b) {
        if (!Touch(ranges_[a], ranges_[b])) continue;
        PlateRange& ra = ranges_[a];
        const PlateRange& rb = ranges_[b];
        ra.x_from = std::min(ra.x_from, rb.x_from);
        ra.first_line = std::min(ra.first_line, rb.first_line);
        ra.x_to = std::max(ra.x_to, rb.x_to);
        ra.last_line = std::max(ra.last_line, rb.last_line);
        RemoveRange(b);
        merged = true;
        break;
      }
    }
  }
}

void Acquisition::FlushRanges(bool with_end) {
  FlushSessionLog();
  AssignBlocks();
  MergeRanges();
  if (with_end) LogPrintf("Flushing %d ranges from the buffer\n", range_count_);
  int too_small = 0;
  int k = 0;
  while (k < range_count_) {
    const PlateRange r = ranges_[k];
    if (!with_end && !(int64_t{r.last_line} < int64_t{akt_y_} - 1)) {
      ++k;
      continue;
    }
    int64_t w = int64_t{r.x_to} - r.x_from + 1;
    int64_t h = int64_t{r.last_line} - r.first_line + 1;
    double ratio = static_cast<double>(w) / static_cast<double>(h);
    if (settings_.plate_type == kPlateErase) {
      // Erase passes make no images.
    } else if (w * h < settings_.min_area) {
      ++too_small;
    } else if (ratio > settings_.max_aspect_ratio || 1.0 / ratio > settings_.max_aspect_ratio) {
      LogPrintf("Range with bad X/Y ratio was removed; Ratio = %5.2f, max = %5.2f\n", ratio,
           settings_.max_aspect_ratio);
    } else if (r.x_to > anz_pix_line_) {
      LogPrintf("Range was removed: Passed end of the scan line at %d!\n", r.x_to);
    } else {
      MakeImages(r, k + 1);
    }
    RemoveRange(k);
  }
  if (too_small > 0) LogPrintf("%i Ranges were removed as too small\n", too_small);
}

} // namespace tarvel
