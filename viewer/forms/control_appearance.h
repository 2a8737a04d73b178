#pragma once
// What the program settings form reads from and writes into the display
// control and the histogram: colours (colour values, see color_value.h)
// and the font with its colour. The owner of the controls supplies the
// binding; writing repaints the control.
#include <QFont>
#include <cstdint>
#include <functional>

namespace viewer {

struct ControlAppearance {
  uint32_t color = 0;       // background (the display control's margins)
  uint32_t drawing = 0;     // the display control's pen, the histogram's graph
  QFont font;
  uint32_t fontColor = 0;
  uint32_t lutColor = 0;       // histogram only: the window bar
  uint32_t lutBackground = 0;  // histogram only: the bar outside the window
};

struct AppearanceBinding {
  std::function<ControlAppearance()> read;
  std::function<void(const ControlAppearance&)> write;
};

}  // namespace viewer
