#pragma once
// THistogram: the strip under the image showing how often each tone occurs
// over a chosen tone range, with the display's tone window drawn as a bar
// along its bottom edge.
#include <QWidget>
#include <functional>
#include <memory>

#include "viewer/core/image_record.h"
#include "viewer/core/settings.h"
#include "viewer/core/tone_counts.h"
#include "viewer/widgets/color_value.h"

namespace viewer {

class THistogram : public QWidget {
 public:
  using Notify = std::function<void(THistogram*)>;
  using MouseNotify = std::function<void(THistogram*, QMouseEvent*)>;

  // The bar's thickness is settings.lutWidth at each paint.
  explicit THistogram(QWidget* owner = nullptr, const ViewerSettings& settings = DefaultSettings());

  Notify OnChange;  // data or shown range changed
  Notify OnLUTChange;  // window changed
  MouseNotify OnMouseDown;
  MouseNotify OnMouseMove;
  MouseNotify OnMouseUp;

  // Plain fields: setting one does not repaint.
  ColorValue Color = kClBtnFace;  // background
  ColorValue DataColor = kClBtnText;
  ColorValue LUTBackground = kClBtnShadow;
  ColorValue LUTColor = kClBtnHighlight;
  ColorValue FontColor = kClWindowText;  // labels

  // Takes the shown range and the window from the record's tone pair (the
  // smallest and largest of its pixels); the counting itself waits for the
  // first paint or CountAt, and is skipped for the pixels already held (the
  // held record keeps them alive, so no other image can take their place).
  void SetData(const ImageRecord& data);
  // Pairs are low | high << 16, ordered before use.
  void SetDisplayRange(uint32_t range);
  void SetLUTWindow(uint32_t window);
  uint32_t DisplayRange() const { return PackTones(shownLow_, shownHigh_); }
  uint32_t LUTWindow() const { return PackTones(windowLow_, windowHigh_); }
  uint16_t ShownLow() const { return shownLow_; }
  uint16_t ShownHigh() const { return shownHigh_; }
  uint16_t WindowLow() const { return windowLow_; }
  uint16_t WindowHigh() const { return windowHigh_; }
  uint32_t CountAt(uint16_t tone) const;
  // The tone under client x, clamped into the shown range.
  uint16_t XToTone(int x) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Changed();
  // Holds the record; counts go stale when its pixels or size differ.
  void Hold(const ImageRecord& data);
  // Counts the pixels of the record when that is still to do.
  void EnsureCounted() const;
  void LUTChanged();
  int BarWidth() const;
  void DrawGraph(QPainter& painter, int cw, int ch) const;
  void DrawLUTBar(QPainter& painter, int cw, int ch) const;

  const ViewerSettings* settings_;
  std::unique_ptr<ToneCounts> counts_;
  ImageRecord data_;  // the pixels to count
  mutable bool stale_ = false;  // counts_ is not yet of data_
  uint16_t shownLow_ = 0, shownHigh_ = 65535;
  uint16_t windowLow_ = 0, windowHigh_ = 65535;
};

}  // namespace viewer
