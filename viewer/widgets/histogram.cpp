#include "viewer/widgets/histogram.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "viewer/core/names.h"

namespace viewer {

THistogram::THistogram(QWidget* owner, const ViewerSettings& settings)
    : QWidget(owner), settings_(&settings), counts_(std::make_unique<ToneCounts>()) {
  counts_->fill(0);
  resize(150, 150);
  setMouseTracking(true);
}

void THistogram::SetData(const ImageRecord& data) {
  shownLow_ = 0;
  shownHigh_ = 65535;
  const size_t n = size_t{data.width} * data.height;
  if (!data.pixels || n == 0) {
    // Nothing used: the whole range, and the old picture stays until the
    // next repaint.
    Hold(ImageRecord{});
    windowLow_ = 0;
    windowHigh_ = 65535;
    return;
  }
  Hold(data);
  shownLow_ = windowLow_ = std::min(data.minTone, data.maxTone);
  shownHigh_ = windowHigh_ = std::max(data.minTone, data.maxTone);
  Changed();
}

void THistogram::Hold(const ImageRecord& data) {
  if (data.pixels != data_.pixels || data.width != data_.width || data.height != data_.height) stale_ = true;
  data_ = data;
}

void THistogram::EnsureCounted() const {
  if (!stale_) return;
  counts_->fill(0);
  if (data_.pixels) CountTones(data_.pixels.get(), size_t{data_.width} * data_.height, *counts_);
  stale_ = false;
}

uint32_t THistogram::CountAt(uint16_t tone) const {
  EnsureCounted();
  return (*counts_)[tone];
}

void THistogram::SetDisplayRange(uint32_t range) {
  uint16_t lo = range & 0xFFFF, hi = range >> 16;
  OrderWordPair(lo, hi);
  if (lo == shownLow_ && hi == shownHigh_) return;
  shownLow_ = lo;
  shownHigh_ = hi;
  Changed();
}

void THistogram::SetLUTWindow(uint32_t window) {
  uint16_t lo = window & 0xFFFF, hi = window >> 16;
  OrderWordPair(lo, hi);
  if (lo == windowLow_ && hi == windowHigh_) return;
  windowLow_ = lo;
  windowHigh_ = hi;
  LUTChanged();
}

uint16_t THistogram::XToTone(int x) const {
  const int64_t n = int64_t{shownHigh_} - shownLow_ + 1;
  const int64_t cw = width();
  if (cw <= 0) return shownLow_;
  return static_cast<uint16_t>(Clamp<int64_t>(shownLow_, shownLow_ + int64_t{x} * n / cw, shownHigh_));
}

void THistogram::Changed() {
  update();
  if (OnChange) OnChange(this);
}

int THistogram::BarWidth() const { return std::max(0, settings_->lutWidth); }

void THistogram::LUTChanged() {
  // Only the bar strip is drawn again.
  const int w = BarWidth();
  update(0, height() - w - 1, width(), w + 2);
  if (OnLUTChange) OnLUTChange(this);
}

void THistogram::DrawGraph(QPainter& painter, int cw, int ch) const {
  const int64_t low = shownLow_, high = shownHigh_, n = high - low + 1;
  const int64_t base = ch - BarWidth() - 1;
  EnsureCounted();
  const ToneCounts& c = *counts_;
  painter.setPen(QPen(ResolveColor(DataColor), 0));
  if (n < 2 * int64_t{cw}) {
    uint64_t m = 1;
    for (int64_t t = low; t <= high; ++t) m = std::max<uint64_t>(m, c[t]);
    auto y = [&](int64_t t) { return static_cast<int>(base - static_cast<int64_t>(c[t] * base / int64_t(m))); };
    auto x = [&](int64_t i) { return static_cast<int>(i * cw / n); };
    QPoint at(0, static_cast<int>(base));
    auto lineTo = [&](int px, int py) {
      painter.drawLine(at, QPoint(px, py));
      at = QPoint(px, py);
    };
    for (int64_t i = 0; i <= n - 2; ++i) {
      const int yi = y(low + i);
      lineTo(x(i), yi);
      lineTo(x(i + 1), yi);
      lineTo(x(i + 1), static_cast<int>(base));
    }
    lineTo(x(n - 1), y(high));
    lineTo(cw - 1, y(high));
    return;
  }
  const int64_t b = (n + cw - 1) / (2 * int64_t{cw});
  auto binSum = [&](int64_t offset) {
    uint64_t sum = 0;
    for (int64_t t = low + offset; t < low + offset + b && t <= high; ++t) sum += c[t];
    return sum;
  };
  uint64_t m = 1;
  for (int64_t offset = 0; offset < n; offset += b) m = std::max(m, binSum(offset));
  for (int64_t offset = 0; offset < n; offset += b) {
    const int x = static_cast<int>(offset * cw / n);
    const int64_t top = base - static_cast<int64_t>(static_cast<uint64_t>(base) * binSum(offset) / m);
    painter.drawLine(x, static_cast<int>(base), x, static_cast<int>(top));
  }
}

void THistogram::DrawLUTBar(QPainter& painter, int cw, int ch) const {
  const int w = BarWidth();
  const int y = ch - w / 2 - 1;
  const int64_t n = int64_t{shownHigh_} - shownLow_ + 1;
  auto x = [&](int64_t t) { return static_cast<int>(Clamp<int64_t>(-1, cw * (t - shownLow_) / n, int64_t{cw} + 1)); };
  QPen pen(ResolveColor(LUTBackground), w, Qt::SolidLine, Qt::FlatCap);
  painter.setPen(pen);
  painter.drawLine(0, y, cw - 1, y);
  pen.setColor(ResolveColor(LUTColor));
  painter.setPen(pen);
  painter.drawLine(x(windowLow_), y, x(windowHigh_), y);
}

void THistogram::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int cw = width(), ch = height();
  painter.fillRect(rect(), ResolveColor(Color));
  // A client without area shows nothing (no column to divide the tones over).
  if (cw <= 0 || ch <= 0) return;
  DrawGraph(painter, cw, ch);
  painter.setFont(font());
  painter.setPen(ResolveColor(FontColor));
  const QFontMetrics metrics(font());
  const QString low = QString::number(shownLow_), high = QString::number(shownHigh_);
  // Each label on a patch of the background, so bars under it do not hide it.
  auto label = [&](int x, const QString& text) {
    painter.fillRect(QRect(x - 1, 0, metrics.horizontalAdvance(text) + 2, metrics.height()), ResolveColor(Color));
    painter.drawText(QPoint(x, metrics.ascent()), text);
  };
  label(0, low);
  label(cw - metrics.horizontalAdvance(high) - 2, high);
  DrawLUTBar(painter, cw, ch);
}

void THistogram::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(this, event);
}

void THistogram::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(this, event);
}

void THistogram::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp) OnMouseUp(this, event);
}

}  // namespace viewer
