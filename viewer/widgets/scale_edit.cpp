#include "viewer/widgets/scale_edit.h"

#include <QLineEdit>

#include "viewer/core/names.h"

namespace viewer {
namespace {
constexpr int kLowest = -25, kHighest = 25;
}

ScaleEdit::ScaleEdit(QWidget* owner) : QAbstractSpinBox(owner) {
  setWrapping(false);
  setKeyboardTracking(true);
  lineEdit()->setText("1");
  connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString&) {
    bool ok = false;
    const int v = Text().trimmed().toInt(&ok);
    if (ok) position_ = Clamp(kLowest, v, kHighest);
    if (OnChange) OnChange();
  });
}

QString ScaleEdit::Text() const { return lineEdit()->text(); }

void ScaleEdit::SetText(const QString& text) {
  if (lineEdit()->text() != text) lineEdit()->setText(text);
}

int ScaleEdit::Value() const {
  bool ok = false;
  const int v = Text().trimmed().toInt(&ok);
  return ok ? v : position_;
}

void ScaleEdit::stepBy(int steps) { SetText(QString::number(Clamp(kLowest, Value() + steps, kHighest))); }

QAbstractSpinBox::StepEnabled ScaleEdit::stepEnabled() const {
  return isEnabled() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}

QValidator::State ScaleEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

}  // namespace viewer
