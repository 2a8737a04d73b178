#pragma once
// The viewer's global settings and its registry helpers. Settings live under
// one program key of the current user; a value equal to its default is not
// stored, and keys left without values and subkeys are removed up the path.
#include <cstddef>
#include <cstdint>
#include <string>

namespace viewer {

// Under HKEY_CURRENT_USER; subkeys below are relative to it ("" = itself).
inline constexpr const char* kProgramKey = "Software\\Brellan Inc.\\Vornix Image Viewer\\Version 4.2";

// Subkeys of the program key.
inline constexpr const char* kHistogramKey = "Histogram";
inline constexpr const char* kImageViewerKey = "Image Viewer";

// Defaults of the appearance values (the main window's design values);
// colours are 0x00BBGGRR or 0x80000000 + a system colour index.
namespace appearance {
inline constexpr int32_t kHistogramColor = static_cast<int32_t>(0x8000000F);  // button face
inline constexpr int32_t kHistogramDataColor = 0x00FF0000;  // blue
inline constexpr int32_t kHistogramLUTColor = 0x0000FFFF;  // yellow
inline constexpr int32_t kHistogramLUTBackground = static_cast<int32_t>(0x80000010);  // button shadow
inline constexpr int32_t kHistogramFontColor = static_cast<int32_t>(0x80000008);  // window text
inline constexpr int32_t kViewerColor = 0x00800000;  // navy
inline constexpr int32_t kViewerFontColor = 0x00008080;  // olive
inline constexpr int32_t kViewerPenColor = 0x0000FFFF;  // yellow
inline constexpr int32_t kFontHeight = -11;
inline constexpr const char* kFontName = "MS Sans Serif";
inline constexpr uint8_t kFontStyle = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
}  // namespace appearance

// Compiled-in initial values of the global settings.
inline constexpr uint8_t kDefaultUnits = 0;
inline constexpr int32_t kDefaultLUTWidth = 3;
inline constexpr int32_t kDefaultMaxScale = 25;
inline constexpr int32_t kDefaultMaxImageSize = 0;

// The ranges the program settings form accepts; a stored value outside its
// range reads as missing.
inline constexpr int32_t kLargestUnits = 4;
inline constexpr int32_t kLargestLUTWidth = 100;
inline constexpr int32_t kLargestMaxScale = 100;

// The program's settings: read at start, changed by the program settings
// form, written at the end. The parts that obey them (image model, display
// control, histogram, tools) hold a reference to the program's record, so a
// change takes effect at once.
struct ViewerSettings {
  uint8_t units = kDefaultUnits;  // 0 None, 1 Inch, 2 Metric, 3 Millimeter, 4 Centimeter
  int32_t lutWidth = kDefaultLUTWidth;  // thickness of the histogram's window bar
  int32_t maxScale = kDefaultMaxScale;  // largest magnification of the display control
  int32_t maxImageSize = kDefaultMaxImageSize;  // largest pixel buffer in bytes, 0 = none (unsigned)
  // Address space in use at start minus the heap in use at start.
  uint32_t startupMemory = 0;
};

// The compiled-in values, for parts used without a program's record.
const ViewerSettings& DefaultSettings();

// Bytes the heap holds now.
uint64_t HeapInUse();

// Registry helpers. Each opens the program key afresh; reading never creates
// a key. A value of another type than asked for, or a binary value longer
// than asked for, reads as missing.
int32_t ReadRegInteger(const std::string& subkey, const std::string& name, int32_t fallback);
// As ReadRegInteger; a value outside lo..hi reads as missing too.
int32_t ReadRegInteger(const std::string& subkey, const std::string& name, int32_t fallback, int32_t lo, int32_t hi);
std::string ReadRegString(const std::string& subkey, const std::string& name, const std::string& fallback);
// Copies size bytes of the default into dest, then the stored bytes over them.
void ReadRegBinary(void* dest, const std::string& subkey, const std::string& name, size_t size, const void* fallback);
// A value equal to its default is deleted instead of stored; otherwise the
// keys are created as needed. A key that cannot be written leaves the setting
// unsaved without a message.
void WriteRegInteger(const std::string& subkey, const std::string& name, int32_t value, int32_t fallback);
void WriteRegString(const std::string& subkey, const std::string& name, const std::string& value,
                    const std::string& fallback);
void WriteRegBinary(const std::string& subkey, const std::string& name, const void* block, size_t size,
                    const void* fallback);
// Deletes the value when the keys exist, then removes keys left empty.
void DeleteRegValue(const std::string& subkey, const std::string& name);
// From the key at path (relative to HKEY_CURRENT_USER) upwards, deletes each
// key that holds neither values nor subkeys, stopping at the first that does.
void DeleteEmptyKeys(std::string path);

// Start-up and shut-down of the settings, in unit order: global start, then
// the library check, then image start; shut-down in reverse.
void StartGlobalSettings(ViewerSettings& settings);  // units, lutWidth, maxScale
void StartImageSettings(ViewerSettings& settings);  // maxImageSize
void EndImageSettings(const ViewerSettings& settings);
void EndGlobalSettings(const ViewerSettings& settings);

}  // namespace viewer
