#include "viewer/widgets/color_value.h"

#include <QApplication>
#include <QPalette>

namespace viewer {

QColor ResolveColor(ColorValue value) {
  if ((value & 0xFF000000u) == 0) return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
  const QPalette palette = QApplication::palette();
  switch (value) {
    case kClWindow: return palette.color(QPalette::Base);
    case kClBtnFace: return palette.color(QPalette::Button);
    case kClBtnShadow: return palette.color(QPalette::Dark);
    case kClGrayText: return palette.color(QPalette::Disabled, QPalette::Text);
    case kClBtnText: return palette.color(QPalette::ButtonText);
    case kClBtnHighlight: return palette.color(QPalette::Light);
    default: return palette.color(QPalette::WindowText);
  }
}

ColorValue ValueOfColor(const QColor& color) {
  return static_cast<ColorValue>(color.red()) | (static_cast<ColorValue>(color.green()) << 8) |
         (static_cast<ColorValue>(color.blue()) << 16);
}

}  // namespace viewer
