#pragma once
// The clickable sample panels of the program settings form: a colour
// swatch, and a "Sample Text" in a font and its colour on a background.
#include <QPushButton>
#include <cstdint>

#include "viewer/forms/dialog_providers.h"

namespace viewer {

class ColorPanel : public QPushButton {
 public:
  explicit ColorPanel(QWidget* parent = nullptr);
  void SetValue(uint32_t value);
  uint32_t Value() const { return value_; }

 private:
  uint32_t value_ = 0;
};

class FontPanel : public QPushButton {
 public:
  explicit FontPanel(QWidget* parent = nullptr);
  void SetChoice(const FontChoice& choice);
  const FontChoice& Choice() const { return choice_; }
  // The colour value the sample is shown on.
  void SetBackground(uint32_t value);

 private:
  void Show();

  FontChoice choice_;
  uint32_t background_ = 0x80000000u | 15;  // button face
};

}  // namespace viewer
