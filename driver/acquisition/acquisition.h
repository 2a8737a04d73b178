#pragma once
// Acquisition of one session, as one object: the stream parser stores runs
// of lit samples (run store), finished plates are found in the range table,
// built (image builder) and written as numbered files (image writer).
//
// A session wires it once (settings, folder, temporary file, serial number,
// LastNumber), calls Activate at the start of a pass, and polls it through
// the stream poller (stream_poll.h), which reads, parses, flushes and resets.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "driver/acquisition/acquisition_settings.h"
#include "driver/acquisition/image_builder.h"
#include "driver/acquisition/image_writer.h"
#include "driver/acquisition/prescan_ring.h"
#include "driver/acquisition/range_table.h"
#include "driver/acquisition/run_store.h"
#include "driver/acquisition/stream_parser.h"
#include "driver/config/log_sink.h"

namespace tarvel {

// What acquisition takes from its surroundings. Left empty: no log, the
// platform's local time and message box.
struct AcquisitionSeams {
  LogSink* log = nullptr;
  std::function<std::tm()> local_time;  // time stamp of image records
  ImageWriter::ErrorBox error_box;  // task-modal error box
};

class Acquisition {
 public:
  // Block read of the device: fills up to `capacity` bytes; nonzero = error.
  using BlockReader = std::function<int(uint8_t* buffer, uint32_t capacity, uint32_t* got)>;

  explicit Acquisition(AcquisitionSeams seams = {});
  Acquisition(const Acquisition&) = delete;
  Acquisition& operator=(const Acquisition&) = delete;

  // ---- Session wiring ----
  // The session's scan mode on a scanner type, taken with at least one
  // pixel a line, binning 1 or 2 and a sample factor of 2 only with binning 2.
  void SetSettings(const ScanMode& settings, int scanner_type);
  const ScanMode& Settings() const { return settings_; }
  int SettingsScannerType() const { return scanner_type_; }
  void SetSerialNumber(const std::string& serial) { builder_.SetSerialNumber(serial); }
  void SetExtraHeader(int32_t length, const uint8_t* bytes) { writer_.SetExtraHeader(length, bytes); }
  void SetFilterEnabled(bool on) { writer_.SetFilterEnabled(on); }
  bool FilterEnabled() const { return writer_.FilterEnabled(); }
  void SetNormalization(std::vector<double> factors) { builder_.SetNormalization(std::move(factors)); }
  bool OpenTempFile(const std::string& path) { return runs_.OpenTempFile(path); }
  void CloseTempFile() { runs_.CloseTempFile(); }
  bool TempFileOpen() const { return runs_.TempFileOpen(); }
  bool SetImageFolder(const std::string& folder) { return writer_.SetImageFolder(folder); }
  const std::string& ImageFolder() const { return writer_.ImageFolder(); }

  // ---- Stream and plates ----
  // Reads one piece from the device and parses it. 0, or the reader's
  // nonzero result. empty_lines: -1 no bytes; else the empty-line markers
  // since the last stored run.
  int ReadAndParse(const BlockReader& reader, int* empty_lines);
  // Parses a piece already read.
  void ParsePiece(const uint8_t* bytes, size_t count, int* empty_lines);
  // Flush: assigns new blocks to ranges, merges ranges and turns finished
  // ranges (all with `with_end`) into images.
  void FlushRanges(bool with_end);
  // Empties both tables and the temporary file; the parse position on the
  // line is kept.
  void Reset();
  // Start of a pass: line count and parse position 0, then Reset.
  void Activate();

  // ---- Plates lost ----
  // A plate that could not be stored whole (its runs or its files): no
  // file of it stays, its name is not handed out, and an ERROR line names
  // it and `cause`. The session's next poll reports it (TakeDiscardedPlates).
  void DiscardPlate(const PlateRange& range, const std::string& cause);
  // Every plate still being collected is discarded (its data will never be
  // complete), then both tables are emptied.
  void DiscardOpenPlates(const std::string& cause);
  // Scan data of the current pass were lost: every plate finished from now
  // up to the next reset is discarded as lost.
  void MarkOverrun() { overrun_ = true; }
  void ClearOverrun() { overrun_ = false; }
  // Lines were lost: the count goes on from the scanner's `lines`.
  void TakeUpLineCount(int32_t lines) { parser_.TakeUpLineCount(lines); }
  bool OverrunMarked() const { return overrun_; }
  // Lines lit from end to end ran on without line ends since Activate.
  bool LinesRanOn() const { return lit_line_warned_; }
  // Plates discarded since the last call.
  int TakeDiscardedPlates();

  // ---- What a session asks ----
  // End-of-line markers parsed since Activate.
  int32_t LineCount() const { return parser_.LineCount(); }
  // Samples were stored since the last reset.
  bool HasData() const { return runs_.BlockCount() > 0 || parser_.HasOpenRun(); }

  // ---- Prescan ring ----
  int PrescanSetup(int samples) { return prescan_.Setup(samples, parser_.LastPixel(), settings_); }
  void PrescanTake(uint8_t* buffer) { prescan_.Take(buffer); }
  bool PrescanWaiting() const { return prescan_.Waiting(); }

  // ---- Image numbers ----
  int LastNumber() { return writer_.LastNumber(); }
  int PendingCount() const { return writer_.PendingCount(); }
  int NextName(char* buffer) { return writer_.NextName(buffer); }
  std::string FileName(int number) const { return writer_.FileName(number); }
  int WrittenNumber() const { return writer_.WrittenNumber(); }

  // ---- The parts, read-only ----
  const RunStore& Runs() const { return runs_; }
  const RangeTable& Ranges() const { return ranges_; }
  const StreamParser& Parser() const { return parser_; }

 private:
  void MakeImages(const PlateRange& range, int number);

  NullLogSink null_log_;
  AcquisitionSeams seams_;
  LogSink& log_;
  ScanMode settings_;
  int scanner_type_ = 0;
  std::vector<uint8_t> piece_;
  RunStore runs_;
  PrescanRing prescan_;
  StreamParser parser_;
  RangeTable ranges_;
  ImageBuilder builder_;
  ImageWriter writer_;
  PlateImage spare_;  // memory of the last plate image
  int discarded_ = 0;
  bool lit_line_warned_ = false;  // once per activation
  bool overrun_ = false;  // until the next reset
};

}  // namespace tarvel
