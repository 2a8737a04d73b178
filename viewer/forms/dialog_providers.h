#pragma once
// The colour and font dialogs the forms open, as replaceable providers, so
// a caller (a test) can answer them without a modal loop.
#include <QFont>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace viewer {

// A font with its colour (a colour value, see color_value.h).
struct FontChoice {
  QFont font;
  uint32_t color = 0;
};

// Each returns the accepted choice, or nothing when the user cancels.
using ColorProvider = std::function<std::optional<uint32_t>(uint32_t initial, QWidget* parent)>;
using FontProvider = std::function<std::optional<FontChoice>(const FontChoice& initial, QWidget* parent)>;

struct DialogProviders {
  ColorProvider color;
  FontProvider font;
};

// The real dialogs: a full colour dialog, and a font dialog (effects shown,
// existing fonts only) with a colour button of its own.
DialogProviders StandardDialogs();

}  // namespace viewer
