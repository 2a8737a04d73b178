#pragma once
// What the region, profile and measurement tools compute, without a window:
// the profile line of a drag, the measurement texts and the region's
// statistics. All points are full-resolution image coordinates.
#include <cstdint>
#include <string>

#include "viewer/core/image.h"
#include "viewer/core/names.h"

namespace viewer {

// Kinds: 0 diagonal rising to the right, 1 horizontal, 2 diagonal falling
// to the right, 3 vertical.
struct ProfileLine {
  Point start, end;
  uint8_t kind = 1;
  uint16_t minTone = 65535, maxTone = 0;

  // Index of the last sample (L).
  int32_t Length() const { return kind == 3 ? end.y - start.y : end.x - start.x; }
  Point Sample(int32_t i) const;
};

// The profile of a drag from p to q: an axis-parallel line, or an exact
// 45-degree line centred on the dragged box. Tones left unset.
ProfileLine ProfileOfDrag(Point p, Point q);
// Sets the profile's tone range from the image's pixels along it.
void ScanProfile(ProfileLine& profile, const CImage& image);

// The spanned rectangle, ordered.
Rect OrderedRect(Point p, Point q);

double Distance(Point a, Point b);
// Degrees, y growing downward; a vertical line gives +90 down, else -90.
double Angle(Point a, Point b);

// The two lines of the measurement from a to b: in pixels when units is 0 or
// a resolution (pixels per metre) is 0, else in the unit's length.
struct MeasurementTexts {
  std::string line1, line2;
};
MeasurementTexts MeasureTexts(Point a, Point b, uint8_t units, uint32_t resolutionX, uint32_t resolutionY);

// The part of a region (ordered corners) that lies on the image's pixels;
// false when none does.
bool ClipToImage(const CImage& image, Rect& region);

// Mean, standard deviation and signal-to-noise ratio of the full-resolution
// coordinates of a region that lie on the image's pixels (each as PixelAt
// gives it); coordinates outside the image do not count.
struct RegionStatistics {
  double mean = 0, deviation = 0, snr = 0;
};
// Needs at least two coordinates on the image; an empty image or a region
// of one pixel there gives none (false).
bool MeasureRegion(const CImage& image, Rect roi, RegionStatistics& out);
// The three lines of the statistics box.
std::string StatisticsText(const RegionStatistics& s);

// printf-style text in the C locale, whatever the process locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace viewer
