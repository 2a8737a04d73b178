#pragma once
// Where a new normalization file is filed.
#include <string>

struct ImageInfo;

namespace calibrate {

// `CalibrationPath` of section Scanner without one trailing "/" or "\";
// when that key is missing or empty, the folder of the ini file ("." when
// its path names no folder).
std::string CalibrationFolder(const std::string& ini);

// "<folder>/<serial> YYYY-MM-DD HH-MM-SS.kor" with the serial number, date
// and time of the image, made absolute.
std::string CalibrationFileName(const std::string& folder, const ImageInfo& info);

// The file Make_CalibFile wrote beside the image: the image name with its
// extension replaced by ".kor".
std::string WrittenCalibrationFile(const std::string& image_name);

}  // namespace calibrate
