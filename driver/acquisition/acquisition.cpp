#include "driver/acquisition/acquisition.h"

#include <algorithm>
#include <new>

#include "platform/clock.h"
#include "platform/ui.h"

namespace tarvel {

namespace {
const char kNoBufferMemory[] = "ERROR: Can not allocate buffer memory\n";

AcquisitionSeams WithPlatformDefaults(AcquisitionSeams seams) {
  if (!seams.local_time) seams.local_time = [] { return platform::LocalTime(platform::WallTime()); };
  if (!seams.error_box)
    seams.error_box = [](const std::string& text, const std::string& caption) {
      platform::MessageBox(text, caption, platform::kMbOk | platform::kMbIconError | platform::kMbTaskModal);
    };
  return seams;
}
}  // namespace

Acquisition::Acquisition(AcquisitionSeams seams)
    : seams_(WithPlatformDefaults(std::move(seams))),
      log_(seams_.log ? *seams_.log : null_log_),
      piece_(kPieceBytes),
      runs_(log_),
      parser_(runs_, prescan_),
      ranges_(log_),
      builder_(log_),
      writer_(log_, seams_.error_box) {
  SetSettings(settings_, scanner_type_);
  Reset();
}

void Acquisition::SetSettings(const ScanMode& settings, int scanner_type) {
  settings_ = settings;
  if (settings_.Anz_Pix < 1) settings_.Anz_Pix = 1;
  if (settings_.binning != 2) settings_.binning = 1;
  if (settings_.sample_factor != 2 || settings_.binning != 2) settings_.sample_factor = 1;
  scanner_type_ = scanner_type;
  const int32_t last_pixel = settings_.Anz_Pix - 1;
  parser_.SetLastPixel(last_pixel);
  builder_.SetSettings(settings_, last_pixel);
  writer_.SetSettings(settings_, scanner_type_);
}

void Acquisition::Reset() {
  overrun_ = false;
  runs_.Reset();
  ranges_.Reset();
  parser_.DropOpenRun();
}

void Acquisition::Activate() {
  parser_.Restart();
  parser_.TakePassedLineEnd();
  lit_line_warned_ = false;
  Reset();
}

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
  parser_.Parse(bytes, count, empty_lines);
  // Such a run makes no plate (its range is discarded): say why, once.
  if (parser_.TakePassedLineEnd() && !lit_line_warned_) {
    Logf(log_, "WARNING: The whole scan line is lit; check Threshold and the room light\n");
    lit_line_warned_ = true;
  }
}

void Acquisition::FlushRanges(bool with_end) {
  log_.Flush();
  ranges_.Accept(runs_, settings_);
  ranges_.Merge();
  if (with_end) Logf(log_, "Flushing %d ranges from the buffer\n", ranges_.Count());
  ranges_.Finish(
      with_end, parser_.LineCount(), parser_.LastPixel(), settings_,
      [this](const PlateRange& range, int number) { MakeImages(range, number); },
      [this](const PlateRange& range) { DiscardPlate(range, "rows not placed in the full range table"); });
}

void Acquisition::MakeImages(const PlateRange& range, int number) {
  if (overrun_) return DiscardPlate(range, "scanner memory overrun");
  // The pixel memory of the previous plate is used again: no fresh pages
  // to fault in for every plate.
  PlateImage image;
  image.pixels.swap(spare_.pixels);
  try {
    const RangeContext where{parser_.LineCount(), number, ranges_.Count()};
    ImageInfo info{};
    std::string fault;
    switch (builder_.Make(runs_, range, where, seams_.local_time, &image, &info)) {
      case BuildResult::kBuilt:
        switch (writer_.WritePlate(image, info, &fault)) {
          case PlateWrite::kWritten: break;
          case PlateWrite::kFailed: DiscardPlate(range, fault); break;
          case PlateWrite::kNoMemory: Logf(log_, kNoBufferMemory); break;
        }
        break;
      case BuildResult::kNotStored: DiscardPlate(range, builder_.StorageFault()); break;
      case BuildResult::kNoImage: break;
    }
  } catch (const std::bad_alloc&) {
    // Any other allocation of the build that fails ends the plate alike.
    Logf(log_, kNoBufferMemory);
  }
  spare_.pixels.swap(image.pixels);
}

void Acquisition::DiscardPlate(const PlateRange& range, const std::string& cause) {
  Logf(log_, "ERROR: Plate from (%i, %i) to (%i, %i) lost: %s\n", range.x_from, range.first_line, range.x_to,
       range.last_line, cause.c_str());
  log_.Flush();
  ++discarded_;
}

void Acquisition::DiscardOpenPlates(const std::string& cause) {
  ranges_.Accept(runs_, settings_);
  ranges_.Merge();
  for (int i = 0; i < ranges_.Count(); ++i) DiscardPlate(ranges_.Range(i), cause);
  Reset();
}

int Acquisition::TakeDiscardedPlates() {
  const int n = discarded_;
  discarded_ = 0;
  return n;
}

}  // namespace tarvel
