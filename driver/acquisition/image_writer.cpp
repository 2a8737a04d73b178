#include "driver/acquisition/image_writer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "driver/acquisition/image_files.h"
#include "driver/acquisition/image_names.h"
#include "driver/config/c_buffer.h"
#include "driver/config/scanner_type.h"
#include "driver/imaging/fft_filter.h"
#include "platform/files.h"

namespace tarvel {

void ImageWriter::SetExtraHeader(int32_t length, const uint8_t* bytes) {
  extra_length_ = length;
  extra_bytes_ = bytes;
}

bool ImageWriter::SetImageFolder(const std::string& folder) {
  if (folder.size() > kMaxImageFolder) return false;
  folder_ = folder;
  return true;
}

// Intraoral scanners read plates of at most 95 mm a side.
bool ImageWriter::RefusesSize(const PlateImage& image, const ImageInfo& info) {
  if (!ScannerTypeFactsOf(scanner_type_).small_plates) return false;
  double wmm = image.width * static_cast<double>(info.pitch_x) * 1e-6;
  double hmm = image.height * static_cast<double>(info.pitch_y) * 1e-6;
  if (!(wmm * 1e6 > 9.5e7 || hmm * 1e6 > 9.5e7)) return false;
  const char sentence[] = "An image could not be created.";
  if (error_box_)
    error_box_(
        "The Vornix intraoral scanners read plates of at most 95 by 95 mm.\n"
        "An image could not be created.",
        "Error - Plate too large");
  Logf(log_,
       "ERROR : The plate is too large (%g by %g mm). The Vornix intraoral scanners read "
       "plates of at most 95 by 95 mm. %s\n",
       wmm, hmm, sentence);
  return true;
}

PlateWrite ImageWriter::WritePlate(const PlateImage& image, ImageInfo info, std::string* fault) {
  if (RefusesSize(image, info)) return PlateWrite::kWritten;
  // A block that is not there is not announced.
  info.extra_length = (extra_bytes_ && extra_length_ > 0) ? extra_length_ : 0;
  const int filter = settings_.filter;
  const bool filtered = filter != 0 && filter_enabled_;
  // The filter's copy is made before any file, so that no memory for it
  // leaves half a pair behind.
  std::vector<uint16_t> copy;
  try {
    if (filtered) copy = image.pixels;
  } catch (const std::bad_alloc&) {
    return PlateWrite::kNoMemory;
  }
  const int before = written_;
  PlateWrite result = PlateWrite::kWritten;
  if (filter <= 0 || !filter_enabled_) result = WriteOne(image, image.pixels.data(), info, fault);
  if (result == PlateWrite::kWritten && filtered) {
    if (FilterImageFFT(image.width, image.height, copy.data(), copy.data(), info.pitch_x, info.pitch_y,
                       settings_.filter_params))
      Logf(log_, "    Applied image filter: %s\n", settings_.filter_name.c_str());
    else
      Logf(log_, "ERROR: Filter %d (%s) failed\n", filter, settings_.filter_name.c_str());
    result = WriteOne(image, copy.data(), info, fault);
  }
  // No memory for a copy leaves the pair written before it.
  if (result != PlateWrite::kFailed) return result;
  // The plate is stored whole or not at all: the pair written before goes.
  for (int n = written_; n > before; --n) DeleteImageFiles(FileName(n));
  written_ = before;
  return PlateWrite::kFailed;
}

PlateWrite ImageWriter::WriteOne(const PlateImage& image, const uint16_t* pixels, const ImageInfo& info,
                                 std::string* fault) {
  if (written_ >= INT_MAX) {
    Logf(log_, "ERROR: No available names for image files\n");
    *fault = "no image names left";
    return PlateWrite::kFailed;
  }
  const std::string name = FileName(written_ + 1);
  int error = 0;
  const WriteResult image_result = WriteDiskImage(name, image.width, image.height, pixels, settings_.rotation, &error);
  // No memory for the turned copy: no file was made and the number is kept.
  if (image_result == WriteResult::kNoMemory) return PlateWrite::kNoMemory;
  if (image_result != WriteResult::kOk) {
    Logf(log_,
         image_result == WriteResult::kCannotCreate ? "ERROR: Cannot create image file %s\n"
                                                    : "ERROR: Cannot write image file %s\n",
         name.c_str());
    *fault = WithSystemError("image file " + name + " not written", error);
    return PlateWrite::kFailed;
  }
  const std::string info_name = InfoFileName(name);
  const WriteResult info_result = WriteInfoFile(info_name, info, extra_bytes_, info.extra_length, &error);
  if (info_result != WriteResult::kOk) {
    Logf(log_,
         info_result == WriteResult::kCannotCreate ? "ERROR: Cannot create information file %s\n"
                                                   : "ERROR: Cannot write information file %s\n",
         info_name.c_str());
    *fault = WithSystemError("information file " + info_name + " not written", error);
    platform::DeleteFile(name);
    return PlateWrite::kFailed;
  }
  ++written_;
  Logf(log_, "File created: %s\n", name.c_str());
  return PlateWrite::kWritten;
}

std::string ImageWriter::FileName(int number) const {
  char tail[32];
  std::snprintf(tail, sizeof tail, "KP%06i.QEW", number);
  return WithSeparator(folder_) + tail;
}

int ImageWriter::LastNumber() {
  written_ = handed_out_ = HighestImageNumber(folder_);
  return written_;
}

int ImageWriter::NextName(char* buffer) {
  int pending = written_ - handed_out_;
  if (pending <= 0) {
    if (buffer) buffer[0] = 0;
    return pending;
  }
  ++handed_out_;
  std::string name = FileName(handed_out_);
  if (buffer) CopyToUnsizedBuffer(name, buffer);
  return pending;
}

}  // namespace tarvel
