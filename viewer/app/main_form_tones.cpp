// The main window's view, colour and tone commands, and how the sliders,
// the histogram and the display's tone window are kept in step.
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>

#include "viewer/app/main_form.h"

namespace viewer {

void TMainForm::ImageChanged() {
  imageViewer_->SetOrientation(image_.GetScanInfo());
  imageViewer_->SetData(image_.IsEmpty() ? ImageRecord{} : image_.Record());
}

void TMainForm::ImageViewerDataChange() {
  modified_ = true;
  histogram_->SetData(image_.IsEmpty() ? ImageRecord{} : image_.Record());
  // Counting resets the histogram's window: it follows the display's.
  const bool guard = lutGuard_;
  lutGuard_ = true;
  if (!imageViewer_->IsEmpty()) histogram_->SetLUTWindow(imageViewer_->Core().Window());
  lutGuard_ = guard;
  UpdateControls();
}

void TMainForm::ImageViewerLUTChanged() {
  if (lutGuard_) return;
  lutGuard_ = true;
  const DisplayCore& core = imageViewer_->Core();
  contrastValue_->setValue(core.Contrast());
  contrastLabel_->setText(QStringLiteral("Contrast %1%").arg(core.Contrast()));
  const int brightness = actions_.Negative->isChecked() ? 100 - core.Brightness() : core.Brightness();
  brightnessValue_->setValue(brightness);
  brightnessLabel_->setText(QStringLiteral("Brightness %1%").arg(brightness));
  histogram_->SetLUTWindow(core.Window());
  lutGuard_ = false;
}

void TMainForm::ImageViewerViewChange() {
  scaleEdit_->SetText(QString::number(imageViewer_->Core().Scale()));
  UpdateControls();
}

void TMainForm::ContrastValueChange() {
  if (!lutGuard_) imageViewer_->SetContrast(contrastValue_->value());
}

void TMainForm::BrightnessValueChange() {
  if (lutGuard_) return;
  const int position = brightnessValue_->value();
  imageViewer_->SetBrightness(actions_.Negative->isChecked() ? 100 - position : position);
}

void TMainForm::LUTHistogramLUTChange() {
  if (!lutGuard_) imageViewer_->SetWindow(histogram_->LUTWindow());
}

void TMainForm::LUTHistogramMouseDown(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  cursorTone_ = histogram_->XToTone(event->position().toPoint().x());
  toneLow_ = cursorTone_;
  toneHigh_ = histogram_->WindowHigh();
  histogram_->SetLUTWindow(PackTones(toneLow_, toneHigh_));
  histogramDragging_ = true;
}

void TMainForm::LUTHistogramMouseMove(QMouseEvent* event) {
  cursorTone_ = histogram_->XToTone(event->position().toPoint().x());
  if (histogramDragging_) {
    toneHigh_ = cursorTone_;
    histogram_->SetLUTWindow(PackTones(toneLow_, toneHigh_));
  }
  panels_[0]->setText(QStringLiteral("%1=%2").arg(cursorTone_).arg(histogram_->CountAt(cursorTone_)));
}

void TMainForm::LUTHistogramMouseUp(QMouseEvent* event) {
  if (!histogramDragging_) return;
  cursorTone_ = histogram_->XToTone(event->position().toPoint().x());
  toneHigh_ = cursorTone_;
  histogram_->SetLUTWindow(PackTones(toneLow_, toneHigh_));
  histogramDragging_ = false;
}

void TMainForm::ScaleEditChange() { imageViewer_->SetScale(scaleEdit_->Value()); }

void TMainForm::ZoomImageExecute() { imageViewer_->FitWhole(); }

void TMainForm::ZoomROIExecute() {
  Rect r = Roi();
  image_.FullRectToStored(r);
  imageViewer_->FitRect(r);
}

void TMainForm::ZoomInExecute() { imageViewer_->SetScale(imageViewer_->Core().Scale() + 1); }
void TMainForm::ZoomOutExecute() { imageViewer_->SetScale(imageViewer_->Core().Scale() - 1); }

void TMainForm::CenterExecute() {
  Point p = cursorPoint_;
  image_.FullPointToStored(p);
  imageViewer_->SetCentre(p);
}

void TMainForm::SetMapping() {
  const bool pseudo = actions_.Psuedocolor->isChecked();
  const bool negative = actions_.Negative->isChecked();
  imageViewer_->SetMapping(negative ? (pseudo ? mNegativeColor : mNegative) : (pseudo ? mPositiveColor : mPositive));
}

void TMainForm::NegativeExecute() {
  actions_.Negative->setChecked(true);
  SetMapping();
}

void TMainForm::PositiveExecute() {
  actions_.Positive->setChecked(true);
  SetMapping();
}

void TMainForm::PsuedocolorExecute() { SetMapping(); }

void TMainForm::AllTonesExecute() { imageViewer_->SetWindow(PackTones(0, 65535)); }

void TMainForm::ImageTonesExecute() {
  const DisplayCore& core = imageViewer_->Core();
  imageViewer_->SetWindow(PackTones(core.MinTone(), core.MaxTone()));
}

void TMainForm::ROITonesExecute() {
  // Only the region's part on the image counts.
  Rect roi = Roi();
  if (!ClipToImage(image_, roi)) return;
  BeginBusy(QStringLiteral("Computing..."));
  uint16_t low = 65535, high = 0;
  for (int64_t y = roi.top; y <= roi.bottom; ++y)
    for (int64_t x = roi.left; x <= roi.right; ++x) {
      const uint16_t v = static_cast<uint16_t>(image_.PixelAt(static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
      if (v < low) low = v;
      if (v > high) high = v;
    }
  imageViewer_->SetWindow(PackTones(low, high));
  UpdateStatusBar();
  EndBusy();
}

void TMainForm::LowToneExecute() {
  toneLow_ = cursorTone_;
  toneHigh_ = histogram_->WindowHigh();
  histogram_->SetLUTWindow(PackTones(toneLow_, toneHigh_));
}

void TMainForm::HighToneExecute() {
  toneLow_ = histogram_->WindowLow();
  toneHigh_ = cursorTone_;
  histogram_->SetLUTWindow(PackTones(toneLow_, toneHigh_));
}

void TMainForm::DisplayAllExecute() {
  toneLow_ = 0;
  toneHigh_ = 65535;
  histogram_->SetDisplayRange(PackTones(0, 65535));
}

void TMainForm::DisplayImageExecute() {
  const DisplayCore& core = imageViewer_->Core();
  histogram_->SetDisplayRange(PackTones(core.MinTone(), core.MaxTone()));
}

void TMainForm::DisplayCurrentExecute() { histogram_->SetDisplayRange(histogram_->LUTWindow()); }

void TMainForm::DisplayLowExecute() {
  toneLow_ = cursorTone_;
  toneHigh_ = histogram_->ShownHigh();
  histogram_->SetDisplayRange(PackTones(toneLow_, toneHigh_));
}

void TMainForm::DisplayHighExecute() {
  toneLow_ = histogram_->ShownLow();
  toneHigh_ = cursorTone_;
  histogram_->SetDisplayRange(PackTones(toneLow_, toneHigh_));
}

void TMainForm::PanelToolExecute() { UpdateControls(); }

void TMainForm::NewToolExecute() {
  UpdateControls();
  imageViewer_->viewport()->update();
}

}  // namespace viewer
