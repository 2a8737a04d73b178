#pragma once
// CImage: the viewer's one in-memory image, the file it came from, the
// file's acquisition facts and the 16-bit pixels, held at full resolution or
// reduced by an N x N sampling factor so the buffer fits "Maximum Image Size".
// All file access goes through the image file library.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "fennic/fennic_api.h"
#include "viewer/core/image_record.h"
#include "viewer/core/names.h"
#include "viewer/core/settings.h"

namespace viewer {

class CImage {
 public:
  using Listener = std::function<void(CImage*)>;
  // Returns a buffer of count pixels, or null when memory is short.
  using Allocator = std::function<std::shared_ptr<uint16_t[]>(size_t count)>;

  // The size limit is read from settings (maxImageSize) at each load or crop.
  explicit CImage(const ViewerSettings& settings = DefaultSettings());
  ~CImage();
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  // Called after every change; one listener.
  Listener OnChange;

  void Open(const std::string& fileName);
  void OpenPicture(const std::string& fileName);
  void CreateTestPattern();
  // Full-resolution rectangle with inclusive corners in any order.
  void Crop(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Each returns false (after the error box) when the library fails. After
  // a write the image holds the facts the file now holds (a raw file keeps
  // no origin, orientation or flips; a bitmap no origin, orientation or
  // horizontal flip); a changed orientation or flip runs Changed.
  bool Save();
  // On failure the image keeps its former type and name.
  bool SaveAs(uint32_t fileType, const std::string& fileName);
  // What of the facts the display shows (orientation, flips) and measures
  // with (resolutions) a file of the type cannot hold, as text such as "the
  // orientation and the horizontal flip"; empty when it holds them all.
  std::string FactsLostIn(uint32_t fileType) const;
  // Writes the full-resolution region (inclusive corners) of the source
  // file as fileType (WriteRegionFile); never over the source file itself.
  bool SaveRegionAs(uint32_t fileType, const std::string& fileName, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Close();
  void Clear();
  void Changed();

  bool IsEmpty() const;
  // The stored pixel holding a full-resolution point; 0 outside or when empty.
  uint32_t PixelAt(uint32_t x, uint32_t y) const;
  void StoredToFull(int32_t& x, int32_t& y) const;
  void StoredPointToFull(Point& p) const { StoredToFull(p.x, p.y); }
  void FullToStored(int32_t& x, int32_t& y) const;
  void FullPointToStored(Point& p) const { FullToStored(p.x, p.y); }
  void FullRectToStored(Rect& r) const;

  bool SetFileName(const std::string& fileName);
  bool LoadImage();
  void ChooseSubsample();
  void ComputeRange();

  // The smallest N whose stored image of width x height fits limit bytes
  // (0 = no limit).
  static uint32_t SubsampleFor(uint64_t width, uint64_t height, uint32_t limit);

  const FileInfo& GetFileInfo() const { return fileInfo_; }
  uint32_t FileType() const { return fileInfo_.type; }
  // Empty for no name (a computer-generated image).
  std::string FileName() const { return name_ ? *name_ : std::string(); }
  bool HasFileName() const { return name_.has_value(); }
  const ScanInfo& GetScanInfo() const { return scanInfo_; }
  // Replaces the acquisition facts the user edits (orientation, flips,
  // source, resolutions, origin); the pixels and the region's size stay.
  void SetScanFacts(const ScanInfo& info);
  const ImageData& GetImageData() const { return imageData_; }
  uint32_t Sampling() const { return imageData_.sampling; }
  uint32_t StoredWidth() const { return imageData_.width; }
  uint32_t StoredHeight() const { return imageData_.height; }
  const uint16_t* Pixels() const { return pixels_.get(); }
  uint16_t MinTone() const { return minTone_; }
  uint16_t MaxTone() const { return maxTone_; }
  // The record for the display control and the histogram; it shares the
  // pixels, so they outlive any later change of this image.
  ImageRecord Record() const;

  // Test seam: the pixel allocator (default: the heap, null when short).
  void SetAllocator(Allocator allocator) { allocator_ = std::move(allocator); }

 private:
  void OpenAs(const std::string& fileName, bool picture);
  void TakeWrittenFacts();
  void SetName(const std::optional<std::string>& name);
  std::shared_ptr<uint16_t[]> Allocate(uint64_t width, uint64_t height);
  void DropPixels();
  // Takes a new pixel buffer.
  void SetPixels(std::shared_ptr<uint16_t[]> pixels, const ImageData& data);
  // Leaves the image empty after a failed load.
  void DropImage();
  bool Report(int32_t result, const char* context) const;

  const ViewerSettings* settings_;
  FileInfo fileInfo_{};
  std::optional<std::string> name_;
  ScanInfo scanInfo_{};
  ImageData imageData_{};
  std::shared_ptr<uint16_t[]> pixels_;
  uint16_t minTone_ = 0;
  uint16_t maxTone_ = 0;
  Allocator allocator_;
};

}  // namespace viewer
