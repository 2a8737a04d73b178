// Image processing exports and the ini queries of scan modes and filters.
// None of them depends on the session state; they log nothing.
#include <cstring>
#include <string>

#include "driver/api/export_guard.h"
#include "driver/config/c_buffer.h"
#include "driver/config/filter_settings.h"
#include "driver/config/ini_file.h"
#include "driver/imaging/fft_filter.h"
#include "driver/imaging/greyscale.h"
#include "driver/imaging/image_stats.h"
#include "driver/result_codes.h"
#include "driver/session/version.h"
#include "driver/tarvel_api.h"

namespace {

using tarvel::kDriverVersionText;

// Mode sections are named with the number printed unsigned.
std::string ModeSectionUnsigned(int32_t mode) { return "Param_#" + std::to_string(static_cast<uint32_t>(mode)); }

int QueryText(const std::string& section, const char* key, char* buffer, uint32_t length) {
  if (!buffer || length == 0) return tarvel::kErrInvalidArgument;
  std::string value;
  tarvel::Ini_ReadString(tarvel::Ini_Open(), section, key, value);  // "" when missing
  tarvel::CopyToBuffer(value, buffer, length);
  return static_cast<int>(value.size());
}

}  // namespace

TARVEL_API int Get_ImageValue(const uint16_t* pixels, int32_t width, int32_t height, ImageStats* stats) {
  const size_t count = tarvel::PixelCount(width, height);
  if (!stats || (!pixels && count > 0)) return tarvel::kErrInvalidArgument;
  return tarvel::Guarded(tarvel::kErrOutOfMemory, [&] {
    const tarvel::PixelStats s = tarvel::ComputePixelStats(pixels, count);
    stats->size = sizeof(ImageStats);
    stats->minimum = s.minimum;
    stats->maximum = s.maximum;
    stats->mean = s.mean;
    stats->deviation = s.deviation;
    return 0;
  });
}

TARVEL_API int Opt_ImageGreyscale(uint16_t* pixels, int32_t width, int32_t height, int32_t low_ppm, int32_t high_ppm,
                                  int32_t curve) {
  if (!pixels) return tarvel::kErrInvalidArgument;
  return tarvel::Guarded(tarvel::kErrOutOfMemory, [&] {
    tarvel::OptimiseGreyscale(pixels, tarvel::PixelCount(width, height), low_ppm, high_ppm, curve);
    return 0;
  });
}

TARVEL_API int Invert_Image(uint16_t* pixels, int32_t width, int32_t height) {
  if (!pixels) return tarvel::kErrInvalidArgument;
  tarvel::InvertPixels(pixels, tarvel::PixelCount(width, height));
  return 0;
}

TARVEL_API int Filter_Image(int32_t filter, int32_t width, int32_t height, int32_t pitch_x_nm, int32_t pitch_y_nm,
                            uint16_t* pixels) {
  if (width <= 0 || height <= 0 || !pixels) return tarvel::kErrInvalidArgument;
  return tarvel::Guarded(tarvel::kErrFilterFailed, [&] {
    const tarvel::FilterParams params = tarvel::ReadFilterParams(tarvel::Ini_Open(), filter);
    return tarvel::FilterImageFFT(width, height, pixels, pixels, pitch_x_nm, pitch_y_nm, params)
               ? 0
               : tarvel::kErrFilterFailed;
  });
}

TARVEL_API int Get_ImageType(int32_t mode, char* buffer, uint32_t length) {
  return tarvel::Guarded(tarvel::kErrOutOfMemory,
                         [&] { return QueryText(ModeSectionUnsigned(mode), "ImgTypes", buffer, length); });
}

TARVEL_API int Get_FilterType(int32_t mode) {
  return tarvel::Guarded(0,
                         [&] { return tarvel::Ini_IntOr(tarvel::Ini_Open(), ModeSectionUnsigned(mode), "Filter", 0); });
}

TARVEL_API int Get_FilterName(int32_t filter, char* buffer, uint32_t length) {
  return tarvel::Guarded(tarvel::kErrOutOfMemory,
                         [&] { return QueryText(tarvel::FilterSection(filter), "Name", buffer, length); });
}

TARVEL_API int Get_DriverVersion(char* buffer) {
  if (!buffer) return tarvel::kErrInvalidArgument;
  tarvel::CopyToUnsizedBuffer(kDriverVersionText, buffer);
  return 0;
}

TARVEL_API int Convert_Image16_8(void) { return tarvel::kErrNotFound; }
TARVEL_API int Convert_Image8_16(void) { return tarvel::kErrNotFound; }
TARVEL_API int Write_DiskImageEx(void) { return tarvel::kErrFailed; }
TARVEL_API int Check_Imo(void) { return tarvel::kCheckImoResult; }
