#include "viewer/app/tool_geometry.h"

#include <locale.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace viewer {

Point ProfileLine::Sample(int32_t i) const {
  switch (kind) {
    case 0: return {start.x + i, start.y - i};
    case 2: return {start.x + i, start.y + i};
    case 3: return {start.x, start.y + i};
    default: return {start.x + i, start.y};
  }
}

ProfileLine ProfileOfDrag(Point p, Point q) {
  ProfileLine line;
  if (p.x < q.x || (p.x == q.x && p.y < q.y)) {
    line.start = p;
    line.end = q;
  } else {
    line.start = q;
    line.end = p;
  }
  Point& s = line.start;
  Point& e = line.end;
  const int64_t dx = int64_t{e.x} - s.x;
  const int64_t ady = std::llabs(int64_t{e.y} - s.y);
  if (2 * ady < dx) {
    line.kind = 1;
    s.y = e.y = static_cast<int32_t>((int64_t{s.y} + e.y) / 2);
  } else if (2 * dx < ady) {
    line.kind = 3;
    OrderPair(s.y, e.y);
    s.x = e.x = static_cast<int32_t>((int64_t{s.x} + e.x) / 2);
  } else {
    const int64_t L = std::min(dx, ady);
    const int64_t x1 = (int64_t{s.x} + e.x - L) / 2;
    if (s.y < e.y) {
      line.kind = 2;
      const int64_t y1 = (int64_t{s.y} + e.y - L) / 2;
      s = {static_cast<int32_t>(x1), static_cast<int32_t>(y1)};
      e = {static_cast<int32_t>(x1 + L), static_cast<int32_t>(y1 + L)};
    } else {
      line.kind = 0;
      const int64_t y2 = (int64_t{s.y} + e.y - L) / 2;
      s = {static_cast<int32_t>(x1), static_cast<int32_t>(y2 + L)};
      e = {static_cast<int32_t>(x1 + L), static_cast<int32_t>(y2)};
    }
  }
  return line;
}

void ScanProfile(ProfileLine& profile, const CImage& image) {
  profile.minTone = 65535;
  profile.maxTone = 0;
  const int32_t L = profile.Length();
  for (int32_t i = 0; i <= L; ++i) {
    const Point at = profile.Sample(i);
    const uint16_t v = static_cast<uint16_t>(image.PixelAt(static_cast<uint32_t>(at.x), static_cast<uint32_t>(at.y)));
    if (v < profile.minTone) profile.minTone = v;
    if (v > profile.maxTone) profile.maxTone = v;
  }
}

Rect OrderedRect(Point p, Point q) {
  Rect r{p.x, p.y, q.x, q.y};
  OrderPair(r.left, r.right);
  OrderPair(r.top, r.bottom);
  return r;
}

double Distance(Point a, Point b) {
  const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  return std::sqrt(dx * dx + dy * dy);
}

double Angle(Point a, Point b) {
  if (b.x == a.x) return b.y > a.y ? 90.0 : -90.0;
  return std::atan2(double(b.y) - a.y, double(b.x) - a.x) * 180.0 / M_PI;
}

std::string FormatC(const char* format, ...) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const locale_t old = uselocale(c);
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  uselocale(old);
  return text;
}

MeasurementTexts MeasureTexts(Point a, Point b, uint8_t units, uint32_t resolutionX, uint32_t resolutionY) {
  const int64_t dX = int64_t{b.x} - a.x, dY = int64_t{b.y} - a.y;
  const double angle = Angle(a, b);
  if (units == 0 || units > 4 || resolutionX == 0 || resolutionY == 0)
    return {FormatC("%.4g pixels at %.4g deegrees", Distance(a, b), angle),
            FormatC("dX = %lld, dY = %lld", static_cast<long long>(dX), static_cast<long long>(dY))};
  double fx, fy;
  if (units == 1) {
    fx = 1.0 / resolutionX / 0.0254;
    fy = 1.0 / resolutionY / 0.0254;
  } else {
    const double per = units == 4 ? 100.0 : 1000.0;
    fx = per / resolutionX;
    fy = per / resolutionY;
  }
  const double dXu = double(dX) * fx, dYu = double(dY) * fy;
  const double length = std::sqrt(dXu * dXu + dYu * dYu);
  if (units == 1)
    return {FormatC("%.4g inches at %.4g deegrees", length, angle), FormatC("dX = %.4g\", dY = %.4g\"", dXu, dYu)};
  const char* unit = units == 4 ? "cm" : "mm";
  return {FormatC("%.4g %s at %.4g deegrees", length, unit, angle),
          FormatC("dX = %.4g %s, dY = %.4g %s", dXu, unit, dYu, unit)};
}

namespace {

// Calls row(values, count, zeros) for each row of the region: the stored
// values of the coordinates that have pixels, and how many coordinates of
// that row read as 0.
template <typename RowFn>
void ForEachRow(const CImage& image, const Rect& roi, RowFn row) {
  const ScanInfo& info = image.GetScanInfo();
  const int64_t n = image.Sampling();
  const int64_t ox = info.originX, oy = info.originY;
  const int64_t w = image.StoredWidth(), h = image.StoredHeight();
  const int64_t columns = int64_t{roi.right} - roi.left + 1;
  // Coordinates with pixels: ox .. ox + w * n - 1.
  const int64_t from = std::max<int64_t>(roi.left, ox);
  const int64_t to = std::min<int64_t>(roi.right, ox + w * n - 1);
  std::vector<uint16_t> expanded;
  for (int64_t y = roi.top; y <= roi.bottom; ++y) {
    const int64_t j = (y - oy) / n;
    if (y < oy || j >= h || from > to) {
      row(nullptr, 0, columns);
      continue;
    }
    const uint16_t* stored = image.Pixels() + j * w;
    const int64_t count = to - from + 1;
    if (n == 1) {
      row(stored + (from - ox), count, columns - count);
    } else {
      expanded.resize(static_cast<size_t>(count));
      for (int64_t x = from; x <= to; ++x) expanded[x - from] = stored[(x - ox) / n];
      row(expanded.data(), count, columns - count);
    }
  }
}

}  // namespace

bool ClipToImage(const CImage& image, Rect& region) {
  if (image.IsEmpty()) return false;
  const ScanInfo& info = image.GetScanInfo();
  const int64_t n = image.Sampling();
  // Coordinates with pixels: origin .. origin + stored size x N - 1.
  const int64_t left = std::max<int64_t>(region.left, info.originX);
  const int64_t top = std::max<int64_t>(region.top, info.originY);
  const int64_t right = std::min<int64_t>(region.right, int64_t{info.originX} + image.StoredWidth() * n - 1);
  const int64_t bottom = std::min<int64_t>(region.bottom, int64_t{info.originY} + image.StoredHeight() * n - 1);
  if (left > right || top > bottom) return false;
  region = {int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
  return true;
}

bool MeasureRegion(const CImage& image, Rect roi, RegionStatistics& out) {
  OrderPair(roi.left, roi.right);
  OrderPair(roi.top, roi.bottom);
  if (!ClipToImage(image, roi)) return false;
  const double count = (double(roi.right) - roi.left + 1) * (double(roi.bottom) - roi.top + 1);
  if (image.IsEmpty() || count <= 1) return false;
  double sum = 0;
  ForEachRow(image, roi, [&](const uint16_t* v, int64_t k, int64_t) {
    uint64_t s = 0;
    for (int64_t i = 0; i < k; ++i) s += v[i];
    sum += double(s);
  });
  const double mean = sum / count;
  double q = 0;
  ForEachRow(image, roi, [&](const uint16_t* v, int64_t k, int64_t zeros) {
    double s = double(zeros) * mean * mean;
    for (int64_t i = 0; i < k; ++i) {
      const double d = v[i] - mean;
      s += d * d;
    }
    q += s;
  });
  out.mean = mean;
  out.deviation = std::sqrt(q / (count - 1));
  out.snr = q > 0 ? mean / std::sqrt(q / count) : 0;
  return true;
}

std::string StatisticsText(const RegionStatistics& s) {
  return FormatC("The average value is %-10.3f\nwith standard deviation of %-10.6f\nand SNR of %-10.6f", s.mean,
                 s.deviation, s.snr);
}

}  // namespace viewer
