#include "driver/acquisition/image_record.h"

#include <climits>
#include <cstring>

#include "driver/acquisition/plate_processing.h"

namespace tarvel {

namespace {
// Truncated towards zero, saturated at the ends of int32; NaN gives 0.
int32_t SaturatedInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}
}  // namespace

int32_t NanoMetres(double metres) { return SaturatedInt32(metres * 1e9 + 0.5); }

ImageInfo FillImageInfo(const PlateRange& range, const ScanMode& settings, const std::tm& tm,
                        const char (&serial)[32]) {
  ImageInfo info{};
  info.size = sizeof(ImageInfo);
  info.pitch_x = NanoMetres(settings.pitch_x);
  info.pitch_y = NanoMetres(settings.pitch_y);
  info.bits_per_pixel = 16;
  info.start_position = range.x_from;
  info.slot_bits = SlotBits(settings.slot_boundaries, range.x_from, range.x_to);
  info.year = static_cast<uint16_t>(tm.tm_year + 1900);
  info.month = static_cast<uint8_t>(tm.tm_mon + 1);
  info.day = static_cast<uint8_t>(tm.tm_mday);
  info.hour = static_cast<uint8_t>(tm.tm_hour);
  info.minute = static_cast<uint8_t>(tm.tm_min);
  info.second = static_cast<uint8_t>(tm.tm_sec);
  std::memcpy(info.serial_number, serial, sizeof info.serial_number);
  info.serial_number[31] = 0;
  info.rotation = RotationByte(settings.rotation);
  info.scaled_pitch = SaturatedInt32((static_cast<double>(info.pitch_x) + info.pitch_y) * settings.scale * 0.5);
  info.scale = settings.scale;
  info.scan_mode = settings.mode;
  info.possible_maximum = settings.MaxPixVal;
  return info;
}

}  // namespace tarvel
