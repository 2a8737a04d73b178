#include "viewer/forms/color_value.h"

#include <QGuiApplication>
#include <QPalette>

namespace viewer {
namespace {

// System colour indices the viewer's defaults and dialogs use.
QPalette::ColorRole RoleOfSystemIndex(uint32_t index) {
  switch (index) {
    case 5: return QPalette::Base;          // window background
    case 8: return QPalette::WindowText;    // window text
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;       // button face
    case 16: return QPalette::Dark;         // button shadow
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;        // button highlight
    default: return QPalette::Window;
  }
}

}  // namespace

QColor ColorOfValue(uint32_t value) {
  if (value & kSystemColorFlag)
    return QGuiApplication::palette().color(RoleOfSystemIndex(value & 0xFF));
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

uint32_t ValueOfColor(const QColor& color) {
  const QColor rgb = color.toRgb();
  return static_cast<uint32_t>(rgb.red()) | (static_cast<uint32_t>(rgb.green()) << 8) |
         (static_cast<uint32_t>(rgb.blue()) << 16);
}

}  // namespace viewer
