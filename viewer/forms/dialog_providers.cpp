#include "viewer/forms/dialog_providers.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "viewer/widgets/color_value.h"

namespace viewer {
namespace {

std::optional<uint32_t> PickColor(uint32_t initial, QWidget* parent) {
  const QColor chosen =
      QColorDialog::getColor(ResolveColor(initial), parent, QString(), QColorDialog::DontUseNativeDialog);
  if (!chosen.isValid()) return std::nullopt;
  return ValueOfColor(chosen);
}

void ShowSwatch(QPushButton* button, uint32_t value) {
  QPalette palette = button->palette();
  palette.setColor(QPalette::Button, ResolveColor(value));
  button->setPalette(palette);
  button->setAutoFillBackground(true);
}

// The font dialog has no colour field: it is embedded beside a colour button.
std::optional<FontChoice> PickFont(const FontChoice& initial, QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QObject::tr("Font"));
  auto* fonts = new QFontDialog(initial.font, &dialog);
  fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  fonts->setWindowFlags(Qt::Widget);
  // The dialog works in points; a size left alone keeps the pixel height.
  const qreal shownPoints = fonts->currentFont().pointSizeF();
  uint32_t color = initial.color;
  auto* colorButton = new QPushButton(QObject::tr("&Color..."), &dialog);
  ShowSwatch(colorButton, color);
  QObject::connect(colorButton, &QPushButton::clicked, &dialog, [&] {
    if (std::optional<uint32_t> picked = PickColor(color, &dialog)) {
      color = *picked;
      ShowSwatch(colorButton, color);
    }
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(colorButton);
  row->addStretch();
  row->addWidget(buttons);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(fonts);
  layout->addLayout(row);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  QFont font = fonts->currentFont();
  if (initial.font.pixelSize() > 0 && font.pointSizeF() == shownPoints) font.setPixelSize(initial.font.pixelSize());
  return FontChoice{font, color};
}

}  // namespace

DialogProviders StandardDialogs() { return {PickColor, PickFont}; }

}  // namespace viewer
