#include "viewer/widgets/image_viewer.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

namespace viewer {
namespace {

int ToInt(int64_t v) {
  return static_cast<int>(Clamp<int64_t>(std::numeric_limits<int>::min(), v, std::numeric_limits<int>::max()));
}

}  // namespace

TImageViewer::TImageViewer(QWidget* owner, const ViewerSettings& settings)
    : QAbstractScrollArea(owner), core_(settings), pen_(Qt::black) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  // The whole client area is painted on every paint: no background erase.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  viewport()->setMouseTracking(true);
  ShowScrollBars(false);
  connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this](int action) { OnScrollAction(ScrollAxis::Horizontal, action); });
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this](int action) { OnScrollAction(ScrollAxis::Vertical, action); });
  core_.SetClientSize(viewport()->width(), viewport()->height());
}

TImageViewer::~TImageViewer() = default;

void TImageViewer::Fire(unsigned events) {
  if (events & kEventLut) {
    viewport()->update();
    if (OnLUTChanged) OnLUTChanged(this);
  }
  if (events & kEventView) {
    UpdateScrollBars();
    viewport()->update();
    if (OnViewChange) OnViewChange(this);
  }
  if ((events & kEventData) && OnDataChange) OnDataChange(this);
  if (events & kEventColor) {
    viewport()->update();
    if (OnColorChange) OnColorChange(this);
  }
}

void TImageViewer::ShowScrollBars(bool show) {
  const Qt::ScrollBarPolicy policy = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (horizontalScrollBarPolicy() != policy) setHorizontalScrollBarPolicy(policy);
  if (verticalScrollBarPolicy() != policy) setVerticalScrollBarPolicy(policy);
}

void TImageViewer::UpdateScrollBars() {
  // Bars take the range 0 .. page + size with that page; the Qt range is
  // the thumb's positions, 0 .. maximum - page + 1.
  const std::pair<QScrollBar*, ScrollAxis> bars[] = {{horizontalScrollBar(), ScrollAxis::Horizontal},
                                                     {verticalScrollBar(), ScrollAxis::Vertical}};
  for (const auto& [bar, axis] : bars) {
    const ScrollBarState state = core_.ScrollBar(axis);
    const QSignalBlocker block(bar);
    if (core_.IsEmpty()) {
      bar->setRange(0, 0);
      continue;
    }
    const int maximum = ToInt(state.maximum - state.page + 1);
    bar->setRange(0, maximum);
    bar->setPageStep(ToInt(std::min<int64_t>(state.page, std::numeric_limits<int>::max() - int64_t{maximum})));
    bar->setValue(ToInt(state.position));
  }
}

void TImageViewer::OnScrollAction(ScrollAxis axis, int action) {
  QScrollBar* bar = axis == ScrollAxis::Horizontal ? horizontalScrollBar() : verticalScrollBar();
  ScrollCode code;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = ScrollCode::LineForward; break;
    case QAbstractSlider::SliderSingleStepSub: code = ScrollCode::LineBack; break;
    case QAbstractSlider::SliderPageStepAdd: code = ScrollCode::PageForward; break;
    case QAbstractSlider::SliderPageStepSub: code = ScrollCode::PageBack; break;
    case QAbstractSlider::SliderToMinimum: code = ScrollCode::Start; break;
    case QAbstractSlider::SliderToMaximum: code = ScrollCode::End; break;
    case QAbstractSlider::SliderMove: code = ScrollCode::Thumb; break;
    default: return;
  }
  if (core_.IsEmpty()) return;
  core_.Scroll(axis, code, bar->sliderPosition());
  bar->setSliderPosition(ToInt(core_.ScrollBar(axis).position));
  viewport()->update();
}

void TImageViewer::scrollContentsBy(int, int) {
  // The picture is rendered around the centre; nothing to move.
}

void TImageViewer::SetMapping(EMapping mapping) { Fire(core_.SetMapping(mapping)); }

void TImageViewer::SetColorInfo(const ColorInfo& info) { Fire(core_.SetColorInfo(info)); }

void TImageViewer::SetData(const ImageRecord& data) {
  // The bars are shown exactly while an image is set; showing them first
  // lets the fit see the client area that remains.
  quietResize_ = true;
  ShowScrollBars(static_cast<bool>(data.pixels));
  quietResize_ = false;
  core_.SetClientSize(viewport()->width(), viewport()->height());
  Fire(core_.SetData(data));
}

void TImageViewer::SetOrientation(const ScanInfo& info) {
  Fire(core_.SetOrientation(info.orientation, info.flipHorizontal, info.flipVertical));
}

void TImageViewer::SetWindow(uint32_t window) { Fire(core_.SetWindow(window)); }
void TImageViewer::SetContrast(int32_t percent) { Fire(core_.SetContrast(percent)); }
void TImageViewer::SetBrightness(int32_t percent) { Fire(core_.SetBrightness(percent)); }
void TImageViewer::SetScale(int32_t scale) { Fire(core_.SetScale(scale)); }
void TImageViewer::SetCentre(Point image) { Fire(core_.SetCentre(image)); }
void TImageViewer::FitWhole() { Fire(core_.FitWhole()); }
void TImageViewer::FitRect(Rect image) { Fire(core_.FitRect(image)); }

void TImageViewer::ScreenToImage(int32_t& x, int32_t& y) const {
  Point p{x, y};
  core_.ScreenToImage(p);
  x = p.x;
  y = p.y;
}

void TImageViewer::ImageToScreen(int32_t& x, int32_t& y) const {
  Point p{x, y};
  core_.ImageToScreen(p);
  x = p.x;
  y = p.y;
}

void TImageViewer::SetColor(const QColor& color) {
  color_ = color;
  colorValue_ = ValueOfColor(color);
  viewport()->update();
}

void TImageViewer::SetPen(const QPen& pen) {
  pen_ = pen;
  penColorValue_ = ValueOfColor(pen.color());
  viewport()->update();
}

void TImageViewer::SetColorValue(ColorValue value) {
  SetColor(ResolveColor(value));
  colorValue_ = value;
}

void TImageViewer::SetPenColorValue(ColorValue value) {
  pen_.setColor(ResolveColor(value));
  penColorValue_ = value;
  viewport()->update();
}

QSize TImageViewer::ScreenSize() const {
  const QScreen* s = screen();
  return s ? s->size() : QSize(core_.ClientWidth(), core_.ClientHeight());
}

void TImageViewer::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const unsigned events = core_.SetClientSize(viewport()->width(), viewport()->height());
  if (!quietResize_) Fire(events);
}

void TImageViewer::DrawPicture() {
  // The margins in the brush colour, then the bitmap with each of its
  // pixels as an exact s x s block (a block cut by the client's edge too).
  frame_.fill(color_);
  if (core_.IsEmpty()) return;
  if (core_.NeedsRender()) {
    const QSize size = ScreenSize();
    core_.Render(size.width(), size.height());
  }
  const auto& d = core_.Destination();
  const auto& src = core_.Source();
  if (src.width <= 0 || src.height <= 0) return;
  const int s = core_.Scale() >= 1 ? core_.Scale() : 1;
  const ColorTable& table = core_.Colors();
  const int cw = frame_.width(), ch = frame_.height();
  const int x0 = std::max(0, d.x), x1 = std::min(cw, d.x + d.width);
  const int y0 = std::max(0, d.y), y1 = std::min(ch, d.y + d.height);
  const uint8_t* bitmap = core_.Bitmap();
  const int stride = core_.BitmapStride();
  for (int y = y0; y < y1; ++y) {
    const uint8_t* row = bitmap + size_t((y - d.y) / s) * stride;
    auto* out = reinterpret_cast<QRgb*>(frame_.scanLine(y));
    for (int x = x0; x < x1; ++x) out[x] = 0xFF000000u | table[row[(x - d.x) / s]];
  }
}

void TImageViewer::paintEvent(QPaintEvent*) {
  // The picture and the overlay are drawn into one frame that the overlay
  // can read back, then shown.
  const QSize size = viewport()->size();
  if (frame_.size() != size) frame_ = QImage(size, QImage::Format_RGB32);
  if (!size.isEmpty()) {
    DrawPicture();
    if (OnPaint) {
      QPainter painter(&frame_);
      painter.setFont(font());
      painter.setBrush(Qt::NoBrush);
      painter.setPen(pen_);
      canvas_ = &painter;
      OnPaint(this);
      canvas_ = nullptr;
    }
  }
  QPainter(viewport()).drawImage(0, 0, frame_);
}

void TImageViewer::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  if (OnMouseDown) OnMouseDown(this, event);
}

void TImageViewer::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(this, event);
}

void TImageViewer::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp) OnMouseUp(this, event);
  if (pressed_ && event->button() == Qt::LeftButton) {
    pressed_ = false;
    if (viewport()->rect().contains(event->position().toPoint()) && OnClick) OnClick(this);
  }
}

void TImageViewer::mouseDoubleClickEvent(QMouseEvent*) {
  if (OnDblClick) OnDblClick(this);
}

void TImageViewer::wheelEvent(QWheelEvent* event) { event->ignore(); }

void TImageViewer::keyPressEvent(QKeyEvent* event) { event->ignore(); }

}  // namespace viewer
