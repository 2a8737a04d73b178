// The display control's mouse routed to the checked tool, its overlay, the
// pixel read-out and the region's statistics.
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "viewer/app/main_form.h"

namespace viewer {

ImageTool* TMainForm::CurrentTool() {
  if (actions_.Region->isChecked()) return &regionTool_;
  if (actions_.Profile->isChecked()) return &profileTool_;
  if (actions_.Measurement->isChecked()) return &measurementTool_;
  return nullptr;
}

std::array<ImageTool*, 3> TMainForm::Tools() { return {&regionTool_, &profileTool_, &measurementTool_}; }

ImageTool* TMainForm::DraggingTool() {
  for (ImageTool* tool : Tools())
    if (tool->Dragging()) return tool;
  return nullptr;
}

Point TMainForm::FullPointAt(const QMouseEvent* event) const {
  const QPoint at = event->position().toPoint();
  return ClientToFull(*imageViewer_, image_, {at.x(), at.y()});
}

void TMainForm::ImageViewerMouseDown(QMouseEvent* event) {
  ImageTool* tool = CurrentTool();
  if (event->button() != Qt::LeftButton || image_.IsEmpty() || !tool) return;
  tool->Press(FullPointAt(event));
  imageViewer_->viewport()->repaint();
}

void TMainForm::ImageViewerMouseMove(QMouseEvent* event) {
  if (image_.IsEmpty()) return;
  cursorPoint_ = FullPointAt(event);
  if (ImageTool* tool = DraggingTool()) {
    tool->Move(cursorPoint_);
    imageViewer_->viewport()->repaint();
  }
  const Point p = cursorPoint_;
  panels_[0]->setText(QStringLiteral("(%1,%2)=%3")
                          .arg(p.x)
                          .arg(p.y)
                          .arg(image_.PixelAt(static_cast<uint32_t>(p.x), static_cast<uint32_t>(p.y))));
}

void TMainForm::ImageViewerMouseUp(QMouseEvent* event) {
  ImageTool* tool = DraggingTool();
  if (event->button() != Qt::LeftButton || !tool) return;
  // Every completed drag sets the region and the profile, whatever tool.
  const Point p = tool->Pressed(), q = FullPointAt(event);
  tool->Release();
  regionTool_.Take(p, q);
  profileTool_.Take(p, q, image_);
  imageViewer_->viewport()->update();
}

void TMainForm::ImageViewerPaint() {
  QPainter* canvas = imageViewer_->Canvas();
  ImageTool* tool = CurrentTool();
  if (!canvas || image_.IsEmpty() || !tool) return;
  tool->Paint(ToolCanvas(*canvas, imageViewer_->Frame(), *imageViewer_, image_, actions_.Negative->isChecked()));
}

void TMainForm::ShiftTools(int32_t dx, int32_t dy) {
  for (ImageTool* tool : Tools()) tool->Shift(dx, dy);
  cursorPoint_ = {cursorPoint_.x + dx, cursorPoint_.y + dy};
  imageViewer_->viewport()->update();
}

void TMainForm::KeepToolsInImage() {
  // The region keeps its part on the image, else it becomes the whole image;
  // a line that leaves the image is dropped.
  Rect roi = Roi();
  if (!ClipToImage(image_, roi)) {
    const ScanInfo& info = image_.GetScanInfo();
    roi = {int32_t(info.originX), int32_t(info.originY), int32_t(int64_t{info.originX} + info.width - 1),
           int32_t(int64_t{info.originY} + info.height - 1)};
  }
  regionTool_.SetRegion(roi);
  auto onImage = [this](Point a, Point b) {
    Rect r = OrderedRect(a, b);
    const Rect whole = r;
    return ClipToImage(image_, r) && r == whole;
  };
  const ProfileLine& profile = profileTool_.Line();
  if (!onImage(profile.start, profile.end)) profileTool_.ClearLine();
  const Rect m = measurementTool_.Line();
  if (!onImage({m.left, m.top}, {m.right, m.bottom})) measurementTool_.ClearLine();
  imageViewer_->viewport()->update();
}

void TMainForm::MeanValueExecute() {
  // Only the region's part on the image counts; fewer than two pixels there
  // give no box.
  Rect onImage = Roi();
  if (!ClipToImage(image_, onImage) || (int64_t{onImage.right} - onImage.left + 1) * (int64_t{onImage.bottom} - onImage.top + 1) <= 1)
    return;
  RegionStatistics stats;
  BeginBusy(QStringLiteral("Computing..."));
  MeasureRegion(image_, onImage, stats);
  UpdateStatusBar();
  EndBusy();
  prompts_->Box(this, BoxKind::Information, StatisticsText(stats));
}

}  // namespace viewer
