#pragma once
// One plate's image in memory and the steps that post-process it: DeFlash,
// crop of cephalometric plates, measuring window, rotation byte.
#include <cstdint>
#include <vector>

#include "driver/config/tarvel_records.h"

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
uint8_t SlotBits(const int32_t (&bounds)[7], int x_from, int x_to);
// Crops a cephalometric plate to 241 x 202 mm, dropping the edge row or
// column with the smaller sum; moves the record's start and slot bits.
void CropCeph(PlateImage& image, ImageInfo& info, const int32_t (&bounds)[7]);
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
// Window statistics and stored size of a whole image. kErrInvalidArgument
// for no pixels.
int WindowStats(int width, int height, const uint16_t* pixels, int window_x, int window_y, ImageInfo& info);
// The rotation byte of the record: degrees, +360 when negative, modulo 256.
uint8_t RotationByte(int rotation);

}  // namespace tarvel
