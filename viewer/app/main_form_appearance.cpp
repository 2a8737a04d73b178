// The appearance the main window keeps in the registry: captured from the
// controls as designed, read at creation, stored at destruction.
#include "viewer/app/main_form.h"

namespace viewer {
namespace {

FontValues ValuesOf(const QFont& font, ColorValue color) {
  FontValues v;
  v.color = color;
  v.height = font.pixelSize() > 0 ? -font.pixelSize() : -static_cast<int32_t>(std::lround(font.pointSizeF() * 96 / 72));
  v.name = font.family().toStdString();
  v.style = static_cast<uint8_t>((font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
                                 (font.strikeOut() ? 8 : 0));
  return v;
}

QFont FontOf(const FontValues& v) {
  QFont font(QString::fromStdString(v.name));
  // Negative: character height in pixels; positive: cell height.
  if (v.height != 0) font.setPixelSize(std::abs(v.height));
  font.setBold(v.style & 1);
  font.setItalic(v.style & 2);
  font.setUnderline(v.style & 4);
  font.setStrikeOut(v.style & 8);
  return font;
}

}  // namespace

Appearance TMainForm::CurrentAppearance() const {
  Appearance a;
  a.viewerColor = imageViewer_->GetColorValue();
  a.colorInfo = imageViewer_->Core().GetColorInfo();
  a.viewerFont = ValuesOf(imageViewer_->font(), imageViewer_->FontColor);
  a.penColor = imageViewer_->GetPenColorValue();
  a.histogramColor = histogram_->Color;
  a.dataColor = histogram_->DataColor;
  a.lutColor = histogram_->LUTColor;
  a.lutBackground = histogram_->LUTBackground;
  a.histogramFont = ValuesOf(histogram_->font(), histogram_->FontColor);
  return a;
}

void TMainForm::ApplyAppearance(const Appearance& a) {
  imageViewer_->SetColorValue(a.viewerColor);
  imageViewer_->SetColorInfo(a.colorInfo);
  imageViewer_->FontColor = a.viewerFont.color;
  imageViewer_->setFont(FontOf(a.viewerFont));
  imageViewer_->SetPenColorValue(a.penColor);
  histogram_->Color = a.histogramColor;
  histogram_->DataColor = a.dataColor;
  histogram_->LUTColor = a.lutColor;
  histogram_->LUTBackground = a.lutBackground;
  histogram_->FontColor = a.histogramFont.color;
  histogram_->setFont(FontOf(a.histogramFont));
  histogram_->update();
}

void TMainForm::CaptureDefaults() { defaults_ = CurrentAppearance(); }

void TMainForm::LoadSettings() { ApplyAppearance(ReadAppearance(defaults_)); }

void TMainForm::SaveSettings() { WriteAppearance(CurrentAppearance(), defaults_); }

}  // namespace viewer
