#pragma once
// Plate images to numbered files in the image folder: the DiskImage
// (rotated as the mode says) with its information file, unfiltered and/or
// filtered, and the numbers handed out in production order.
#include <cstdint>
#include <functional>
#include <string>

#include "driver/acquisition/acquisition_settings.h"
#include "driver/acquisition/plate_processing.h"
#include "driver/config/log_sink.h"
#include "driver/config/tarvel_records.h"

namespace tarvel {

// What became of a plate handed to `ImageWriter::WritePlate`.
enum class PlateWrite {
  kWritten,  // every file written, or the plate refused for its size
  kFailed,  // a file could not be written whole; `fault` says why
  kNoMemory,  // no memory for the filter's or the turned copy
};

class ImageWriter {
 public:
  // Shows a task-modal error box.
  using ErrorBox = std::function<void(const std::string& text, const std::string& caption)>;

  ImageWriter(LogSink& log, ErrorBox error_box) : log_(log), error_box_(std::move(error_box)) {}

  void SetSettings(const ScanMode& settings, int scanner_type) {
    settings_ = settings;
    scanner_type_ = scanner_type;
  }
  // Caller's extra header: kept as a pointer, read at each information file.
  void SetExtraHeader(int32_t length, const uint8_t* bytes);
  void SetFilterEnabled(bool on) { filter_enabled_ = on; }
  bool FilterEnabled() const { return filter_enabled_; }

  // False (unchanged) when longer than kMaxImageFolder.
  bool SetImageFolder(const std::string& folder);
  const std::string& ImageFolder() const { return folder_; }

  // Writes the image pair(s) of a plate, unless the scanner refuses its size.
  // kFailed: no file of the plate stays and it uses no number. kNoMemory:
  // the image it was for leaves no file and uses no number.
  PlateWrite WritePlate(const PlateImage& image, ImageInfo info, std::string* fault);

  // Highest image number in the folder; both counters become it.
  int LastNumber();
  int PendingCount() const { return written_ - handed_out_; }
  int WrittenNumber() const { return written_; }
  // Next image name in production order (buffer of 256); "" when none.
  // Returns the pending count before the call.
  int NextName(char* buffer);
  std::string FileName(int number) const;

 private:
  bool RefusesSize(const PlateImage& image, const ImageInfo& info);
  // One image and its information file under the next number; neither file
  // left and the number unused unless kWritten.
  PlateWrite WriteOne(const PlateImage& image, const uint16_t* pixels, const ImageInfo& info, std::string* fault);

  LogSink& log_;
  ErrorBox error_box_;
  ScanMode settings_;
  int scanner_type_ = 0;
  int32_t extra_length_ = 0;
  const uint8_t* extra_bytes_ = nullptr;
  bool filter_enabled_ = true;
  std::string folder_ = "C:\\";
  int written_ = 0;
  int handed_out_ = 0;
};

}  // namespace tarvel
