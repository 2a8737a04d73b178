#include "viewer/core/image.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "platform/clock.h"
#include "viewer/core/fennic_binding.h"
#include "viewer/core/file_identity.h"
#include "viewer/core/region_save.h"
#include "viewer/core/settings.h"

namespace viewer {
namespace {

constexpr uint64_t kCoordinateLimit = std::numeric_limits<int32_t>::max();
constexpr const char* kFileContext = " trying to get information about the file.\n\r";
constexpr const char* kInfoContext = " trying to get information about the image.\n\r";
constexpr const char* kLoadContext = " trying to load the image.\n\r";
constexpr const char* kWriteContext = " trying to write the image file.\n\r";
constexpr const char* kRegionContext = " trying to write the region to a file.\n\r";

// 100-ns units between 1601-01-01 and 1970-01-01.
constexpr uint64_t kFileTimeEpoch = 116444736000000000ull;

// Every coordinate of the rectangle fits a signed 32-bit integer.
bool FitsCoordinates(const ScanInfo& info) {
  return uint64_t{info.originX} + info.width <= kCoordinateLimit + 1 &&
         uint64_t{info.originY} + info.height <= kCoordinateLimit + 1 && info.width <= kCoordinateLimit &&
         info.height <= kCoordinateLimit;
}

int32_t ToCoordinate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), kCoordinateLimit));
}

// Lowers lo and raises hi by the n values at p.
void CountRange(const uint16_t* p, size_t n, uint16_t& lo, uint16_t& hi) {
  uint16_t a = lo, b = hi;
  size_t i = 0;
#if defined(__SSE2__)
  // Unsigned 16-bit min and max from saturating subtraction:
  // min(x, y) = x - (x -sat y), max(x, y) = y + (x -sat y).
  if (n >= 16) {
    __m128i vmin = _mm_set1_epi16(static_cast<short>(a)), vmax = _mm_set1_epi16(static_cast<short>(b));
    for (; i + 8 <= n; i += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      vmin = _mm_sub_epi16(vmin, _mm_subs_epu16(vmin, v));
      vmax = _mm_add_epi16(vmax, _mm_subs_epu16(v, vmax));
    }
    alignas(16) uint16_t mins[8], maxs[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(mins), vmin);
    _mm_store_si128(reinterpret_cast<__m128i*>(maxs), vmax);
    for (int k = 0; k < 8; ++k) {
      a = mins[k] < a ? mins[k] : a;
      b = maxs[k] > b ? maxs[k] : b;
    }
  }
#endif
  for (; i < n; ++i) {
    const uint16_t v = p[i];
    a = v < a ? v : a;
    b = v > b ? v : b;
  }
  lo = a;
  hi = b;
}

}  // namespace

CImage::CImage(const ViewerSettings& settings) : settings_(&settings) { imageData_.sampling = 1; }

CImage::~CImage() { Clear(); }

uint32_t CImage::SubsampleFor(uint64_t width, uint64_t height, uint32_t limit) {
  if (limit == 0) return 1;
  auto bytes = [&](uint64_t n) { return (width / n) * (height / n) * 2; };
  // bytes(n) does not grow with n and is 0 beyond the larger side: the
  // smallest fitting n lies in [1, max + 1].
  uint64_t lo = 1, hi = std::max(width, height) + 1;
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    if (bytes(mid) > limit)
      lo = mid + 1;
    else
      hi = mid;
  }
  return static_cast<uint32_t>(std::min<uint64_t>(lo, std::numeric_limits<uint32_t>::max()));
}

void CImage::ChooseSubsample() {
  const uint32_t n = SubsampleFor(scanInfo_.width, scanInfo_.height, static_cast<uint32_t>(settings_->maxImageSize));
  imageData_.sampling = n;
  imageData_.width = scanInfo_.width / n;
  imageData_.height = scanInfo_.height / n;
}

std::shared_ptr<uint16_t[]> CImage::Allocate(uint64_t width, uint64_t height) {
  const uint64_t count = width * height;  // each below 2^31: no overflow
  if (count > static_cast<uint64_t>(std::numeric_limits<ptrdiff_t>::max()) / 2) return nullptr;
  if (allocator_) return allocator_(static_cast<size_t>(count));
  return std::shared_ptr<uint16_t[]>(new (std::nothrow) uint16_t[std::max<uint64_t>(count, 1)]);
}

void CImage::DropPixels() {
  pixels_.reset();
  imageData_.pixels = nullptr;
}

void CImage::SetPixels(std::shared_ptr<uint16_t[]> pixels, const ImageData& data) {
  pixels_ = std::move(pixels);
  imageData_ = data;
  imageData_.pixels = pixels_.get();
}

void CImage::DropImage() {
  DropPixels();
  scanInfo_ = ScanInfo{};
  imageData_ = ImageData{1, 0, 0, nullptr};
}

bool CImage::Report(int32_t result, const char* context) const {
  if (LibrarySucceeded(result)) return true;
  ShowLibraryError(result, context);
  return false;
}

void CImage::SetName(const std::optional<std::string>& name) {
  name_ = name;
  fileInfo_.fileName = name_ ? name_->c_str() : nullptr;
}

void CImage::Clear() {
  fileInfo_.type = kFileNone;
  SetName(std::nullopt);
  scanInfo_.source = kSourceNoData;
  DropPixels();
}

void CImage::Changed() {
  ComputeRange();
  if (OnChange) OnChange(this);
}

void CImage::SetScanFacts(const ScanInfo& info) {
  scanInfo_.source = info.source;
  scanInfo_.originX = info.originX;
  scanInfo_.originY = info.originY;
  scanInfo_.resolutionX = info.resolutionX;
  scanInfo_.resolutionY = info.resolutionY;
  scanInfo_.orientation = info.orientation;
  scanInfo_.flipHorizontal = info.flipHorizontal;
  scanInfo_.flipVertical = info.flipVertical;
}

// An image that holds pixels stays usable whatever its source says.
bool CImage::IsEmpty() const { return !pixels_; }

ImageRecord CImage::Record() const {
  ImageRecord r;
  r.sampling = imageData_.sampling;
  r.width = imageData_.width;
  r.height = imageData_.height;
  r.pixels = pixels_;
  r.minTone = minTone_;
  r.maxTone = maxTone_;
  return r;
}

bool CImage::SetFileName(const std::string& fileName) {
  SetName(fileName);
  return Report(_GetFileInfo(&fileInfo_), kFileContext);
}

void CImage::OpenAs(const std::string& fileName, bool picture) {
  Clear();
  if (SetFileName(fileName)) {
    if (fileInfo_.type == kFileBitmap && !picture) fileInfo_.type = kFileBreadboard;
    if (fileInfo_.type == kFileBreadboard && picture) fileInfo_.type = kFileBitmap;
    if (fileInfo_.type >= kFileUnknown) fileInfo_.type = kFileRaw;
    LoadImage();
  }
  Changed();
}

void CImage::Open(const std::string& fileName) { OpenAs(fileName, false); }
void CImage::OpenPicture(const std::string& fileName) { OpenAs(fileName, true); }

bool CImage::LoadImage() {
  DropPixels();
  ScanInfo info{};
  if (!Report(_GetScanInfo(&fileInfo_, &info), kInfoContext)) {
    DropImage();
    return false;
  }
  // Coordinates cross the viewer as signed 32-bit numbers.
  if (!FitsCoordinates(info)) {
    ShowLibraryError(kFennicBadRegion, kInfoContext);
    DropImage();
    return false;
  }
  // A file without a single pixel is no image; nor is a file taken for raw
  // data (as any file of unknown type is, a text file too) whose size is not
  // that of its header's rows.
  if (info.width == 0 || info.height == 0) {
    ShowLibraryError(kFennicNoImageData, kLoadContext);
    DropImage();
    return false;
  }
  if (fileInfo_.type == kFileRaw) {
    const std::optional<uint64_t> size = RegularFileSize(*name_);
    const uint64_t rows = 4 + uint64_t{info.width} * info.height * 2;
    if (size && *size != rows) {
      ShowLibraryError(*size < rows ? kFennicReadFailed : kFennicWrongType, *size < rows ? kLoadContext : kInfoContext);
      DropImage();
      return false;
    }
  }
  scanInfo_ = info;
  ChooseSubsample();
  std::shared_ptr<uint16_t[]> pixels = Allocate(imageData_.width, imageData_.height);
  if (!pixels) {
    ShowLibraryError(kFennicNoMemory, kLoadContext);
    DropImage();
    return false;
  }
  ImageData data = imageData_;
  data.pixels = pixels.get();
  // A failed read keeps nothing: its buffer content is undefined.
  if (!Report(_ReadImage(&fileInfo_, &scanInfo_, &data), kLoadContext)) {
    DropImage();
    return false;
  }
  SetPixels(std::move(pixels), data);
  return true;
}

void CImage::ComputeRange() {
  if (IsEmpty() || imageData_.width == 0 || imageData_.height == 0) {
    minTone_ = maxTone_ = 0;
    return;
  }
  uint16_t lo = 65535, hi = 0;
  CountRange(pixels_.get(), size_t{imageData_.width} * imageData_.height, lo, hi);
  minTone_ = lo;
  maxTone_ = hi;
}

void CImage::CreateTestPattern() {
  Clear();
  scanInfo_ = ScanInfo{};
  scanInfo_.source = kSourceComputer;
  const uint64_t stamp = kFileTimeEpoch + static_cast<uint64_t>(platform::WallTime()) * 10000000ull;
  scanInfo_.timestamp = {static_cast<uint32_t>(stamp), static_cast<uint32_t>(stamp >> 32)};
  scanInfo_.width = 256;
  scanInfo_.height = 256;
  ChooseSubsample();
  std::shared_ptr<uint16_t[]> pixels = Allocate(imageData_.width, imageData_.height);
  if (!pixels) {
    ShowLibraryError(kFennicNoMemory, kLoadContext);
    scanInfo_.source = kSourceNoData;
  } else {
    const uint32_t n = imageData_.sampling;
    for (uint32_t r = 0; r < imageData_.height; ++r)
      for (uint32_t c = 0; c < imageData_.width; ++c)
        pixels[size_t{r} * imageData_.width + c] = static_cast<uint16_t>((256 * r * n + c * n) & 0xFFFF);
    SetPixels(std::move(pixels), imageData_);
  }
  Changed();
}

void CImage::Crop(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (IsEmpty() || scanInfo_.width == 0 || scanInfo_.height == 0) return;
  int64_t ax = x1, ay = y1, bx = x2, by = y2;
  if (ax > bx) std::swap(ax, bx);
  if (ay > by) std::swap(ay, by);
  const int64_t ox = scanInfo_.originX, oy = scanInfo_.originY;
  const int64_t lastX = ox + scanInfo_.width - 1, lastY = oy + scanInfo_.height - 1;
  ax = Clamp(ox, ax, lastX);
  bx = Clamp(ax, bx, lastX);
  ay = Clamp(oy, ay, lastY);
  by = Clamp(ay, by, lastY);

  ScanInfo region = scanInfo_;
  region.originX = static_cast<uint32_t>(ax);
  region.originY = static_cast<uint32_t>(ay);
  region.width = static_cast<uint32_t>(bx - ax + 1);
  region.height = static_cast<uint32_t>(by - ay + 1);

  if (fileInfo_.type != kFileNone && imageData_.sampling != 1) {
    // Read the smaller region again, at the finest sampling that fits. The
    // held image stays as it was when that fails.
    ImageData data{};
    data.sampling = SubsampleFor(region.width, region.height, static_cast<uint32_t>(settings_->maxImageSize));
    data.width = region.width / data.sampling;
    data.height = region.height / data.sampling;
    std::shared_ptr<uint16_t[]> pixels = Allocate(data.width, data.height);
    if (!pixels) {
      ShowLibraryError(kFennicNoMemory, kLoadContext);
      return;
    }
    data.pixels = pixels.get();
    if (!Report(_ReadImage(&fileInfo_, &region, &data), kLoadContext)) return;
    scanInfo_ = region;
    SetPixels(std::move(pixels), data);
  } else {
    const uint32_t n = imageData_.sampling;
    const uint32_t width = region.width / n, height = region.height / n;
    std::shared_ptr<uint16_t[]> pixels = Allocate(width, height);
    if (!pixels) {
      ShowLibraryError(kFennicNoMemory, kLoadContext);
      return;
    }
    const uint64_t column = static_cast<uint64_t>(ax - ox) / n;
    const uint64_t row = static_cast<uint64_t>(ay - oy) / n;
    for (uint32_t j = 0; j < height; ++j)
      std::memcpy(&pixels[size_t{j} * width], &pixels_[(row + j) * imageData_.width + column], size_t{width} * 2);
    scanInfo_ = region;
    SetPixels(std::move(pixels), ImageData{n, width, height, nullptr});
  }
  Changed();
}

bool CImage::Save() {
  ImageData data = imageData_;
  if (!Report(_Write(&fileInfo_, &scanInfo_, &data), kWriteContext)) return false;
  TakeWrittenFacts();
  return true;
}

void CImage::TakeWrittenFacts() {
  FileInfo written{fileInfo_.type, nullptr};
  const std::string name = WrittenFileName(*name_, fileInfo_.type);
  written.fileName = name.c_str();
  ScanInfo info{};
  if (!LibrarySucceeded(_GetScanInfo(&written, &info)) || info.width != scanInfo_.width ||
      info.height != scanInfo_.height) {
    // Unreadable: at least the origin that raw files and bitmaps lack.
    if (fileInfo_.type == kFileRaw || fileInfo_.type == kFileBreadboard) scanInfo_.originX = scanInfo_.originY = 0;
    return;
  }
  const bool turned = info.orientation != scanInfo_.orientation || info.flipHorizontal != scanInfo_.flipHorizontal ||
                      info.flipVertical != scanInfo_.flipVertical;
  scanInfo_ = info;
  if (turned) Changed();
}

std::string CImage::FactsLostIn(uint32_t fileType) const {
  // Raw data holds none of them; a bitmap the vertical flip and the resolutions.
  const bool raw = fileType == kFileRaw, bitmap = fileType == kFileBitmap || fileType == kFileBreadboard;
  if (!raw && !bitmap) return {};
  std::vector<std::string> lost;
  if (scanInfo_.orientation != 0) lost.push_back("the orientation");
  if (scanInfo_.flipHorizontal != 0) lost.push_back("the horizontal flip");
  if (raw && scanInfo_.flipVertical != 0) lost.push_back("the vertical flip");
  if (raw && (scanInfo_.resolutionX != 0 || scanInfo_.resolutionY != 0)) lost.push_back("the resolution");
  std::string text;
  for (size_t i = 0; i < lost.size(); ++i)
    text += (i == 0 ? "" : i + 1 == lost.size() ? " and " : ", ") + lost[i];
  return text;
}

bool CImage::SaveAs(uint32_t fileType, const std::string& fileName) {
  const uint32_t oldType = fileInfo_.type;
  const std::optional<std::string> oldName = name_;
  fileInfo_.type = fileType;
  SetName(fileName);
  if (!Save()) {
    fileInfo_.type = oldType;
    SetName(oldName);
    return false;
  }
  return true;
}

bool CImage::SaveRegionAs(uint32_t fileType, const std::string& fileName, int32_t x1, int32_t y1, int32_t x2,
                          int32_t y2) {
  if (!name_) return Report(kFennicNoFileName, kRegionContext);
  return WriteRegionFile(fileInfo_, fileName, fileType, Rect{x1, y1, x2, y2},
                         static_cast<uint32_t>(settings_->maxImageSize));
}

void CImage::Close() {
  Clear();
  Changed();
}

uint32_t CImage::PixelAt(uint32_t x, uint32_t y) const {
  if (IsEmpty() || x < scanInfo_.originX || y < scanInfo_.originY) return 0;
  const uint64_t n = imageData_.sampling;
  const uint64_t i = (x - scanInfo_.originX) / n, j = (y - scanInfo_.originY) / n;
  if (i >= imageData_.width || j >= imageData_.height) return 0;
  return pixels_[j * imageData_.width + i];
}

void CImage::StoredToFull(int32_t& x, int32_t& y) const {
  const int64_t n = imageData_.sampling;
  x = ToCoordinate(int64_t{x} * n + scanInfo_.originX);
  y = ToCoordinate(int64_t{y} * n + scanInfo_.originY);
}

void CImage::FullToStored(int32_t& x, int32_t& y) const {
  const double n = imageData_.sampling;
  x = ToCoordinate(static_cast<int64_t>(std::nearbyint((int64_t{x} - scanInfo_.originX) / n)));
  y = ToCoordinate(static_cast<int64_t>(std::nearbyint((int64_t{y} - scanInfo_.originY) / n)));
}

void CImage::FullRectToStored(Rect& r) const {
  FullToStored(r.left, r.top);
  FullToStored(r.right, r.bottom);
}

}  // namespace viewer
