#pragma once
// Acquisition state of one session: the scan-data stream is parsed into
// stored runs (blocks) in the temporary data file, blocks are grouped into
// plate ranges, and finished ranges are rebuilt into images and written as
// numbered image files with their information files.
//
// Log lines go to the session log (driver/config/session_log.h).
//
// A session wires it once (settings, folder, temporary file, serial number,
// LastNumber), calls Activate at the start of a pass, and on every
// poll ReadAndParse with the device's block read; it flushes finished plates
// with FlushRanges(false) every 52nd lit read, and after a read reporting
// empty lines (or a stopped transport) while HasData() it calls
// FlushRanges(true) and Reset.
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <sys/uio.h>

#include "driver/acquisition/image_files.h"
#include "driver/acquisition/image_names.h"
#include "driver/acquisition/plate_processing.h"
#include "driver/config/scan_mode.h"
#include "driver/imaging/fft_filter.h"
#include "driver/tarvel_api.h"

namespace tarvel {

// One stored run of samples.
struct ScanBlock {
  int32_t line = 0;         // scan line (line counter when received)
  int32_t x_from = 0;       // pixel index of the first sample
  int32_t x_to = 0;         // pixel index of the last sample
  int64_t file_offset = -1; // byte offset in the temporary file, -1 unused
};

// One plate: the bounding box of its blocks.
struct PlateRange {
  int32_t x_from = 0;
  int32_t first_line = 0;
  int32_t x_to = 0;
  int32_t last_line = 0;
};

constexpr int kMaxBlocks = 100000;
constexpr int kMaxRanges = 1000;
constexpr size_t kPieceBytes = 40960;
constexpr int kPrescanLines = 16;
constexpr int kPrescanLineBytes = 1024;
// Longest image folder: folder, separator, "KP", ten digits, ".QEW" and the
// terminating NUL fit the 256-character buffers callers pass.
constexpr size_t kMaxImageFolder = 256 - 1 - 1 - 2 - 10 - 4;

// What acquisition takes from the session's scan mode.
struct AcquisitionSettings {
  int anz_pix = 6319;           // pixels per line
  uint16_t threshold = 0;       // lit-sample threshold (ADC_SW)
  uint16_t adc_ovs = 12;        // samples per pixel
  int binning = 1;              // lines per image row (1 or 2)
  int sample_factor = 1;        // pixels per image column (1 or 2)
  double pitch_x = 50e-6;       // metres
  double pitch_y = 50e-6;       // metres
  uint16_t max_pix_val = 49140;
  double pix_scale = 1.0;       // the neutral normalization factor
  int64_t min_area = 0;         // smallest plate in pixel units
  double max_aspect_ratio = 3.0;
  int plate_type = kPlateIntraoral;
  bool mirror = false;
  int16_t deflash = 5000;
  int rotation = 0;             // degrees
  float scale = 1.0f;
  uint8_t mwindow_x = 80, mwindow_y = 80; // percent
  std::array<int, 7> slot_bounds{};       // pixel index of 0, 45, ..., 270 degrees
  uint8_t mode_number = 0;
  int filter_number = 0;
  std::string filter_name;
  FilterParams filter;
  int scanner_type = 0;
};

// The settings of a session's scan mode on a scanner type.
AcquisitionSettings SettingsFromScanMode(const ScanMode& mode, int scanner_type);

class Acquisition {
 public:
  // Block read of the device: fills up to `capacity` bytes; nonzero = error.
  using BlockReader = std::function<int(uint8_t* buffer, uint32_t capacity, uint32_t* got)>;

  Acquisition();
  ~Acquisition();
  Acquisition(const Acquisition&) = delete;
  Acquisition& operator=(const Acquisition&) = delete;

  // ---- Session wiring ----
  void SetSettings(const AcquisitionSettings& settings);
  const AcquisitionSettings& Settings() const { return settings_; }
  // Identification text of the scanner (at most 31 characters kept).
  void SetSerialNumber(const std::string& serial);
  // Caller's extra header: kept as a pointer, read at each information file.
  void SetExtraHeader(int32_t length, const uint8_t* bytes);
  void SetFilterEnabled(bool on) { filter_enabled_ = on; }
  bool FilterEnabled() const { return filter_enabled_; }
  // One factor per pixel of a line; empty or short: the neutral factor
  // (the mode's pixel scale) where missing.
  void SetNormalization(std::vector<double> factors) { norm_ = std::move(factors); }
  const std::vector<double>& Normalization() const { return norm_; }

  // Temporary data file: one handle for appending, one for reading back.
  // False (nothing left open) when either cannot be opened.
  bool OpenTempFile(const std::string& path);
  void CloseTempFile();
  bool TempFileOpen() const { return wfile_ != nullptr; }

  // Image folder; false (unchanged) when longer than kMaxImageFolder.
  bool SetImageFolder(const std::string& folder);
  const std::string& ImageFolder() const { return folder_; }

  // ---- Stream and plates ----
  // Reads one piece from the device and parses it. 0, -100 no memory, or the
  // reader's nonzero result. empty_lines: -1 no bytes; else the empty-line
  // markers since the last stored run.
  int ReadAndParse(const BlockReader& reader, int* empty_lines);
  // Parses a piece already read. A unit cut by the piece's end is carried
  // over to the next piece.
  void ParsePiece(const uint8_t* bytes, size_t count, int* empty_lines);
  // Assigns new blocks to ranges, merges ranges and turns finished ranges
  // (all with `with_end`) into images.
  void FlushRanges(bool with_end);
  // Empties both tables and reuses the temporary file from its start; the
  // parse position on the line is kept.
  void Reset();
  // Start of a pass: line counter and parse position 0, then Reset.
  void Activate();

  // ---- Prescan ring ----
  int PrescanSetup(int samples);
  void PrescanTake(uint8_t* buffer);
  bool PrescanWaiting() const { return pre_write_ != pre_read_; }

  // ---- Image numbers ----
  // Highest image number in the folder; both counters become it.
  int LastNumber();
  int PendingCount() const { return written_ - handed_out_; }
  // Next image name in production order (buffer of 256); "" when none.
  // Returns the pending count before the call.
  int NextName(char* buffer);
  std::string FileName(int number) const;
  int WrittenNumber() const { return written_; }

  // ---- State seen by the session and by tests ----
  int32_t LineCount() const { return akt_y_; }
  void SetLineCount(int32_t lines) { akt_y_ = lines; }
  int32_t LastPixel() const { return anz_pix_line_; }
  int BlockCount() const { return block_count_; }
  int LastCollect() const { return last_collect_; }
  int RangeCount() const { return range_count_; }
  const ScanBlock& Block(int i) const { return blocks_[i]; }
  const PlateRange& Range(int i) const { return ranges_[i]; }
  int32_t ParseX() const { return run_x_ + 2 * run_pairs_; }
  // Samples were stored since the last reset.
  bool HasData() const { return block_count_ > 0 || run_pairs_ > 0; }

  // Builds the image of a range: read back, normalized, binned, mirrored
  // and DeFlash-filtered as the mode says; each final row goes to `meter`
  // when one is given.
  bool BuildImage(const PlateRange& range, int range_number, PlateImage* image,
                  WindowMeter* meter = nullptr);

 private:
  void ParseUnits(const uint8_t* p, size_t units, int* empty_lines);
  void StoreRun(const uint8_t* words, size_t count);
  void AppendRun(const uint8_t* words, size_t count);
  void TakePrescanLine();
  void AssignBlocks();
  void MergeRanges();
  void RemoveRange(int k);
  void MakeImages(const PlateRange& range, int range_number);
  void WritePair(const PlateImage& image, const ImageInfo& info);
  bool ReadBack(int64_t offset, uint16_t* dest, size_t count);
  void WritePending();
  void WriteFailed(int block);

  AcquisitionSettings settings_;
  char serial_[32] = {};
  int32_t extra_length_ = 0;
  const uint8_t* extra_bytes_ = nullptr;
  bool filter_enabled_ = true;
  std::vector<double> norm_;

  std::FILE* wfile_ = nullptr;
  std::FILE* rfile_ = nullptr;
  int64_t write_offset_ = 0;
  // Runs not yet in the file, from pending_offset_ on.
  static constexpr size_t kMaxPendingRuns = 512;
  std::vector<iovec> pending_;
  std::vector<int> pending_blocks_;
  int64_t pending_offset_ = 0;
  bool write_failed_logged_ = false;

  std::vector<ScanBlock> blocks_;
  int block_count_ = 0;
  int last_collect_ = 0;
  std::array<PlateRange, kMaxRanges> ranges_{};
  int range_count_ = 0;
  bool overflow_logged_ = false;

  // The open block: the run being received.
  int32_t run_x_ = 0;
  int32_t run_pairs_ = 0;
  int32_t run_line_ = 0;
  int64_t run_offset_ = -1;
  uint8_t carry_[4] = {};
  size_t carry_count_ = 0;

  int32_t akt_y_ = 0;
  int32_t anz_pix_line_ = 0;

  std::vector<uint8_t> piece_;
  std::vector<uint16_t> line_buf_;
  std::vector<uint16_t> spare_pixels_;  // memory of the last plate image

  // Prescan ring.
  std::array<std::array<uint8_t, kPrescanLineBytes>, kPrescanLines> pre_ring_{};
  int pre_write_ = 0, pre_read_ = 0;
  int pre_samples_ = 0, pre_step_ = 1, pre_interval_ = 1, pre_divisor_ = 256;

  std::string folder_ = "C:\\";
  int written_ = 0;
  int handed_out_ = 0;
};

} // namespace tarvel
