#include "viewer/core/region_save.h"

#include <algorithm>
#include <memory>
#include <new>

#include "viewer/core/fennic_binding.h"
#include "viewer/core/file_identity.h"
#include "viewer/core/messages.h"

namespace viewer {
namespace {

constexpr const char* kRegionContext = " trying to write the region to a file.\n\r";

// The 16-bit formats a region can be held in, as the library writes them.
enum class Format { Raw, Breadboard, Tiff16, Qew, Other };

// The format of a source file's type; pictures (2) and 8-bit TIFF (4) hold
// other values than the 16-bit writers of their families.
Format SourceFormat(uint32_t type) {
  switch (type) {
    case kFileRaw: return Format::Raw;
    case kFileBreadboard: return Format::Breadboard;
    case kFileTiff16v0:
    case kFileTiff16v1:
    case kFileTiff16: return Format::Tiff16;
    case kFileQewV0:
    case kFileQewV1:
    case kFileQew: return Format::Qew;
    default: return Format::Other;
  }
}

// The format the library writes for a type.
Format WrittenFormat(uint32_t type) {
  switch (type) {
    case kFileRaw: return Format::Raw;
    case kFileBitmap:
    case kFileBreadboard: return Format::Breadboard;
    case kFileTiff8:
    case kFileTiff16v0:
    case kFileTiff16v1:
    case kFileTiff16: return Format::Tiff16;
    default: return Format::Qew;
  }
}

// Shows the error box of a failed result; true when the result succeeded.
bool Succeeded(int32_t result) {
  if (LibrarySucceeded(result)) return true;
  ShowLibraryError(result, kRegionContext);
  return false;
}

// The source file's header moved to the region (ordered corners, not
// negative); false (after the box) when the header cannot be read or the
// region leaves the file's rectangle.
bool RegionHeader(const FileInfo& source, const Rect& r, ScanInfo& header) {
  FileInfo file = source;  // the reader may rewrite the type
  if (!Succeeded(_GetScanInfo(&file, &header))) return false;
  if (uint32_t(r.left) < header.originX || uint32_t(r.top) < header.originY ||
      uint64_t(r.right) >= uint64_t{header.originX} + header.width ||
      uint64_t(r.bottom) >= uint64_t{header.originY} + header.height)
    return Succeeded(kFennicBadRegion);
  header.originX = uint32_t(r.left);
  header.originY = uint32_t(r.top);
  header.width = uint32_t(int64_t{r.right} - r.left + 1);
  header.height = uint32_t(int64_t{r.bottom} - r.top + 1);
  return true;
}

std::unique_ptr<uint16_t[]> AllocatePixels(uint64_t count) {
  return std::unique_ptr<uint16_t[]>(new (std::nothrow) uint16_t[std::max<uint64_t>(count, 1)]);
}

// Reads the region band by band and streams it into a new QEW file. A row
// wider than a band is read and written in pieces.
int32_t StreamRegion(const FileInfo& source, const std::string& target, const ScanInfo& header) {
  const uint64_t piece = std::min<uint64_t>(header.width, kRegionBandBytes / 2);
  const uint64_t rows = piece < header.width ? 1 : std::max<uint64_t>(1, kRegionBandBytes / (piece * 2));
  std::unique_ptr<uint16_t[]> band = AllocatePixels(piece * std::min<uint64_t>(rows, header.height));
  if (!band) return kFennicNoMemory;

  // Streamed beside the target, which it replaces only once complete.
  ReplacementFile replacement(target);
  FileInfo out{kFileQew, replacement.Name().c_str()};
  FennicHandle stream = FENNIC_INVALID_HANDLE;
  int32_t result = _StartWrite(&stream, &out, &header);
  FileInfo in = source;
  for (uint64_t y = 0; LibrarySucceeded(result) && y < header.height; y += rows) {
    const uint32_t height = uint32_t(std::min<uint64_t>(rows, header.height - y));
    for (uint64_t x = 0; LibrarySucceeded(result) && x < header.width; x += piece) {
      ScanInfo rect = header;
      rect.originX = uint32_t(header.originX + x);
      rect.originY = uint32_t(header.originY + y);
      rect.width = uint32_t(std::min<uint64_t>(piece, header.width - x));
      rect.height = height;
      ImageData data{1, rect.width, rect.height, band.get()};
      result = _ReadImage(&in, &rect, &data);
      for (uint32_t j = 0; LibrarySucceeded(result) && j < height; ++j)
        result = _WriteLine(&stream, &rect, band.get() + uint64_t{j} * rect.width);
    }
  }
  if (stream != FENNIC_INVALID_HANDLE) _EndWrite(&stream);
  if (LibrarySucceeded(result) && !replacement.Commit()) result = kFennicWriteFailed;
  return result;
}

// Reads the whole region and writes it in the target's format.
int32_t RewriteRegion(const FileInfo& source, const std::string& target, uint32_t targetType, const ScanInfo& header) {
  std::unique_ptr<uint16_t[]> pixels = AllocatePixels(uint64_t{header.width} * header.height);
  if (!pixels) return kFennicNoMemory;
  FileInfo in = source;
  ImageData data{1, header.width, header.height, pixels.get()};
  if (int32_t result = _ReadImage(&in, &header, &data); !LibrarySucceeded(result)) return result;
  FileInfo out{targetType, target.c_str()};
  return _Write(&out, &header, &data);
}

}  // namespace

std::string RegionTooLargeText(uint64_t regionBytes, uint32_t maxImageSize) {
  return "The region of interest needs " + SizeText(regionBytes) + ", more than the Maximum Image Size of " +
         SizeText(maxImageSize) +
         ", and can not be saved in this format.  Save it in the format of the image file or as Brellan "
         "Proprietary, or raise the Maximum Image Size.";
}

bool WriteRegionFile(const FileInfo& source, const std::string& target, uint32_t targetType, const Rect& region,
                     uint32_t maxImageSize) {
  if (region.left < 0 || region.top < 0 || region.left > region.right || region.top > region.bottom)
    return Succeeded(kFennicBadRegion);
  const Format from = SourceFormat(source.type), to = WrittenFormat(targetType);
  const std::string name = WrittenFileName(target, targetType);
  // Creating the target over the source would truncate what is to be read.
  if (!source.fileName || SameFile(name, source.fileName)) return Succeeded(kFennicCreateFailed);

  if (from == to) {
    FileInfo in = source;
    return Succeeded(_CopyRegion(&in, name.c_str(), uint32_t(region.left), uint32_t(region.top), uint32_t(region.right),
                                 uint32_t(region.bottom)));
  }
  ScanInfo header{};
  if (!RegionHeader(source, region, header)) return false;
  if (to == Format::Qew) return Succeeded(StreamRegion(source, name, header));
  const uint64_t bytes = uint64_t{header.width} * header.height * 2;
  if (maxImageSize != 0 && bytes > maxImageSize) {
    ShowErrorMessage(RegionTooLargeText(bytes, maxImageSize), MessageButton::Abort);
    return false;
  }
  return Succeeded(RewriteRegion(source, name, targetType, header));
}

}  // namespace viewer
