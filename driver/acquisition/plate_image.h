#pragma once
// One plate's image in memory and the steps that post-process it, and the
// image files: the DiskImage (u16 width, u16 height, rows of u16, little
// endian) and its packed information file.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/tarvel_api.h"

namespace tarvel {

// Rows top first, no padding.
struct PlateImage {
  int width = 0;
  int height = 0;
  std::vector<uint16_t> pixels;
};

// DeFlash of one row (columns 1 .. width-2): a pixel that rises above the
// (already filtered) pixel above by more than the threshold becomes the mean
// of the pixels above and below.
void DeFlashRow(uint16_t* row, const uint16_t* above, const uint16_t* below, int width, int threshold);
// Slot bits of a range on the scan line (bit k: overlaps slot k).
uint8_t SlotBits(const std::array<int, 7>& bounds, int x_from, int x_to);
// Crops a cephalometric plate to 241 x 202 mm, dropping the edge row or
// column with the smaller sum; moves the record's start and slot bits.
void CropCeph(PlateImage& image, ImageInfo& info, const std::array<int, 7>& bounds);
// Maximum and average over the measuring window, fed row by row: a margin
// of (100 - window) percent of each side is left out on both sides.
class WindowMeter {
 public:
  WindowMeter(int width, int height, int window_x, int window_y);
  // Row y of the image (rows outside the window are passed over).
  void AddRow(int y, const uint16_t* row);
  // Maximum and average (both 0 for an empty window).
  void Fill(ImageInfo& info) const;
 private:
  int64_t width_, height_, mx_, my_;
  uint64_t sum_ = 0, count_ = 0;
  uint16_t maximum_ = 0;
};
// The record's width and height after rotation: swapped unless the rotation
// byte is 0 or 180.
void SetStoredSize(int width, int height, ImageInfo& info);
// True for the rotations WriteDiskImage turns the file by (0, ±90, ±180, ±270).
bool IsFileRotation(int rotation);
// Window statistics and stored size of a whole image. -102 for no pixels.
int WindowStats(int width, int height, const uint16_t* pixels, int window_x, int window_y,
                ImageInfo& info);
// The rotation byte of the record: degrees, +360 when negative, modulo 256.
uint8_t RotationByte(int rotation);

// ---- Files ----
constexpr size_t kInfoFileFixedBytes = 101;
constexpr size_t kInfoExtraLengthOffset = 97;

// The name with its last three characters replaced by "txt".
std::string InfoFileName(const std::string& image_name);
// Packs the record into the 101 fixed bytes of the information file.
std::array<uint8_t, kInfoFileFixedBytes> PackInfo(const ImageInfo& info);
// Unpacks the fixed bytes (the caller checked there are 101).
ImageInfo UnpackInfo(const uint8_t* bytes);

// Result of writing one file.
enum class WriteResult { kOk, kCannotCreate, kWriteFailed };

// Writes the DiskImage rotated by `rotation` degrees (0, +-90, +-180, +-270;
// anything else unrotated). A failed write leaves no file behind.
WriteResult WriteDiskImage(const std::string& name, int width, int height,
                           const uint16_t* pixels, int rotation);
// Writes the information file: the packed record, then `extra_length`
// bytes of `extra` (a negative length or a null block writes none).
WriteResult WriteInfoFile(const std::string& name, const ImageInfo& info,
                          const uint8_t* extra, int32_t extra_length);

// Reads the record of an image; -1 when the information file is missing or
// shorter than the packed record.
int ReadImageInfo(const std::string& image_name, ImageInfo* info);
// Reads the extra header into `buffer`; the bytes read (0 when none or the
// file is missing). The length is bounded by what the file holds.
int ReadExtraHeader(const std::string& image_name, uint8_t* buffer);
// Reads the pixels. 0; -2 not openable (image or information file); -102
// empty, short, or a size that disagrees with the information file.
int ReadDiskImage(const std::string& image_name, uint16_t* pixels);
// Removes the image and its information file; false when either failed.
bool DeleteImageFiles(const std::string& image_name);

// Number that a name "KP<digits>..." carries (0 without digits), saturated.
int ImageNumberOf(const std::string& file_name);
// Highest image number of the "KP*.QEW" files in a folder.
int HighestImageNumber(const std::string& folder);
// The folder with a separator added when it ends without one.
std::string WithSeparator(const std::string& folder);

// Enumeration of images in a folder ("KP*.QEW"), in name order.
class OldImageSearch {
 public:
  // Starts at `folder`; false when nothing was found.
  bool First(const std::string& folder, std::string* path);
  bool Next(std::string* path);
  void Close();
 private:
  std::string folder_;
  std::vector<std::string> names_;
  size_t next_ = 0;
  bool open_ = false;
};

} // namespace tarvel
