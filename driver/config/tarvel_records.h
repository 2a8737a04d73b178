#pragma once
// The records that cross the exports of libTarvel.so, used by every layer
// of the driver. All records are little-endian and owned by the caller.
#include <cstddef>
#include <cstdint>

// Information record of a stored image (natural alignment, 108 bytes). The
// information file beside the image holds the same fields packed (101 bytes)
// followed by the application's extra header.
struct ImageInfo {
  int32_t size;  // 108
  int32_t width;  // pixels per row as stored (after rotation)
  int32_t height;  // rows as stored (after rotation)
  int32_t pitch_x;  // nm along the scan line
  int32_t pitch_y;  // nm between lines
  uint8_t bits_per_pixel;  // 16
  int32_t start_position;  // pixel index of the first column on the scan line
  uint8_t slot_bits;  // bit k: the image overlaps inlet slot k
  uint16_t year;
  uint8_t month, day, hour, minute, second;
  char serial_number[32];
  uint8_t reserved[16];
  uint8_t rotation;  // degrees (+360 when negative) modulo 256
  int32_t scaled_pitch;  // nm
  float scale;
  uint16_t maximum;  // in the measuring window
  uint16_t average;  // in the measuring window
  uint8_t scan_mode;
  uint16_t possible_maximum;
  int32_t extra_length;  // bytes of the extra header after the record
};
static_assert(sizeof(ImageInfo) == 108, "ImageInfo layout");

// Statistics of `Get_ImageValue` (natural alignment, 24 bytes).
struct ImageStats {
  int32_t size;  // 24
  uint16_t minimum;
  uint16_t maximum;
  double mean;
  double deviation;  // population standard deviation
};
static_assert(sizeof(ImageStats) == 24, "ImageStats layout");

// The information file beside each image: the ImageInfo fields packed
// without padding (101 bytes), then `extra_length` bytes of extra header.
#pragma pack(push, 1)
struct ImageInfoFile {
  int32_t size;  // 108, as in ImageInfo
  int32_t width;
  int32_t height;
  int32_t pitch_x;
  int32_t pitch_y;
  uint8_t bits_per_pixel;
  int32_t start_position;
  uint8_t slot_bits;
  uint16_t year;
  uint8_t month, day, hour, minute, second;
  char serial_number[32];
  uint8_t reserved[16];
  uint8_t rotation;
  int32_t scaled_pitch;
  float scale;
  uint16_t maximum;
  uint16_t average;
  uint8_t scan_mode;
  uint16_t possible_maximum;
  int32_t extra_length;  // at byte 97
};
#pragma pack(pop)
static_assert(sizeof(ImageInfoFile) == 101, "ImageInfoFile layout");
static_assert(offsetof(ImageInfoFile, serial_number) == 33 && offsetof(ImageInfoFile, rotation) == 81 &&
                  offsetof(ImageInfoFile, extra_length) == 97,
              "ImageInfoFile offsets");

// The scanner's device status record (16 bytes), filled by `_GetScanStatus@4`.
struct ScanStatus {
  uint8_t flags;  // bit 0 transport running, bit 3 event waiting
  uint8_t plate_sensors;  // bits 0-3, one per slot
  uint8_t slot_outputs;  // slot output pattern
  uint8_t further;  // bits 3-4 reach the session's status word
  int32_t line_counter;  // 24 bits
  int32_t words_waiting;  // 32-bit data words waiting in the scanner memory
  int32_t error;  // 0, or the first stored transport error over USB
};
static_assert(sizeof(ScanStatus) == 16, "ScanStatus layout");
