// The region, profile and measurement tools: their drags over the display
// control, the overlay drawn in its paint, the pixel read-out and the
// region's statistics.
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "viewer/app/main_form.h"

namespace viewer {

Point TMainForm::Snapped(Point client) const {
  imageViewer_->ScreenPointToImage(client);
  imageViewer_->ImagePointToScreen(client);
  return client;
}

Point TMainForm::ClientToFull(Point client) const {
  imageViewer_->ScreenPointToImage(client);
  image_.StoredPointToFull(client);
  return client;
}

Point TMainForm::FullToClient(Point full) const {
  image_.FullPointToStored(full);
  imageViewer_->ImagePointToScreen(full);
  return full;
}

void TMainForm::ImageViewerMouseDown(QMouseEvent* event) {
  const MainActions& a = actions_;
  if (event->button() != Qt::LeftButton || image_.IsEmpty() ||
      !(a.Region->isChecked() || a.Profile->isChecked() || a.Measurement->isChecked()))
    return;
  dragging_ = true;
  const QPoint at = event->position().toPoint();
  dragStart_ = Snapped({at.x(), at.y()});
  imageViewer_->viewport()->repaint();
}

void TMainForm::ImageViewerMouseMove(QMouseEvent* event) {
  if (image_.IsEmpty()) return;
  const QPoint at = event->position().toPoint();
  cursorPoint_ = Snapped({at.x(), at.y()});
  if (dragging_) {
    // The measured line follows the drag (set here, not in the paint).
    if (actions_.Measurement->isChecked()) {
      const Point p = ClientToFull(dragStart_), q = ClientToFull(cursorPoint_);
      measurement_ = {p.x, p.y, q.x, q.y};
    }
    imageViewer_->viewport()->repaint();
  }
  const Point full = ClientToFull({at.x(), at.y()});
  panels_[0]->setText(QStringLiteral("(%1,%2)=%3")
                          .arg(full.x)
                          .arg(full.y)
                          .arg(image_.PixelAt(static_cast<uint32_t>(full.x), static_cast<uint32_t>(full.y))));
}

void TMainForm::ImageViewerMouseUp(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  const QPoint at = event->position().toPoint();
  const Point p = ClientToFull(dragStart_), q = ClientToFull({at.x(), at.y()});
  roi_ = OrderedRect(p, q);
  profile_ = ProfileOfDrag(p, q);
  ScanProfile(profile_, image_);
  dragging_ = false;
  imageViewer_->viewport()->update();
}

void TMainForm::DrawOverlayLine(QPainter& canvas, Point a, Point b) { canvas.drawLine(a.x, a.y, b.x, b.y); }

void TMainForm::DrawOverlayText(QPainter& canvas, int line, const QString& text) {
  // Text is drawn plainly in the font colour; lines with the pen's operation.
  const QPen pen = canvas.pen();
  const QPainter::CompositionMode mode = canvas.compositionMode();
  canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
  canvas.setPen(ResolveColor(imageViewer_->FontColor));
  const QFontMetrics metrics(canvas.font());
  canvas.drawText(QPoint(0, line * metrics.height() + metrics.ascent()), text);
  canvas.setPen(pen);
  canvas.setCompositionMode(mode);
}

void TMainForm::ImageViewerPaint() {
  QPainter* canvas = imageViewer_->Canvas();
  if (!canvas || image_.IsEmpty()) return;
  // The pen draws "screen and not pen".
  canvas->setCompositionMode(QPainter::RasterOp_NotSourceAndDestination);
  if (actions_.Region->isChecked())
    PaintRegion(*canvas);
  else if (actions_.Profile->isChecked())
    PaintProfile(*canvas);
  else if (actions_.Measurement->isChecked())
    PaintMeasurement(*canvas);
  canvas->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TMainForm::PaintRegion(QPainter& canvas) {
  Point corners[4];
  if (dragging_) {
    corners[0] = dragStart_;
    corners[2] = cursorPoint_;
  } else {
    DrawOverlayText(canvas, 0, QStringLiteral("Rows %1 through %2").arg(roi_.top).arg(roi_.bottom));
    DrawOverlayText(canvas, 1, QStringLiteral("Columns %1 through %2").arg(roi_.left).arg(roi_.right));
    corners[0] = FullToClient({roi_.left, roi_.top});
    corners[2] = FullToClient({roi_.right, roi_.bottom});
  }
  corners[1] = {corners[2].x, corners[0].y};
  corners[3] = {corners[0].x, corners[2].y};
  for (int i = 0; i < 4; ++i) DrawOverlayLine(canvas, corners[i], corners[(i + 1) % 4]);
}

void TMainForm::PaintProfile(QPainter& canvas) {
  if (dragging_) {
    DrawOverlayLine(canvas, dragStart_, cursorPoint_);
    return;
  }
  DrawOverlayLine(canvas, FullToClient(profile_.start), FullToClient(profile_.end));
  const int n = int{profile_.maxTone} - profile_.minTone + 1;
  if (n <= 0) return;  // no profile taken yet
  const int cw = imageViewer_->Core().ClientWidth(), ch = imageViewer_->Core().ClientHeight();
  const int H = ch / 5;
  const QFontMetrics metrics(canvas.font());
  const bool negative = actions_.Negative->isChecked();
  const QString low = QString::number(profile_.minTone), high = QString::number(profile_.maxTone);
  auto text = [&](int y, const QString& t) {
    const QPen pen = canvas.pen();
    const QPainter::CompositionMode mode = canvas.compositionMode();
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.setPen(ResolveColor(imageViewer_->FontColor));
    canvas.drawText(QPoint(0, y + metrics.ascent()), t);
    canvas.setPen(pen);
    canvas.setCompositionMode(mode);
  };
  double scale;
  int base;
  if (negative) {
    scale = -double(H) / n;
    text(0, low);
    text(H - metrics.height(), high);
    base = 0;
  } else {
    scale = double(H) / n;
    text(0, high);
    text(H - metrics.height(), low);
    base = H;
  }
  QPen pen = canvas.pen();
  pen.setColor(ResolveColor(imageViewer_->FontColor));
  canvas.setPen(pen);
  const int32_t L = profile_.Length();
  const double step = double(cw) / (double(L) + 1);
  auto y = [&](int32_t i) {
    const Point at = profile_.Sample(i);
    const double v = image_.PixelAt(static_cast<uint32_t>(at.x), static_cast<uint32_t>(at.y));
    return base - static_cast<int>(std::nearbyint((v - profile_.minTone) * scale));
  };
  auto x = [&](double i) { return static_cast<int>(std::nearbyint(i * step)); };
  QPoint from(0, y(0));
  auto lineTo = [&](QPoint to) {
    canvas.drawLine(from, to);
    from = to;
  };
  lineTo(QPoint(x(1), from.y()));
  for (int32_t i = 1; i <= L; ++i) {
    const int yi = y(i);
    lineTo(QPoint(x(i), yi));
    lineTo(QPoint(x(i + 1.0), yi));
  }
}

void TMainForm::PaintMeasurement(QPainter& canvas) {
  Point a, b;
  if (dragging_) {
    a = dragStart_;
    b = cursorPoint_;
  } else {
    a = FullToClient({measurement_.left, measurement_.top});
    b = FullToClient({measurement_.right, measurement_.bottom});
  }
  DrawOverlayLine(canvas, a, b);
  const ScanInfo& info = image_.GetScanInfo();
  const MeasurementTexts texts =
      MeasureTexts({measurement_.left, measurement_.top}, {measurement_.right, measurement_.bottom}, settings_->units,
                   info.resolutionX, info.resolutionY);
  DrawOverlayText(canvas, 0, QString::fromStdString(texts.line1));
  DrawOverlayText(canvas, 1, QString::fromStdString(texts.line2));
}

void TMainForm::MeanValueExecute() {
  RegionStatistics stats;
  const double count = (double(roi_.right) - roi_.left + 1) * (double(roi_.bottom) - roi_.top + 1);
  if (image_.IsEmpty() || count <= 1) return;
  BeginBusy(QStringLiteral("Computing..."));
  MeasureRegion(image_, roi_, stats);
  UpdateStatusBar();
  EndBusy();
  prompts_->Box(this, BoxKind::Information, StatisticsText(stats));
}

}  // namespace viewer
