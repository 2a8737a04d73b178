#include "tools/calibrate/calibration_file.h"

#include <cstdio>
#include <cstring>

#include "driver/tarvel_api.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace calibrate {

std::string CalibrationFolder(const std::string& ini) {
  std::string folder = platform::ReadProfileString(ini, "Scanner", "CalibrationPath").value_or("");
  if (folder.empty()) {
    folder = platform::FolderPart(ini);
    return folder.empty() ? "." : folder;
  }
  if (folder.back() == '/' || folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string CalibrationFileName(const std::string& folder, const ImageInfo& info) {
  const std::string serial(info.serial_number, strnlen(info.serial_number, sizeof info.serial_number));
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, " %04d-%02d-%02d %02d-%02d-%02d.kor", int(info.year), int(info.month),
                int(info.day), int(info.hour), int(info.minute), int(info.second));
  return platform::FullPath(folder + "/" + serial + stamp);
}

std::string WrittenCalibrationFile(const std::string& image_name) {
  const size_t name_start = image_name.find_last_of("/\\") + 1;  // 0 without a folder
  const size_t dot = image_name.rfind('.');
  if (dot == std::string::npos || dot < name_start) return image_name + ".kor";
  return image_name.substr(0, dot) + ".kor";
}

}  // namespace calibrate
