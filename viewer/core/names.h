#pragma once
// Display names of the codes the viewer shows, its fixed number texts and the
// small integer helpers its units share.
#include <cstdint>
#include <string>

namespace viewer {

// Every lookup is bounded: a code outside its table gives the table's
// fallback name instead of reading past it.
const char* FileTypeName(uint32_t type);  // values above 11 name as 11 "Unknown"
const char* SourceName(uint32_t source);  // values above 8 name as 8 "Unknown"
const char* OrientationName(int32_t orientation);  // other values are shown as North
const char* MappingName(int mapping);  // other values name as "Custom"
const char* OrganisationName(int code);  // transform code 0..7; others as code 0
const char* UnitName(int units);  // other values name as "None"

// "low through high" of a tone pair packed as low | high << 16.
std::string RangeText(uint32_t range);
std::string PointText(uint32_t x, uint32_t y);
std::string SignedPointText(int32_t x, int32_t y);
// "width by height rectangle at x, y".
std::string RectText(int32_t x, int32_t y, int32_t width, int32_t height);
// major "." minor as two upper-case hex digits "." build, of a version packed
// as bytes major, minor, 0, build from the top.
std::string VersionText(uint32_t version);
// The name with ext appended when it has none of its own: the extension is
// the text from the last "." after the last path separator or drive colon.
std::string AddDefaultExtension(const std::string& name, const std::string& ext);
// "n Bytes" below 1024, else whole kilobytes rounded up, "k KBytes".
std::string SizeText(uint64_t bytes);

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const Rect&) const = default;
};

inline int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }

template <typename T>
inline void Swap(T& a, T& b) {
  T t = a;
  a = b;
  b = t;
}

inline void SwapPair(Point& p) { Swap(p.x, p.y); }

inline void SwapRectAxes(Rect& r) {
  Swap(r.left, r.top);
  Swap(r.right, r.bottom);
}

// Afterwards a <= b.
inline void OrderPair(int32_t& a, int32_t& b) {
  if (a >= b) Swap(a, b);
}

inline void OrderWordPair(uint16_t& a, uint16_t& b) {
  if (a >= b) Swap(a, b);
}

// lo when v < lo, else hi when v > hi, else v.
template <typename T>
inline T Clamp(T lo, T v, T hi) {
  if (v < lo) return lo;
  if (v > hi) return hi;
  return v;
}

}  // namespace viewer
