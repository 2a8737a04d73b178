// The appearance the main window keeps in the registry: captured from the
// controls as designed, read at creation, stored at destruction.
#include <QFontInfo>

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

// The name stored for a font's face. The font dialog hands back the face it
// shows for a name ("Sans Serif" for "MS Sans Serif"), not the name: a face
// drawn as the name in effect at start, or as the default's, keeps that name.
std::string StoredFace(const std::string& face, const std::string& atStart, const std::string& byDefault) {
  if (face == atStart || face == byDefault) return face;
  auto drawn = [](const std::string& name) { return QFontInfo(QFont(QString::fromStdString(name))).family(); };
  const QString shown = drawn(face);
  for (const std::string& name : {atStart, byDefault})
    if (drawn(name) == shown) return name;
  return face;
}

}  // namespace

Appearance ShownAppearance(const TImageViewer& viewer, const THistogram& histogram) {
  Appearance a;
  a.viewerColor = viewer.GetColorValue();
  a.colorInfo = viewer.Core().GetColorInfo();
  a.viewerFont = ValuesOf(viewer.font(), viewer.FontColor);
  a.penColor = viewer.GetPenColorValue();
  a.histogramColor = histogram.Color;
  a.dataColor = histogram.DataColor;
  a.lutColor = histogram.LUTColor;
  a.lutBackground = histogram.LUTBackground;
  a.histogramFont = ValuesOf(histogram.font(), histogram.FontColor);
  return a;
}

Appearance TMainForm::CurrentAppearance() const { return ShownAppearance(*imageViewer_, *histogram_); }

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

void TMainForm::SaveSettings() {
  Appearance a = CurrentAppearance();
  const Appearance atStart = ReadAppearance(defaults_);
  a.viewerFont.name = StoredFace(a.viewerFont.name, atStart.viewerFont.name, defaults_.viewerFont.name);
  a.histogramFont.name = StoredFace(a.histogramFont.name, atStart.histogramFont.name, defaults_.histogramFont.name);
  WriteAppearance(a, defaults_);
}

}  // namespace viewer
