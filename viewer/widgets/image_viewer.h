#pragma once
// TImageViewer: the windowed control that shows the image model's pixels
// through the tone window and colour table, turned, mirrored and zoomed.
// It never owns or changes the pixels; the state and arithmetic live in
// DisplayCore, this class adds the window, the scroll bars and painting.
#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QPen>
#include <functional>

#include "fennic/fennic_api.h"
#include "viewer/core/display_core.h"
#include "viewer/widgets/color_value.h"

class QPainter;

namespace viewer {

class TImageViewer : public QAbstractScrollArea {
 public:
  using Notify = std::function<void(TImageViewer*)>;
  using MouseNotify = std::function<void(TImageViewer*, QMouseEvent*)>;

  explicit TImageViewer(QWidget* owner = nullptr, const ViewerSettings& settings = DefaultSettings());
  ~TImageViewer() override;

  Notify OnColorChange;
  Notify OnDataChange;
  Notify OnLUTChanged;
  Notify OnViewChange;
  // Overlay drawing after the picture; Canvas() is the painter meanwhile.
  Notify OnPaint;
  Notify OnClick;
  Notify OnDblClick;
  MouseNotify OnMouseDown;
  MouseNotify OnMouseMove;
  MouseNotify OnMouseUp;

  void SetMapping(EMapping mapping);
  EMapping Mapping() const { return core_.Mapping(); }
  void SetColorInfo(const ColorInfo& info);
  void SetData(const ImageRecord& data);
  void SetOrientation(const ScanInfo& info);
  void SetWindow(uint32_t window);
  void SetContrast(int32_t percent);
  void SetBrightness(int32_t percent);
  void SetScale(int32_t scale);
  Point GetCentre() const { return core_.GetCentre(); }
  void SetCentre(Point image);
  void FitWhole();
  void FitRect(Rect image);
  void ScreenToImage(int32_t& x, int32_t& y) const;
  void ScreenPointToImage(Point& p, Point* side = nullptr) const { core_.ScreenToImage(p, side); }
  void ImageToScreen(int32_t& x, int32_t& y) const;
  void ImagePointToScreen(Point& p) const { core_.ImageToScreen(p); }
  bool IsEmpty() const { return core_.IsEmpty(); }
  // The screen the render buffer is sized from.
  QSize ScreenSize() const;

  // Margin colour.
  void SetColor(const QColor& color);
  QColor Color() const { return color_; }
  // The same as colour values, kept as given (a system colour stays one).
  void SetColorValue(ColorValue value);
  ColorValue GetColorValue() const { return colorValue_; }
  void SetPenColorValue(ColorValue value);
  ColorValue GetPenColorValue() const { return penColorValue_; }
  // Colour of the overlay font, used by the overlay listener.
  ColorValue FontColor = kClWindowText;
  // Assigns the given pen's settings to the owned pen.
  void SetPen(const QPen& pen);
  const QPen& Pen() const { return pen_; }
  QPainter* Canvas() const { return canvas_; }
  // The frame the canvas paints on: the picture and margins as shown, so
  // the overlay can read what lies under it.
  QImage& Frame() { return frame_; }

  // Read access to the state (sizes, transform, window, scale, centre,
  // source and destination rectangles).
  const DisplayCore& Core() const { return core_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // Wheel and keys are left to the owner; only the bars scroll.
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Fire(unsigned events);
  void UpdateScrollBars();
  void ShowScrollBars(bool show);
  void OnScrollAction(ScrollAxis axis, int action);
  void DrawPicture();

  DisplayCore core_;
  QColor color_{0, 0, 128};  // navy
  ColorValue colorValue_ = 0x00800000;
  QPen pen_;
  ColorValue penColorValue_ = 0;
  QPainter* canvas_ = nullptr;
  QImage frame_;
  bool pressed_ = false;
  bool quietResize_ = false;  // scroll bars shown or hidden by SetData
};

// The user-interface library's colour value: 0x00BBGGRR (system colours,
// 0x80000000 + index, are resolved by the caller).
inline QColor ColorFromValue(uint32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

}  // namespace viewer
