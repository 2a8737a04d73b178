#pragma once
// The 15 appearance values of the display control and the histogram that the
// main window keeps in the registry, in their stored order.
#include <cstdint>
#include <string>

#include "viewer/core/display_core.h"

namespace viewer {

struct FontValues {
  uint32_t color = 0;
  int32_t height = -11;  // negative: character height in pixels
  std::string name;
  uint8_t style = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
  bool operator==(const FontValues&) const = default;
};

struct Appearance {
  // "Image Viewer"
  uint32_t viewerColor = 0;
  ColorInfo colorInfo = kDefaultColorInfo;
  FontValues viewerFont;
  uint32_t penColor = 0;
  // "Histogram"
  uint32_t histogramColor = 0;
  uint32_t dataColor = 0;
  uint32_t lutColor = 0;
  uint32_t lutBackground = 0;
  FontValues histogramFont;
  bool operator==(const Appearance&) const = default;
};

class TImageViewer;
class THistogram;

// The 15 values as the display control and the histogram show them now.
Appearance ShownAppearance(const TImageViewer& viewer, const THistogram& histogram);

// Each value from the registry, the default where it is missing, of another
// type, too long or out of range (a colour that is neither plain nor a
// system colour, a font height beyond 1000 pixels, unknown style bits).
Appearance ReadAppearance(const Appearance& defaults);
// Each value stored, or deleted when equal to its default (empty keys go).
void WriteAppearance(const Appearance& current, const Appearance& defaults);

}  // namespace viewer
