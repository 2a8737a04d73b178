#include "viewer/forms/panels.h"

#include "viewer/widgets/color_value.h"

namespace viewer {

ColorPanel::ColorPanel(QWidget* parent) : QPushButton(parent) {
  setFlat(true);
  setAutoFillBackground(true);
  setMinimumSize(40, 21);
  SetValue(0);
}

void ColorPanel::SetValue(uint32_t value) {
  value_ = value;
  QPalette p = palette();
  p.setColor(QPalette::Button, ResolveColor(value));
  p.setColor(QPalette::Window, ResolveColor(value));
  setPalette(p);
  update();
}

FontPanel::FontPanel(QWidget* parent) : QPushButton(QStringLiteral("Sample Text"), parent) {
  setFlat(true);
  setAutoFillBackground(true);
  Show();
}

void FontPanel::SetChoice(const FontChoice& choice) {
  choice_ = choice;
  Show();
}

void FontPanel::SetBackground(uint32_t value) {
  background_ = value;
  Show();
}

void FontPanel::Show() {
  setFont(choice_.font);
  QPalette p = palette();
  p.setColor(QPalette::Button, ResolveColor(background_));
  p.setColor(QPalette::Window, ResolveColor(background_));
  p.setColor(QPalette::ButtonText, ResolveColor(choice_.color));
  setPalette(p);
  update();
}

}  // namespace viewer
