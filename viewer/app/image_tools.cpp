#include "viewer/app/image_tools.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "viewer/widgets/image_viewer.h"

namespace viewer {

Point ClientToFull(const TImageViewer& viewer, const CImage& image, Point client) {
  Point side;
  viewer.ScreenPointToImage(client, &side);
  image.StoredPointToFull(client);
  // The last stored pixel of a subsampled image starts before the last full
  // pixel: beyond the image, the edge is the last full pixel itself.
  const ScanInfo& info = image.GetScanInfo();
  auto last = [](uint32_t origin, uint32_t size) {
    const int64_t at = int64_t{origin} + size - 1;
    return static_cast<int32_t>(std::min<int64_t>(at, std::numeric_limits<int32_t>::max()));
  };
  if (side.x > 0) client.x = last(info.originX, info.width);
  if (side.y > 0) client.y = last(info.originY, info.height);
  return client;
}

Point FullToClient(const TImageViewer& viewer, const CImage& image, Point full) {
  image.FullPointToStored(full);
  viewer.ImagePointToScreen(full);
  return full;
}

ToolCanvas::ToolCanvas(QPainter& painter, QImage& frame, const TImageViewer& viewer, const CImage& image,
                       bool negative)
    : painter_(painter), frame_(frame), viewer_(viewer), image_(image), negative_(negative) {}

ToolCanvas::~ToolCanvas() {
  if (!linePainter_) return;
  linePainter_.reset();
  const int w = std::min(frame_.width(), lines_.width()), h = std::min(frame_.height(), lines_.height());
  for (int y = 0; y < h; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(lines_.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(frame_.scanLine(y));
    for (int x = 0; x < w; ++x)
      if (qAlpha(line[x]) == 255) out[x] = 0xFF000000u | OverlayColour(line[x], out[x]);
  }
}

void ToolCanvas::ClientLine(QPoint from, QPoint to, const QColor& colour) const {
  if (!linePainter_) {
    lines_ = QImage(frame_.size(), QImage::Format_ARGB32);
    lines_.fill(Qt::transparent);
    linePainter_ = std::make_unique<QPainter>(&lines_);
  }
  QPen pen = painter_.pen();
  pen.setColor(colour);
  linePainter_->setPen(pen);
  linePainter_->drawLine(from, to);
}

int ToolCanvas::ClientWidth() const { return viewer_.Core().ClientWidth(); }
int ToolCanvas::ClientHeight() const { return viewer_.Core().ClientHeight(); }
int ToolCanvas::TextHeight() const { return QFontMetrics(painter_.font()).height(); }
QColor ToolCanvas::FontColor() const { return ResolveColor(viewer_.FontColor); }

void ToolCanvas::Line(Point a, Point b) const {
  const Point p = ToClient(a), q = ToClient(b);
  ClientLine(QPoint(p.x, p.y), QPoint(q.x, q.y), painter_.pen().color());
}

void ToolCanvas::Text(int y, const QString& text) const {
  const QPen pen = painter_.pen();
  painter_.setPen(FontColor());
  painter_.drawText(QPoint(0, y + QFontMetrics(painter_.font()).ascent()), text);
  painter_.setPen(pen);
}

void ImageTool::Press(Point at) {
  dragging_ = true;
  pressed_ = current_ = at;
}

void ImageTool::Shift(int32_t dx, int32_t dy) {
  pressed_ = Shifted(pressed_, dx, dy);
  current_ = Shifted(current_, dx, dy);
}

void RegionTool::Paint(const ToolCanvas& canvas) const {
  Rect r = region_;
  if (Dragging()) {
    r = {Pressed().x, Pressed().y, Current().x, Current().y};
  } else {
    const int line = canvas.TextHeight();
    canvas.Text(0, QStringLiteral("Rows %1 through %2").arg(r.top).arg(r.bottom));
    canvas.Text(line, QStringLiteral("Columns %1 through %2").arg(r.left).arg(r.right));
  }
  const Point corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
  for (int i = 0; i < 4; ++i) canvas.Line(corners[i], corners[(i + 1) % 4]);
}

void RegionTool::Shift(int32_t dx, int32_t dy) {
  ImageTool::Shift(dx, dy);
  region_ = Shifted(region_, dx, dy);
}

void ProfileTool::ClearLine() {
  line_.start = line_.end = Point{};
  line_.minTone = 65535;
  line_.maxTone = 0;
  const ScanInfo& info = image_->GetScanInfo();
  if (!image_->IsEmpty() && info.originX == 0 && info.originY == 0 && info.width > 0 && info.height > 0)
    ScanProfile(line_, *image_);
}

void ProfileTool::Take(Point p, Point q, const CImage& image) {
  line_ = ProfileOfDrag(p, q);
  ScanProfile(line_, image);
}

void ProfileTool::Shift(int32_t dx, int32_t dy) {
  ImageTool::Shift(dx, dy);
  line_.start = Shifted(line_.start, dx, dy);
  line_.end = Shifted(line_.end, dx, dy);
}

void ProfileTool::Paint(const ToolCanvas& canvas) const {
  if (Dragging()) {
    canvas.Line(Pressed(), Current());
    return;
  }
  canvas.Line(line_.start, line_.end);
  const int n = int{line_.maxTone} - line_.minTone + 1;
  if (n <= 0) return;  // no profile taken yet
  // The graph fills the top fifth: high tones up in a positive display,
  // down in a negative one.
  const int H = canvas.ClientHeight() / 5;
  const int textHeight = canvas.TextHeight();
  const QString low = QString::number(line_.minTone), high = QString::number(line_.maxTone);
  double scale;
  int base;
  if (canvas.Negative()) {
    scale = -double(H) / n;
    canvas.Text(0, low);
    canvas.Text(H - textHeight, high);
    base = 0;
  } else {
    scale = double(H) / n;
    canvas.Text(0, high);
    canvas.Text(H - textHeight, low);
    base = H;
  }
  // The graph is drawn in the font's colour.
  const QColor colour = canvas.FontColor();
  const CImage& image = canvas.Image();
  const int32_t L = line_.Length();
  const double step = double(canvas.ClientWidth()) / (double(L) + 1);
  auto y = [&](int32_t i) {
    const Point at = line_.Sample(i);
    const double v = image.PixelAt(static_cast<uint32_t>(at.x), static_cast<uint32_t>(at.y));
    return base - static_cast<int>(std::nearbyint((v - line_.minTone) * scale));
  };
  auto x = [&](double i) { return static_cast<int>(std::nearbyint(i * step)); };
  // A staircase, one flat step per sample across the client width.
  QPoint from(0, y(0));
  auto lineTo = [&](QPoint to) {
    canvas.ClientLine(from, to, colour);
    from = to;
  };
  lineTo(QPoint(x(1), from.y()));
  for (int32_t i = 1; i <= L; ++i) {
    const int yi = y(i);
    lineTo(QPoint(x(i), yi));
    lineTo(QPoint(x(i + 1.0), yi));
  }
}

void MeasurementTool::Press(Point at) {
  ImageTool::Press(at);
  line_ = {at.x, at.y, at.x, at.y};
}

void MeasurementTool::Move(Point at) {
  ImageTool::Move(at);
  line_ = {Pressed().x, Pressed().y, at.x, at.y};
}

void MeasurementTool::Shift(int32_t dx, int32_t dy) {
  ImageTool::Shift(dx, dy);
  line_ = Shifted(line_, dx, dy);
}

void MeasurementTool::Paint(const ToolCanvas& canvas) const {
  const Point a{line_.left, line_.top}, b{line_.right, line_.bottom};
  canvas.Line(a, b);
  const ScanInfo& info = canvas.Image().GetScanInfo();
  const MeasurementTexts texts = MeasureTexts(a, b, settings_->units, info.resolutionX, info.resolutionY);
  canvas.Text(0, QString::fromStdString(texts.line1));
  canvas.Text(canvas.TextHeight(), QString::fromStdString(texts.line2));
}

}  // namespace viewer
