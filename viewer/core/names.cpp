#include "viewer/core/names.h"

#include <cinttypes>
#include <cstdio>
#include <iterator>

namespace viewer {
namespace {

const char* const kFileTypeNames[] = {
    "No File",
    "Raw Data",
    "Bitmap",
    "QEW Breadboard",
    "8-bit TIFF",
    "16-bit TIFF, v0",
    "Brellan Proprietary, v0",
    "16-bit TIFF, v1",
    "Brellan Proprietary, v1",
    "16-bit TIFF",
    "Brellan Proprietary",
    "Unknown",
};

const char* const kSourceNames[] = {
    "No Data",       "Computer Generated", "fennic",  "QEW Breadboard", "HP Scanner, v0", "HP Scanner",
    "QEW Prototype", "Brellan Prototype",  "Unknown",
};

const char* const kOrientationNames[] = {"North", "East", "South", "West"};

const char* const kMappingNames[] = {
    "Positive", "Psuedocolored Positive", "Negative", "Psuedocolored Negative", "Custom",
};

const char* const kOrganisationNames[] = {
    "Horizontal from the top left corner",    "Horizontal from the top right corner",
    "Horizontal from the bottom left corner", "Horizontal from the bottom right corner",
    "Vertical from the top left corner",      "Vertical from the top right corner",
    "Vertical from the bottom left corner",   "Vertical from the bottom right corner",
};

const char* const kUnitNames[] = {"None", "Inch", "Metric", "Millimeter", "Centimeter"};

template <size_t N>
const char* Lookup(const char* const (&table)[N], int64_t code, size_t fallback) {
  if (code < 0 || static_cast<uint64_t>(code) >= N) return table[fallback];
  return table[code];
}

}  // namespace

const char* FileTypeName(uint32_t type) { return Lookup(kFileTypeNames, type, std::size(kFileTypeNames) - 1); }
const char* SourceName(uint32_t source) { return Lookup(kSourceNames, source, std::size(kSourceNames) - 1); }
const char* OrientationName(int32_t orientation) { return Lookup(kOrientationNames, orientation, 0); }
const char* MappingName(int mapping) { return Lookup(kMappingNames, mapping, std::size(kMappingNames) - 1); }
const char* OrganisationName(int code) { return Lookup(kOrganisationNames, code, 0); }
const char* UnitName(int units) { return Lookup(kUnitNames, units, 0); }

std::string RangeText(uint32_t range) {
  return std::to_string(range & 0xFFFF) + " through " + std::to_string(range >> 16);
}

std::string PointText(uint32_t x, uint32_t y) { return std::to_string(x) + ", " + std::to_string(y); }

std::string SignedPointText(int32_t x, int32_t y) { return std::to_string(x) + ", " + std::to_string(y); }

std::string RectText(int32_t x, int32_t y, int32_t width, int32_t height) {
  return std::to_string(width) + " by " + std::to_string(height) + " rectangle at " + SignedPointText(x, y);
}

std::string VersionText(uint32_t version) {
  char text[32];
  std::snprintf(text, sizeof text, "%" PRIu32 ".%02" PRIX32 ".%" PRIu32, version >> 24, (version >> 16) & 0xFF,
                version & 0xFFFF);
  return text;
}

std::string AddDefaultExtension(const std::string& name, const std::string& ext) {
  const size_t cut = name.find_last_of("\\/:");
  const size_t dot = name.rfind('.');
  const bool hasExt = dot != std::string::npos && (cut == std::string::npos || dot > cut) && dot + 1 < name.size();
  return hasExt ? name : name + ext;
}

std::string SizeText(uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " Bytes";
  return std::to_string((bytes >> 10) + ((bytes & 1023) != 0)) + " KBytes";
}

}  // namespace viewer
