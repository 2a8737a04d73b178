#pragma once
// Built-in texts of the catalogue's four tables.
namespace mwff {

constexpr int kSaveNameCount = 175;
constexpr int kSubFormatNameCount = 149;
constexpr int kExtensionCount = 61;
constexpr int kDescriptionCount = 169;

extern const char* const kDefaultSaveNames[kSaveNameCount];
extern const char* const kDefaultSubFormatNames[kSubFormatNameCount];
extern const char* const kDefaultExtensions[kExtensionCount];  // without the point
extern const char* const kDefaultDescriptions[kDescriptionCount];

}  // namespace mwff
